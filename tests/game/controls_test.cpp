// Rebound keys, gamepads, pause, screenshots and fair laps through the real race frame and events.
#include "tests/game/race_support.h"

#include <filesystem>
#include <unistd.h>

#include "game/fair_laps.h"
#include "game/pause.h"
#include "platform/controls.h"
#include "platform/gamepads.h"
#include "platform/screenshot.h"
#include "tests/support/headless.h"

namespace {

struct Move {
    int dx, dy;
    bool operator==(const Move &) const = default;
};

Move frame_move(BOB &kart) {
    const int x = kart.x, y = kart.y;
    race_frame();
    return {kart.x - x, kart.y - y};
}

void tap(SDL_Scancode scancode) {
    testing_key(scancode, true);
    testing_key(scancode, false);
}

} // namespace

TEST_F(GameTest, AGamepadDrivesKart2AndLetsGoWhenUnplugged) {
    use_blank_track();
    GamepadChoice choices[2];
    choices[0].kind = GamepadChoice::none;
    choices[1].device_index = 0;
    ASSERT_TRUE(gamepads_start(choices, nullptr));
    const int pad = testing_attach_gamepad("test pad");
    ASSERT_GE(pad, 0);
    auto button = [pad](SDL_GameControllerButton b, bool down) {
        testing_joystick_button(pad, b, down);
    };
    constexpr auto x = SDL_CONTROLLER_AXIS_LEFTX, y = SDL_CONTROLLER_AXIS_LEFTY,
                   trigger = SDL_CONTROLLER_AXIS_TRIGGERRIGHT;
    struct Case {
        std::vector<SDL_GameControllerButton> buttons;
        std::vector<std::pair<SDL_GameControllerAxis, int>> axes;
        Move move;
    };
    // The stick: up-left, down a little to the right, inside the dead zone. A virtual trigger
    // spans the whole axis: at rest it is at its lowest.
    const Case cases[] = {
        {{SDL_CONTROLLER_BUTTON_DPAD_RIGHT}, {}, {5, 0}},
        {{}, {{x, -20000}, {y, -20000}}, {-4, -4}},
        {{}, {{x, 6000}, {y, 30000}}, {0, 5}},
        {{}, {{x, 5000}}, {0, 0}},
        {{SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_DPAD_DOWN}, {}, {0, 10}},
        {{SDL_CONTROLLER_BUTTON_DPAD_LEFT}, {{trigger, 30000}}, {-10, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(&c - cases);
        bob_set_position(&kart2, 300, 100);
        for (int on : {1, 0}) {
            for (SDL_GameControllerButton b : c.buttons)
                button(b, on);
            for (const auto &[axis, value] : c.axes)
                testing_joystick_axis(pad, axis, on ? value : axis == trigger ? -32768 : 0);
            EXPECT_EQ(frame_move(kart2), (on ? c.move : Move{0, 0}));
            EXPECT_EQ(player1_moved, 0);
        }
    }

    // Start stands for Enter and space, Back for Escape.
    button(SDL_CONTROLLER_BUTTON_START, true);
    EXPECT_NE(GetAsyncKeyState(VK_RETURN) & GetAsyncKeyState(VK_SPACE) & 0x8000, 0);
    button(SDL_CONTROLLER_BUTTON_START, false);
    button(SDL_CONTROLLER_BUTTON_BACK, true);
    EXPECT_NE(GetAsyncKeyState(VK_ESCAPE) & 0x8000, 0);
    button(SDL_CONTROLLER_BUTTON_BACK, false);

    // Unplugged mid-press: its keys are let go at once.
    button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    EXPECT_EQ(frame_move(kart2), (Move{5, 0}));
    testing_detach_joystick(pad);
    EXPECT_EQ(frame_move(kart2), (Move{0, 0}));
}

TEST_F(GameTest, PauseFreezesTheRaceUntilPressedAgainAndEscapeStillEndsIt) {
    use_blank_track();
    testing_capture_frames(true);
    bob_set_position(&kart1, 300, 300);
    pause_reset();
    key(SDL_SCANCODE_RIGHT, true);
    race_frame();
    tap(SDL_SCANCODE_P);
    testing_clear_recorded_calls();
    EXPECT_EQ(race_paused(), 1);
    const unsigned shown = testing_last_frame().serial;
    const std::string stop =
        "IDirectSoundBuffer::Stop #" + std::to_string(sound_slots[engine_sound].buffer->serial);
    EXPECT_EQ(std::count(testing_recorded_calls().begin(), testing_recorded_calls().end(), stop),
              1);
    const DWORD ticks = GetTickCount();
    const int timer = player1_lap_timer;
    for (int pass = 0; pass < 10; ++pass)
        EXPECT_EQ(race_paused(), 1);
    EXPECT_EQ(std::tie(testing_last_frame().serial, player1_lap_timer), std::tie(shown, timer));
    EXPECT_GE(GetTickCount() - ticks, 10 * 50u); // waited on the virtual clock
    tap(SDL_SCANCODE_P);
    EXPECT_EQ(race_paused(), 0);
    EXPECT_EQ(frame_move(kart1), (Move{5, 0}));

    // Losing the focus pauses; Escape while paused posts the destroy message that ends the race.
    testing_focus_lost();
    EXPECT_EQ(race_paused(), 1);
    key(SDL_SCANCODE_ESCAPE, true);
    EXPECT_EQ(race_paused(), 1);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_DESTROY);
}

TEST_F(GameTest, TheScreenshotKeySavesTheScreenAndItsPaletteAndNeverOverwrites) {
    const std::filesystem::path folder = test_output_dir() + "/shots-" + std::to_string(getpid());
    std::filesystem::remove_all(folder);
    screenshot_folder(folder.c_str());
    testing_capture_frames(true);
    race_frame();
    const PresentedFrame frame = testing_last_frame();
    tap(SDL_SCANCODE_F12);
    tap(SDL_SCANCODE_F12);
    GetAsyncKeyState(VK_SPACE); // the event pump runs
    int saved_files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        BitmapFile saved{};
        ASSERT_EQ(bitmap_file_load(&saved, entry.path().c_str()), 1);
        EXPECT_EQ(std::memcmp(saved.pixels, frame.pixels.data(), 640 * 480), 0);
        for (int i = 0; i < 256; ++i)
            EXPECT_EQ(saved.palette[i].peRed, frame.palette[i].peRed);
        bitmap_file_unload(&saved);
        ++saved_files;
    }
    EXPECT_EQ(saved_files, 2);
    std::filesystem::remove_all(folder);
}

