// The program's window and set-up, headless on the counted clock; keys as SDL events.
#pragma once

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/display/display.h"
#include "engine/sound/sound.h"
#include "game/race.h"
#include "game/race_state.h"
#include "game/setup.h"
#include "tools/headless_game.h"

struct GameTest : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(open_headless_game("test"));
        ASSERT_EQ(game_init(), 1);
        player1_laps = player2_laps = player1_lap_timer = player2_lap_timer = 0; // as the intro
        testing_record_calls(true);
    }
    void TearDown() override {
        testing_record_calls(false);
        game_shutdown();
    }

    // Puts track i in place of the random one, in the intro's palette as the game has it.
    static void use_track(int index) {
        const std::string name = "images/track" + std::to_string(index) + ".bmp";
        ASSERT_EQ(load_full_screen_picture(name.c_str(), &track_image), 1);
        ASSERT_EQ(load_full_screen_picture("images/intro.bmp", &intro_image), 1);
    }

    // A plain map of one colour that means nothing, for tests that paint their own features.
    static void use_blank_track(BYTE color = 100) {
        std::memset(track_image.pixels, color, 640 * 480);
    }
    static void paint(int x1, int y1, int x2, int y2, BYTE color) {
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x)
                track_image.pixels[y * 640 + x] = color;
    }

    static void key(SDL_Scancode scancode, bool down) { testing_key(scancode, down); }

    // One race frame with the keys held, released after it; what the frame returned.
    static int frame_holding(const std::vector<SDL_Scancode> &keys) {
        for (SDL_Scancode k : keys)
            key(k, true);
        const int result = race_frame();
        for (SDL_Scancode k : keys)
            key(k, false);
        return result;
    }

    // Race frames first to last, both karts driving right and left by turns of `period` frames.
    static void back_and_forth(int first, int last, int period) {
        for (int frame = first; frame <= last; ++frame) {
            const bool left = (frame / period) % 2 == 1;
            key(left ? SDL_SCANCODE_RIGHT : SDL_SCANCODE_LEFT, false);
            key(left ? SDL_SCANCODE_LEFT : SDL_SCANCODE_RIGHT, true);
            key(left ? SDL_SCANCODE_D : SDL_SCANCODE_A, false);
            key(left ? SDL_SCANCODE_A : SDL_SCANCODE_D, true);
            race_frame();
        }
    }

    // Recorded platform calls that begin so, since the record was last cleared.
    static int calls_starting(const std::string &prefix) {
        const auto &calls = testing_recorded_calls();
        return std::count_if(calls.begin(), calls.end(),
                             [&](const std::string &line) { return line.rfind(prefix, 0) == 0; });
    }
    static std::string serial(int slot) { return std::to_string(sound_slots[slot].buffer->serial); }
    static int plays(int slot) {
        return calls_starting("IDirectSoundBuffer::Play #" + serial(slot) + " ");
    }
};
