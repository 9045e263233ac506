// Names parameterised cases after their `name` field, so a failure says
// which row of a table broke.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace qv::testing {

struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& row) const {
        return row.param.name;
    }
};

}  // namespace qv::testing
