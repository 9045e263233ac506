// The fuzz targets judge the voice-chat patch by this validator, so it must
// itself tell valid from invalid JSON.
#include "tests/fuzz/strict_json.h"

#include <gtest/gtest.h>

#include "tests/support/case_name.h"

namespace qv::fuzz {
namespace {

struct JsonCase {
    const char* name;
    std::string_view text;
    bool valid;
};

class StrictJsonCases : public ::testing::TestWithParam<JsonCase> {};

TEST_P(StrictJsonCases, Verdict) { EXPECT_EQ(StrictJson::valid(GetParam().text), GetParam().valid); }

INSTANTIATE_TEST_SUITE_P(
    Cases, StrictJsonCases,
    ::testing::Values(
        JsonCase{"config_object", "{\"serverURL\": \"https://x\", \"n\": [1, -2.5e3, true, null]}", true},
        JsonCase{"bare_value", " 0 ", true},
        JsonCase{"byte_order_mark", "\xEF\xBB\xBF{}", true},
        JsonCase{"crlf_between_members", "{\r\n\"a\": 1,\r\n\"b\": 2\r\n}", true},
        JsonCase{"escapes", R"(["\"\\\/\b\f\n\r\t\u00e9"])", true},
        JsonCase{"utf8_chinese", "[\"\xE4\xB8\xAD\"]", true},
        JsonCase{"empty", "", false},
        JsonCase{"trailing_comma", "{\"a\": 1,}", false},
        JsonCase{"two_values", "{} {}", false},
        JsonCase{"unclosed_string", "[\"abc]", false},
        JsonCase{"raw_line_break_in_string", "[\"a\nb\"]", false},
        JsonCase{"bad_escape", R"(["\x"])", false},
        JsonCase{"short_unicode_escape", R"(["\u12"])", false},
        JsonCase{"leading_zero", "[01]", false},
        JsonCase{"bare_minus", "[-]", false},
        JsonCase{"gbk_bytes_in_string", "[\"\xD6\xD0\"]", false},
        JsonCase{"overlong_utf8", "[\"\xC0\xAF\"]", false},
        JsonCase{"utf8_surrogate", "[\"\xED\xA0\x80\"]", false},
        JsonCase{"cut_utf8", "[\"\xE4\xB8\"]", false},
        JsonCase{"nul_byte", std::string_view("[\"a\0\"]", 6), false},
        JsonCase{"single_quotes", "{'a': 1}", false},
        JsonCase{"missing_colon", "{\"a\" 1}", false},
        JsonCase{"unquoted_key", "{a: 1}", false},
        JsonCase{"misspelled_literal", "[tru]", false}),
    qv::testing::CaseName());

TEST(StrictJsonDepth, DeepNestingIsRefusedNotOverflowed) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_FALSE(StrictJson::valid(deep));
    const std::string shallow = std::string(50, '[') + std::string(50, ']');
    EXPECT_TRUE(StrictJson::valid(shallow));
}

}  // namespace
}  // namespace qv::fuzz
