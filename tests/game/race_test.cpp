// The race frame through its real path, with gamepads, pause, screenshots and fair laps.
#include "tests/game/race_support.h"

#include <array>
#include <filesystem>
#include <tuple>
#include <unistd.h>

#include "game/additions/fair_laps.h"
#include "game/additions/pause.h"
#include "game/additions/start_up.h"
#include "platform/additions/gamepads.h"
#include "platform/additions/screenshot.h"
#include "tests/support/headless.h"

namespace {

struct Position {
    int x, y;
    bool operator==(const Position &) const = default;
};
Position at(const BOB &kart) {
    return {kart.x, kart.y};
}
Position frame_move(BOB &kart) {
    const Position from = at(kart);
    race_frame();
    return {kart.x - from.x, kart.y - from.y};
}
void tap(SDL_Scancode scancode) {
    testing_key(scancode, true);
    testing_key(scancode, false);
}

} // namespace

TEST_F(GameTest, AWallUndoesTheMoveFoundInTheProbeRectangleAndBumpsOncePerElevenFrames) {
    use_blank_track();
    paint(281, 60, 281, 140, 29); // just past the first probe's right edge after two moves
    key(SDL_SCANCODE_RIGHT, true);
    race_frame();
    EXPECT_EQ(kart1.x, 240);
    testing_clear_recorded_calls();
    const int tick_before = kart1.anim_tick;
    for (int frame = 0; frame < 12; ++frame) {
        race_frame();
        EXPECT_EQ(at(kart1), (Position{240, 70}));
    }
    // The timer started at 59: the first bump sounds at once, the next when it is above 10.
    EXPECT_EQ(std::tuple(plays(boing_sound), player1_bump_timer), std::tuple(2, 0));
    // Animation counts the frames in which the kart moved, undone or not.
    EXPECT_NE(kart1.anim_tick + 4 * kart1.anim_pos, tick_before);

    // The probe after moving to (240, 70) spans (256, 86) to (280, 126), corners included.
    const std::pair<Position, bool> walls[] = {{{280, 126}, true},  {{256, 86}, true},
                                               {{281, 126}, false}, {{256, 85}, false},
                                               {{255, 100}, false}, {{270, 127}, false}};
    for (const auto &[wall, undone] : walls) {
        use_blank_track();
        paint(wall.x, wall.y, wall.x, wall.y, 29);
        bob_set_position(&kart1, 235, 70);
        ASSERT_EQ(race_frame(), 1);
        EXPECT_EQ(at(kart1), (undone ? Position{235, 70} : Position{240, 70}))
            << "wall at " << wall.x << "," << wall.y;
    }
    // When the back buffer cannot be locked for the kart's probes, the move stands unprobed.
    paint(0, 0, 639, 479, 29);
    bob_set_position(&kart1, 235, 70);
    testing_fail("Lock", 1, 1);
    race_frame();
    race_frame(); // locked again: the wall undoes this move alone
    EXPECT_EQ(kart1.x, 240);
}

