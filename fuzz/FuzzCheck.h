#pragma once
// A check that holds in every build: the fuzz targets' assertions must stop
// the run in an optimised build too, where assert() is compiled out.

#include <cstdio>
#include <cstdlib>

#define KORVEX_FUZZ_CHECK(condition, what)                                                     \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s (%s)\n", __FILE__, __LINE__,        \
                         #condition, what);                                                    \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
