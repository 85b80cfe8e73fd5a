// Whole races without a person: an automatic driver follows each track's racing line with both
// karts, through the real race loop (one message and one race frame per pass), on the virtual
// clock, to 10 laps and the winner's picture.
#include "tests/game/race_support.h"

#include "tools/track_driver.h"

namespace {

constexpr int frame_limit = 20000;
constexpr int kart2_head_start = 60; // frames kart2 waits, so the two do not fight for the line

struct Race {
    const TrackPath *path;
    TrackDriver drivers[2];
    int frames = 0;
};

// Runs after every shown frame: the keys for the next one.
void drive(const PresentedFrame &, void *user) {
    Race &race = *static_cast<Race *>(user);
    ++race.frames;
    race.drivers[0].steer(*race.path, false);
    race.drivers[1].steer(*race.path, race.frames < kart2_head_start);
    if (race.frames == frame_limit)
        testing_key(SDL_SCANCODE_ESCAPE, true); // give up: the test then fails on the laps
}

struct AutopilotTest : GameTest, ::testing::WithParamInterface<int> {};

} // namespace

TEST_P(AutopilotTest, BothKartsRaceTenLapsToTheWinnerScreen) {
    const int track = GetParam();
    use_track(track);
    Race race{&track_paths[track], {player1_driver(&kart1), player2_driver(&kart2)}};
    testing_record_calls(false);
    testing_on_present(drive, &race);
    race.drivers[0].steer(*race.path, false);
    EXPECT_EQ(race_loop(), 0);
    testing_on_present(nullptr, nullptr);

    EXPECT_LT(race.frames, frame_limit);
    EXPECT_EQ(player1_laps, 10);
    // Kart2 follows a little behind and has completed its laps but the last.
    EXPECT_EQ(player2_laps, 9);
    // Each lap takes more than the 250 frames player 2 needs between laps.
    EXPECT_GT(race.frames, 10 * 250);

    testing_key(SDL_SCANCODE_Q, true);
    winner_screen_for_laps();
    EXPECT_NE(winner1_image.pixels, nullptr);
    EXPECT_EQ(winner2_image.pixels, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Tracks, AutopilotTest, ::testing::Values(0, 1, 2));