// The first row whose keys are all held applies; steps by turbo and terrain; each to its own kart.
TEST_F(GameTest, KeysTakeTheFirstMatchingRowAndTurboOverridesTerrain) {
    use_blank_track();
    bob_set_position(&kart1, 100, 300);
    bob_set_position(&kart2, 400, 300);
    constexpr SDL_Scancode right = SDL_SCANCODE_RIGHT, left = SDL_SCANCODE_LEFT,
                           up = SDL_SCANCODE_UP, down = SDL_SCANCODE_DOWN, d = SDL_SCANCODE_D,
                           w = SDL_SCANCODE_W, a = SDL_SCANCODE_A, turbo1 = SDL_SCANCODE_N,
                           turbo2 = SDL_SCANCODE_B;
    struct Case {
        std::vector<SDL_Scancode> keys;
        int terrain1, terrain2;
        Position move1, move2;
    };
    const Case cases[] = {
        {{right, left}, 0, 0, {5, 0}, {0, 0}},
        {{up, down}, 0, 0, {0, -5}, {0, 0}},
        {{up, down, left, right}, 0, 0, {4, -4}, {0, 0}},
        {{right, left, down}, 0, 0, {-4, 4}, {0, 0}},
        {{left}, 0, 0, {-5, 0}, {0, 0}},
        {{down, right}, 0, 0, {4, 4}, {0, 0}},
        {{w, a}, 0, 0, {0, 0}, {-4, -4}},
        {{SDL_SCANCODE_S}, 0, 0, {0, 0}, {0, 5}},
        {{right, d}, 1, 0, {7, 0}, {5, 0}},
        {{right, d}, 0, 1, {5, 0}, {7, 0}},
        {{right, d, turbo1}, 0, 1, {10, 0}, {5, 0}},
        {{right, d, turbo2}, 1, 1, {5, 0}, {10, 0}},
        {{right, d, turbo1, turbo2}, 1, 1, {10, 0}, {10, 0}},
        // Diagonals: 4 plain, 7 on terrain, 5 with turbo.
        {{right, up, d, w}, 1, 0, {7, -7}, {4, -4}},
        {{right, up, d, w, turbo2}, 1, 1, {4, -4}, {5, -5}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(&c - cases);
        player1_on_terrain = c.terrain1;
        player2_on_terrain = c.terrain2;
        const Position from1 = at(kart1), from2 = at(kart2);
        frame_holding(c.keys);
        EXPECT_EQ(std::tuple(at(kart1), at(kart2), player1_moved),
                  std::tuple(Position{from1.x + c.move1.x, from1.y + c.move1.y},
                             Position{from2.x + c.move2.x, from2.y + c.move2.y},
                             c.move1.x || c.move1.y));
    }
}

TEST_F(GameTest, LapsCountOnlyPastTheirTimerLimitInEitherDirection) {
    use_blank_track(0); // finish line everywhere
    bob_set_position(&kart1, 300, 300);
    bob_set_position(&kart2, 300, 100);
    // Either direction counts: player 1's laps in frames 151 and 302, player 2's in frame 251.
    const std::array<int, 3> checks[] = {
        {150, 0, 0}, {151, 1, 0}, {250, 1, 0}, {251, 1, 1}, {320, 2, 1}};
    int done = 0;
    for (const auto &[frame, laps1, laps2] : checks) {
        back_and_forth(done + 1, frame, 20);
        done = frame;
        EXPECT_EQ(std::tie(player1_laps, player2_laps), std::tie(laps1, laps2)) << frame;
    }
    EXPECT_EQ(player1_lap_timer, 320 - 302);
}

TEST_F(GameTest, ContactUndoesOnXThenOnYAndAfterTheWallUndo) {
    struct Case {
        Position kart1, kart2;
        std::vector<SDL_Scancode> keys;
        bool wall;
        Position after;
    };
    const Case cases[] = {
        {{263, 70}, {300, 80}, {SDL_SCANCODE_RIGHT}, false, {263, 70}}, // the x undo is enough
        {{235, 93}, {235, 130}, {SDL_SCANCODE_DOWN}, false, {235, 93}}, // the y undo takes it back
        {{270, 100}, {300, 130}, {SDL_SCANCODE_RIGHT, SDL_SCANCODE_DOWN}, false, {270, 100}},
        {{240, 70}, {270, 40}, {SDL_SCANCODE_RIGHT}, true, {235, 70}}, // wall, then x: behind
    };
    for (const Case &c : cases) {
        use_blank_track();
        if (c.wall)
            paint(281, 60, 281, 140, 29);
        bob_set_position(&kart1, c.kart1.x, c.kart1.y);
        bob_set_position(&kart2, c.kart2.x, c.kart2.y);
        frame_holding(c.keys);
        EXPECT_EQ(at(kart1), c.after) << "from " << c.kart1.x << "," << c.kart1.y;
        if (&c == &cases[0]) {
            EXPECT_EQ(plays(boing_sound), 1);
        }
    }
}

// Sequence i shows frames 4i, 4i+1, 4i, 4i+2 (both karts); each key row picks one off terrain and
// one on it; on terrain it restarts every frame and shows entry 1 once the delay has run out.
TEST_F(GameTest, SequencesFollowTheHeadingAndRestartOnTerrain) {
    for (const BOB *kart : {&kart1, &kart2})
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 5; ++j)
                EXPECT_EQ(kart->anims[i][j], j == 4 ? -1 : 4 * i + (j == 3 ? 2 : j % 2))
                    << "kart " << (kart == &kart1 ? 1 : 2) << " sequence " << i << " entry " << j;
    constexpr SDL_Scancode r = SDL_SCANCODE_RIGHT, l = SDL_SCANCODE_LEFT, u = SDL_SCANCODE_UP,
                           d = SDL_SCANCODE_DOWN;
    const std::tuple<std::vector<SDL_Scancode>, int, int> rows[] = {
        {{r, u}, 1, 0}, {{l, u}, 3, 2}, {{l, d}, 5, 4}, {{r, d}, 7, 6},
        {{r}, 0, 7},    {{l}, 4, 5},    {{u}, 2, 1},    {{d}, 6, 5}};
    for (int terrain : {0, 1}) {
        SCOPED_TRACE(terrain);
        use_blank_track(terrain ? 42 : 100);
        bob_set_position(&kart1, 300, 300);
        frame_holding({r}); // the move that finds the terrain or not
        for (const auto &row : rows) {
            frame_holding(std::get<0>(row));
            EXPECT_EQ(kart1.curr_anim, terrain ? std::get<2>(row) : std::get<1>(row))
                << "row " << &row - rows;
        }
        for (int i = 0; i < 12; ++i)
            frame_holding({r});
        EXPECT_EQ(std::tie(kart1.curr_anim, player1_on_terrain),
                  std::make_tuple(terrain ? 7 : 0, terrain));
        EXPECT_TRUE(terrain ? kart1.curr_frame == 29 : kart1.anim_pos != 0);
    }
}

