// What the fuzz targets share: an abort that libFuzzer and the replay driver both report as a
// crash, for a load that claims success with a result that cannot be right; and the start-up of
// the sound targets, which load into a real sound object.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "engine/sound/sound.h"

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

// Opens the sound layer on OpenAL's null device (unless the caller chose another) for the whole
// run, and closes it at exit so that nothing is left for the leak checker. For a target's
// LLVMFuzzerInitialize.
inline int fuzz_start_sound() {
    setenv("ALSOFT_DRIVERS", "null", 0);
    fuzz_require(sound_init() == 1, "sound_init on the null device");
    std::atexit([] { sound_shutdown(); });
    return 0;
}
