// Test support: the headless start-up (tools/headless_game.h) and where tests may write pictures
// and files meant to be looked at afterwards.
#pragma once

#include <cstdlib>
#include <string>

#include "tools/headless_game.h"

inline std::string test_output_dir() {
    const char *dir = std::getenv("DW_BINARY_DIR");
    return std::string(dir != nullptr ? dir : ".") + "/test-output";
}
