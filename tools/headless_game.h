// The one headless start-up of tests, tools and benchmarks: SDL's dummy video driver and OpenAL's
// null device unless the caller chose others, the game's own window (as the entry point makes it,
// main_window and main_instance set), and for races the counted clock, so that a race runs as fast
// as the machine allows and the same every time.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/display/display.h"
#include "game/game_window.h"
#include "platform/testing.h"

// The game's window, made once per process; null after saying why on standard error.
inline HWND open_headless_window(const char *who) {
    if (main_window != nullptr)
        return main_window;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    std::string why;
    if (open_game_window(GetModuleHandleA(nullptr), &why) == nullptr)
        std::fprintf(stderr, "%s: %s\n", who, why.c_str());
    return main_window;
}

// The window and the counted clock, one millisecond a read, from tick 1000.
inline bool open_headless_game(const char *who) {
    if (open_headless_window(who) == nullptr)
        return false;
    testing_use_virtual_clock(1000, 1);
    return true;
}
