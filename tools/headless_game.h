// The game's window and start-up for tools that drive races without a person: SDL's dummy video
// driver and OpenAL's null device unless the caller chose others, and the virtual clock, so a
// race runs as fast as the machine allows and the same every time.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/main.h"
#include "platform/testing.h"

inline bool open_headless_game(const char *program) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    std::string why;
    if (open_game_window(GetModuleHandleA(nullptr), &why) == nullptr) {
        std::fprintf(stderr, "%s: %s\n", program, why.c_str());
        return false;
    }
    testing_use_virtual_clock(1000, 1);
    return true;
}