// A still frame plays and animates nothing; the engine sounds every moving frame, mud by timers.
TEST_F(GameTest, SoundsFollowMovesAndTheirTimers) {
    use_blank_track(24); // mud everywhere
    bob_set_position(&kart2, 100, 300);
    const int frame_before = kart1.curr_frame, tick_before = kart1.anim_tick;
    testing_clear_recorded_calls();
    race_frame();
    EXPECT_EQ(std::tuple(plays(engine_sound) + plays(mud_sound) + plays(boing_sound),
                         kart1.anim_tick, kart1.curr_frame),
              std::tuple(0, tick_before, frame_before));
    key(SDL_SCANCODE_RIGHT, true);
    key(SDL_SCANCODE_D, true);
    for (int frame = 1; frame <= 40; ++frame)
        race_frame();
    // Mud timers: player 1's from 59 (at once, then 31 frames on), player 2's from 0 (above 30).
    EXPECT_EQ(std::tuple(plays(engine_sound), plays(mud_sound), plays(turn_sound),
                         player1_on_terrain + player2_on_terrain),
              std::tuple(40, 3, 0, 2));
}

TEST_F(GameTest, AGamepadDrivesKart2AndLetsGoWhenUnplugged) {
    use_blank_track();
    GamepadChoice choices[2];
    choices[0].kind = GamepadChoice::none;
    choices[1].device_index = 0;
    ASSERT_TRUE(start_up_gamepads(choices, nullptr));
    const int pad = testing_attach_gamepad("test pad");
    auto button = [pad](SDL_GameControllerButton b, bool down) {
        testing_joystick_button(pad, b, down);
    };
    constexpr auto x = SDL_CONTROLLER_AXIS_LEFTX, y = SDL_CONTROLLER_AXIS_LEFTY,
                   trigger = SDL_CONTROLLER_AXIS_TRIGGERRIGHT;
    struct Case {
        std::vector<SDL_GameControllerButton> buttons;
        std::vector<std::pair<SDL_GameControllerAxis, int>> axes;
        Position move;
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
            EXPECT_EQ(frame_move(kart2), (on ? c.move : Position{0, 0}));
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
    EXPECT_EQ(frame_move(kart2), (Position{5, 0}));
    testing_detach_joystick(pad);
    EXPECT_EQ(frame_move(kart2), (Position{0, 0}));
}

TEST_F(GameTest, PauseFreezesTheRaceUntilPressedAgainAndEscapeStillEndsIt) {
    use_blank_track();
    testing_capture_frames(true);
    pause_reset();
    key(SDL_SCANCODE_RIGHT, true);
    race_frame();
    tap(SDL_SCANCODE_P);
    testing_clear_recorded_calls();
    EXPECT_EQ(race_paused(), 1);
    const unsigned shown = testing_last_frame().serial;
    EXPECT_EQ(calls_starting("IDirectSoundBuffer::Stop #" + serial(engine_sound)), 1);
    const DWORD ticks = GetTickCount();
    const int timer = player1_lap_timer;
    for (int pass = 0; pass < 10; ++pass)
        EXPECT_EQ(race_paused(), 1);
    EXPECT_EQ(std::tie(testing_last_frame().serial, player1_lap_timer), std::tie(shown, timer));
    EXPECT_GE(GetTickCount() - ticks, 10 * 50u); // waited on the virtual clock
    tap(SDL_SCANCODE_P);
    EXPECT_EQ(race_paused(), 0);

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
    fair_laps_track(3); // no such track: track 0's checkpoint stays
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