TEST_F(GameTest, FairLapsNeedTheCheckpointAndGiveBothPlayersTheSameWindow) {
    use_blank_track(0); // the finish line everywhere
    fair_laps_track(0);
    fair_laps_enable(true);
    // Away from track 0's checkpoint (320, 382) or both at it, apart; frames wiggled; laps after.
    struct Step {
        bool at_checkpoint;
        int timers, frames, laps;
    };
    const Step steps[] = {
        {false, -1, 300, 0}, // the finish line alone counts nothing
        {true, -1, 1, 1},    // 300 frames since the start: both laps count in that frame
        {false, -1, 200, 1}, // passed once, counted once: the checkpoint is needed again
        {true, 148, 2, 1},   // 150 frames after the last lap is too early for both players
        {true, -1, 1, 2},    // 151 is not
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(&step - steps);
        bob_set_position(&kart1, step.at_checkpoint ? 265 : 100, step.at_checkpoint ? 400 : 100);
        bob_set_position(&kart2, step.at_checkpoint ? 375 : 100, step.at_checkpoint ? 330 : 200);
        if (step.timers >= 0)
            player1_lap_timer = player2_lap_timer = step.timers;
        back_and_forth(0, step.frames - 1, 1);
        EXPECT_EQ(std::tie(player1_laps, player2_laps), std::tie(step.laps, step.laps));
    }
}
