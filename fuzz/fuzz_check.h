// What every fuzz target uses: an abort that libFuzzer and the replay driver both report as a
// crash, for a load that claims success with a result that cannot be right.
#pragma once

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define DW_FUZZ_HAS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DW_FUZZ_HAS_ASAN 1
#endif
#endif

inline void fuzz_require(bool holds, const char *what) {
    if (!holds) {
        std::fprintf(stderr, "fuzz target: impossible result: %s\n", what);
        std::abort();
    }
}
