// Stops a fuzz run with a message when a property of the code under test does not hold.
#pragma once

#include <cstdio>
#include <cstdlib>

// Aborting counts as a finding: libFuzzer saves the input that did it.
#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)
