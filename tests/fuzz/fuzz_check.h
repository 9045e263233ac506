// A failed invariant in a fuzz target: print what broke and abort, so that
// libFuzzer keeps the input as a crash artefact.
#pragma once

#include <cstdio>
#include <cstdlib>

#define QV_FUZZ_CHECK(condition)                                                              \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)
