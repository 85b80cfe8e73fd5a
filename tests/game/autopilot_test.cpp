// Whole races without a person: the computer drives both karts (the race of the computer against
// itself) through the real race loop (one message, the drivers' keys and one race frame per
// pass), on the virtual clock, to 10 laps and the winner's picture.
#include "tests/game/race_support.h"

#include "game/computer_driver.h"

namespace {

constexpr int frame_limit = 6000;

// Runs after every shown frame; gives up at the limit, and the test then fails on the laps.
void count_frames(const PresentedFrame &, void *user) {
    int &frames = *static_cast<int *>(user);
    if (++frames == frame_limit)
        testing_key(SDL_SCANCODE_ESCAPE, true);
}

struct AutopilotTest : GameTest, ::testing::WithParamInterface<int> {};

} // namespace

TEST_P(AutopilotTest, TheComputerRacesItselfToTenLapsAndTheWinnerScreen) {
    use_track(GetParam());
    testing_record_calls(false);
    computer_drives[0] = computer_drives[1] = true;
    computer_level = ComputerLevel::normal;
    int frames = 0;
    testing_on_present(count_frames, &frames);
    computer_race_start(7);
    EXPECT_EQ(race_loop(), 0);
    computer_race_end();
    testing_on_present(nullptr, nullptr);

    EXPECT_LT(frames, frame_limit);
    // Player 1's laps may count every 150 frames, player 2's only every 250: at the same level
    // kart 1 wins, and kart 2, held up by its lap timer alone, is a lap behind at most.
    EXPECT_EQ(player1_laps, 10);
    EXPECT_GE(player2_laps, 9);

    testing_key(SDL_SCANCODE_Q, true);
    winner_screen_for_laps();
    EXPECT_NE(winner1_image.pixels, nullptr);
    EXPECT_EQ(winner2_image.pixels, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Tracks, AutopilotTest, ::testing::Values(0, 1, 2));
