// The test programs' main: a headless environment unless the caller set one (SDL's dummy video,
// OpenAL's null device) and the source and build folders, whether a test runs under ctest or
// by hand.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    setenv("DW_SOURCE_DIR", DW_SOURCE_DIR, 0);
    setenv("DW_BINARY_DIR", DW_BINARY_DIR, 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
