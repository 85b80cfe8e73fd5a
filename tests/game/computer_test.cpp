// The computer at the wheel through the real race frame on the virtual clock, on every track.
#include "tests/game/race_support.h"

#include <algorithm>

#include "game/additions/computer_driver.h"
#include "game/additions/race_loop.h"
#include "game/screens.h"

namespace {

constexpr int bottom_straight = 300; // every track's far side lies below this line

struct Outcome {
    int frames = 0, laps = 0, turbo_frames = 0; // frames: until the laps wanted, or the limit
    int first_lap = 0;                          // frames to the first counted lap
    bool went_round = true; // below the bottom straight between every two counted laps
    std::vector<std::pair<int, int>> places;
};

struct ComputerTest : GameTest, ::testing::WithParamInterface<int> {
    TrackSight sight;

    // The computer alone in the player's kart (the other off the screen or parked).
    Outcome race(int player, ComputerLevel level, int laps_wanted, int limit,
                 std::pair<int, int> parked = {-300, -300}, std::pair<int, int> from = {0, 0}) {
        BOB &own = player == 1 ? kart1 : kart2;
        from = from.first ? from : std::pair{235, player == 1 ? 70 : 23}; // the start place
        bob_set_position(&own, from.first, from.second);
        bob_set_position(player == 1 ? &kart2 : &kart1, parked.first, parked.second);
        player1_laps = player2_laps = player1_lap_timer = player2_lap_timer = 0;
        const int &laps = player == 1 ? player1_laps : player2_laps;
        ComputerDriver driver = computer_driver_make(player, level, &sight, 1);
        Outcome outcome;
        bool below = false;
        while (outcome.laps < laps_wanted && outcome.frames < limit) {
            driver.steer();
            outcome.turbo_frames += (GetAsyncKeyState(player == 1 ? 'N' : 'B') & 0x8000) ? 1 : 0;
            race_frame();
            ++outcome.frames;
            below = below || own.y > bottom_straight;
            if (laps != outcome.laps) {
                outcome.went_round = outcome.went_round && below;
                below = false;
                outcome.laps = laps;
                outcome.first_lap = outcome.first_lap ? outcome.first_lap : outcome.frames;
            }
            outcome.places.emplace_back(own.x, own.y);
        }
        driver.stop();
        return outcome;
    }
};

// Runs after every shown frame; gives up at 6000, and the test then fails on the laps.
void count_frames(const PresentedFrame &, void *user) {
    if (++*static_cast<int *>(user) == 6000)
        testing_key(SDL_SCANCODE_ESCAPE, true);
}

} // namespace

// F: the fewest frames the lap timer allows; R: the quickest way without turbo. Hard within 2 % of
// F; normal 0.97 to 1.12 times the larger of F and R; easy 1.25 to 2 times that.
TEST_P(ComputerTest, EachLevelLapsAloneInItsBandAndNormalGetsRoundTrouble) {
    const int track = GetParam(), player = track % 2 + 1;
    use_track(track);
    testing_record_calls(false);
    track_sight_build(&sight, track_image.pixels);
    constexpr int laps = 5;
    const double floor = laps * ((player == 1 ? player1_lap_limit : player2_lap_limit) + 1);
    const double reference = std::max(floor, laps * double(sight.racing.lap) / sight_frame);
    const double bands[3][2] = {
        {1.25 * reference, 2 * reference}, {0.97 * reference, 1.12 * reference}, {0, 1.02 * floor}};
    Outcome outcomes[3];
    for (int level = 0; level < 3; ++level) {
        SCOPED_TRACE(testing::Message()
                     << "level " << level << ", F " << floor << ", R " << reference);
        const Outcome &outcome = outcomes[level] =
            race(player, static_cast<ComputerLevel>(level), laps, 6000);
        ASSERT_EQ(outcome.laps, laps);
        EXPECT_TRUE(outcome.went_round) << "a lap counted without going round the track";
        EXPECT_TRUE(outcome.frames >= bands[level][0] && outcome.frames <= bands[level][1])
            << outcome.frames << " frames";
        // Turbo is hard's alone; it always pays in kart 1, whose laps may count every 150 frames.
        EXPECT_TRUE(outcome.turbo_frames > 0 ? level == 2 : level != 2 || player == 2);
    }
    // Each level is quicker than the one below (in kart 2, hard and normal both meet its timer).
    EXPECT_LT(outcomes[1].frames, outcomes[0].frames);
    EXPECT_TRUE(player == 2 || outcomes[2].frames < outcomes[1].frames);

    // Normal gets round the other kart parked on its line at 1/4, 1/2, 3/4 of its first lap, and
    // out of the corner nearest the top left, within half as long again.
    const Outcome &alone = outcomes[1];
    const int budget = alone.first_lap * 3 / 2;
    for (int quarter = 1; quarter <= 3; ++quarter) {
        const auto parked = alone.places[alone.first_lap * quarter / 4];
        EXPECT_EQ(race(player, ComputerLevel::normal, 1, budget, parked).laps, 1)
            << "held up by the kart parked at " << parked.first << "," << parked.second;
    }
    std::pair<int, int> corner{0, 0};
    for (int y = TrackSight::top; y < TrackSight::top + TrackSight::height; ++y)
        for (int x = TrackSight::left; x < TrackSight::left + TrackSight::width; ++x)
            if (sight.time_at(sight.racing, x, y) < TrackSight::unreachable &&
                (corner.first == 0 || x + y < corner.first + corner.second))
                corner = {x, y};
    EXPECT_EQ(race(player, ComputerLevel::normal, 1, budget, {-300, -300}, corner).laps, 1)
        << "stuck in the corner at " << corner.first << "," << corner.second;
}

TEST_P(ComputerTest, TheComputerRacesItselfToTenLapsAndTheWinnerScreen) {
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
    EXPECT_LT(frames, 6000);
    // Kart 1 wins; kart 2, held up by its lap timer alone, is a lap behind at most.
    EXPECT_EQ(player1_laps, 10);
    EXPECT_GE(player2_laps, 9);
    // The winner's picture, for these laps and others: the player with more laps, else kart 2's.
    testing_key(SDL_SCANCODE_Q, true); // the screens end at their first key test
    for (const auto &[laps1, laps2] :
         {std::pair{player1_laps, player2_laps}, {9, 10}, {10, 10}, {3, 5}, {0, 0}, {4, 2}}) {
        player1_laps = laps1;
        player2_laps = laps2;
        winner_screen_for_laps();
        EXPECT_EQ(std::pair(winner1_image.pixels != nullptr, winner2_image.pixels != nullptr),
                  std::pair(laps1 > laps2, laps1 <= laps2))
            << laps1 << ":" << laps2;
        image_destroy(&winner1_image);
        image_destroy(&winner2_image);
    }
}

INSTANTIATE_TEST_SUITE_P(Tracks, ComputerTest, ::testing::Values(0, 1, 2));
