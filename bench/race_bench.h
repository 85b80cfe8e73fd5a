// What the benchmark programs share: the game set up as the program sets it up (its window class
// and window, game_init) with the committed assets, headless unless the caller chose a display,
// and an automatic driver that steers both karts along the track's racing line between frames.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "engine/display/display.h"
#include "game/main.h"
#include "game/race.h"
#include "game/setup.h"
#include "platform/testing.h"
#include "tools/track_paths.h"

// SDL scancodes (the USB keyboard usage numbers) of the keys the driver holds.
constexpr int scancode_a = 4;
constexpr int scancode_d = 7;
constexpr int scancode_s = 22;
constexpr int scancode_w = 26;
constexpr int scancode_return = 40;
constexpr int scancode_right = 79;
constexpr int scancode_left = 80;
constexpr int scancode_down = 81;
constexpr int scancode_up = 82;

// SDL's dummy video driver and OpenAL's null device unless the caller set others; the assets are
// read relative to the repository root.
inline bool bench_environment() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    if (chdir(DW_SOURCE_DIR) != 0) {
        std::fprintf(stderr, "bench: cannot enter %s\n", DW_SOURCE_DIR);
        return false;
    }
    return true;
}

// The window as the entry point makes it; main_window and main_instance set.
inline bool bench_open_window() {
    WNDCLASS window_class{};
    window_class.lpfnWndProc = window_proc;
    window_class.lpszClassName = "WINXCLASS";
    if (RegisterClassA(&window_class) == 0)
        return false;
    main_instance = GetModuleHandleA(nullptr);
    main_window = CreateWindowExA(0, "WINXCLASS", "Dirtwhirl v1.0", WS_POPUP | WS_VISIBLE, 0, 0, 64,
                                  48, nullptr, nullptr, main_instance, nullptr);
    if (main_window == nullptr)
        std::fprintf(stderr, "bench: no window: %s\n", window_last_error());
    return main_window != nullptr;
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

// Holds one kart's keys toward the next waypoint of the racing line.
struct BenchDriver {
    BOB *kart;
    int left, right, up, down;
    int next = 0;
    DriverKeys held{0, 0};

    void steer(const TrackPath &path) {
        if (track_waypoint_reached(kart->x, kart->y, path.points[next]))
            next = (next + 1) % path.count;
        const DriverKeys keys = track_driver_keys(kart->x, kart->y, path.points[next]);
        if (keys.x != held.x) {
            testing_key(left, keys.x < 0);
            testing_key(right, keys.x > 0);
        }
        if (keys.y != held.y) {
            testing_key(up, keys.y < 0);
            testing_key(down, keys.y > 0);
        }
        held = keys;
    }

    void release_keys() {
        for (int key : {left, right, up, down})
            testing_key(key, false);
        held = DriverKeys{0, 0};
    }
};

// Both karts along track 0's line; kart2 starts a little later so that the two do not fight for
// the line from the start.
struct BenchAutopilot {
    static constexpr int kart2_head_start = 60;
    BenchDriver kart1_driver{&kart1, scancode_left, scancode_right, scancode_up, scancode_down};
    BenchDriver kart2_driver{&kart2, scancode_a, scancode_d, scancode_w, scancode_s};
    int frames = 0;

    // The keys for the next frame.
    void steer() {
        kart1_driver.steer(track_paths[0]);
        if (frames >= kart2_head_start)
            kart2_driver.steer(track_paths[0]);
        ++frames;
    }

    void release_keys() {
        kart1_driver.release_keys();
        kart2_driver.release_keys();
    }
};
