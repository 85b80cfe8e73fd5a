// What the benchmark programs share: the game set up as the program sets it up (its window class
// and window, game_init) with the committed assets, headless unless the caller chose a display,
// and the computer driver at the wheel of both karts between frames.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "engine/display/display.h"
#include "game/additions/computer_driver.h"
#include "game/additions/track_sight.h"
#include "game/race.h"
#include "game/race_state.h"
#include "game/screens.h"
#include "game/setup.h"
#include "platform/testing.h"
#include "tools/headless_game.h"

// The Enter key as testing_key takes it (an SDL scancode).
constexpr int scancode_return = 40;

// The assets are read relative to the repository root.
inline bool bench_environment() {
    if (chdir(DW_SOURCE_DIR) != 0) {
        std::fprintf(stderr, "bench: cannot enter %s\n", DW_SOURCE_DIR);
        return false;
    }
    return true;
}

// The window as the entry point makes it, headless unless the caller chose a display.
inline bool bench_open_window() {
    return open_headless_window("bench") != nullptr;
}

// Track 0 in place of the random one, so that runs compare; the race state as the intro leaves it.
inline bool bench_use_track0() {
    if (load_full_screen_picture("images/track0.bmp", &track_image) == 0 ||
        load_full_screen_picture("images/intro.bmp", &intro_image) == 0)
        return false;
    player1_laps = player2_laps = 0;
    player1_lap_timer = player2_lap_timer = 0;
    return true;
}

// Both karts driven by the computer at the normal level, as in a race of the computer against
// itself; the track is read from the picture on screen before the first frame.
struct BenchAutopilot {
    TrackSight sight;
    ComputerDriver drivers[2];
    bool seated = false;

    // The keys for the next frame.
    void steer() {
        if (!seated) {
            track_sight_build(&sight, track_image.pixels);
            for (int i = 0; i < 2; ++i)
                drivers[i] = computer_driver_make(i + 1, ComputerLevel::normal, &sight, i + 1);
            seated = true;
        }
        for (ComputerDriver &driver : drivers)
            driver.steer();
    }

    void release_keys() {
        for (ComputerDriver &driver : drivers)
            driver.stop();
    }
};
