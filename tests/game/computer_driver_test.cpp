// The computer driver through the real race frame on the virtual clock: each level's 10-lap time
// alone on every track lies in its band from either start place; it gets round the other kart
// parked on its line and out of a corner it was pushed into; each level beats the one below.
#include "tests/game/race_support.h"

#include <algorithm>
#include <utility>

#include "game/computer_driver.h"

namespace {

constexpr ComputerLevel levels[] = {ComputerLevel::easy, ComputerLevel::normal,
                                    ComputerLevel::hard};
constexpr int start_y[2] = {70, 23};
constexpr int bottom_straight = 300; // every track's far side lies below this line

struct Outcome {
    int frames = 0; // until the laps wanted, or the limit
    int laps = 0;
    bool went_round = true; // below the bottom straight between every two counted laps
    int turbo_frames = 0;
    std::vector<std::pair<int, int>> places;
};

struct ComputerTest : GameTest {
    TrackSight sight;

    void use(int track) {
        use_track(track);
        testing_record_calls(false);
        track_sight_build(&sight, track_image.pixels);
    }

    // The computer alone in the player's kart (the other kart off the screen, or parked), from
    // the player's start place unless told otherwise.
    Outcome race(int player, ComputerLevel level, std::uint32_t seed, int laps_wanted, int limit,
                 std::pair<int, int> parked = {-300, -300}, std::pair<int, int> from = {0, 0}) {
        BOB &own = player == 1 ? kart1 : kart2;
        BOB &other = player == 1 ? kart2 : kart1;
        bob_set_position(&own, 235, start_y[player - 1]);
        if (from.first != 0)
            bob_set_position(&own, from.first, from.second);
        bob_set_position(&other, parked.first, parked.second);
        player1_laps = player2_laps = 0;
        player1_lap_timer = player2_lap_timer = 0;
        const int &laps = player == 1 ? player1_laps : player2_laps;
        ComputerDriver driver = computer_driver_make(player, level, &sight, seed);
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
            }
            outcome.places.emplace_back(own.x, own.y);
        }
        driver.stop();
        return outcome;
    }

    // The fewest frames 10 laps can take in the player's kart: its lap timer's limit.
    static int floor_frames(int player) {
        return 10 * ((player == 1 ? player1_lap_limit : player2_lap_limit) + 1);
    }
    // 10 laps along the quickest way over terrain at the plain speed, as the picture times it.
    double line_frames() const { return 10.0 * sight.racing.lap / sight_frame; }
};

struct LevelBands : ComputerTest, ::testing::WithParamInterface<std::tuple<int, int>> {};

} // namespace

// Bands, with F the player's fewest possible frames (1510 or 2510) and R the quickest way over
// terrain without turbo: hard within 2 % of F; normal from 0.97 to 1.12 times the larger of F and
// R; easy at least 1.25 times that and at most twice it. The level's two start places alternate
// over the tracks.
TEST_P(LevelBands, TenLapsAloneTakeTheLevelsTime) {
    const auto [track, level_index] = GetParam();
    const ComputerLevel level = levels[level_index];
    const int player = (track + level_index) % 2 + 1;
    use(track);
    const Outcome outcome = race(player, level, 1, 10, 6000);
    ASSERT_EQ(outcome.laps, 10);
    EXPECT_TRUE(outcome.went_round) << "a lap counted without going round the track";
    const double floor = floor_frames(player);
    const double reference = std::max(floor, line_frames());
    const double frames = outcome.frames;
    std::printf("track %d, level %d, player %d: %d frames (F %.0f, R %.0f)\n", track, level_index,
                player, outcome.frames, floor, line_frames());
    // Turbo is hard's alone; it always pays in kart 1, whose laps may count every 150 frames.
    if (level != ComputerLevel::hard || player == 1) {
        EXPECT_EQ(outcome.turbo_frames > 0, level == ComputerLevel::hard);
    }
    switch (level) {
    case ComputerLevel::hard:
        EXPECT_LE(frames, 1.02 * floor);
        break;
    case ComputerLevel::normal:
        EXPECT_GE(frames, 0.97 * reference);
        EXPECT_LE(frames, 1.12 * reference);
        break;
    case ComputerLevel::easy:
        EXPECT_GE(frames, 1.25 * reference);
        EXPECT_LE(frames, 2.0 * reference);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(TracksAndLevels, LevelBands,
                         ::testing::Combine(::testing::Values(0, 1, 2),
                                            ::testing::Values(0, 1, 2)));

struct GettingUnstuck : ComputerTest, ::testing::WithParamInterface<int> {};

// The other kart stands on the computer's own line at a quarter, a half and three quarters of
// its lap, and the computer still completes the lap within half as long again as alone; pushed
// into the track's corner nearest the screen's top-left, it comes out and completes a lap as fast.
TEST_P(GettingUnstuck, GetsRoundTheOtherKartAndOutOfACorner) {
    const int track = GetParam();
    const int player = track % 2 + 1;
    use(track);
    const Outcome alone = race(player, ComputerLevel::normal, 1, 1, 1000);
    ASSERT_EQ(alone.laps, 1);
    const int budget = alone.frames * 3 / 2;
    for (int quarter = 1; quarter <= 3; ++quarter) {
        const auto parked = alone.places[alone.places.size() * quarter / 4];
        const Outcome blocked = race(player, ComputerLevel::normal, 1, 1, budget, parked);
        EXPECT_EQ(blocked.laps, 1)
            << "held up by the kart parked at " << parked.first << "," << parked.second;
    }
    std::pair<int, int> corner{0, 0};
    for (int y = TrackSight::top; y < TrackSight::top + TrackSight::height; ++y)
        for (int x = TrackSight::left; x < TrackSight::left + TrackSight::width; ++x)
            if (sight.time_at(sight.racing, x, y) < TrackSight::unreachable &&
                (corner.first == 0 || x + y < corner.first + corner.second))
                corner = {x, y};
    const Outcome pushed = race(player, ComputerLevel::normal, 1, 1, budget, {-300, -300}, corner);
    EXPECT_EQ(pushed.laps, 1) << "stuck in the corner at " << corner.first << "," << corner.second;
}

INSTANTIATE_TEST_SUITE_P(Tracks, GettingUnstuck, ::testing::Values(0, 1, 2));

// Ten seeded one-lap time trials in kart 1, seed s on track s mod 3: each level is quicker than
// the one below it in more than five. (Racing each other, the karts' lap timers would decide:
// player 2's laps count at most every 250 frames, player 1's every 150.)
TEST_F(ComputerTest, EachLevelBeatsTheOneBelowMoreOftenThanNot) {
    int wins[2] = {0, 0}; // normal over easy, hard over normal
    for (std::uint32_t seed = 0; seed < 10; ++seed) {
        use(static_cast<int>(seed % 3));
        int frames[3];
        for (int l = 0; l < 3; ++l)
            frames[l] = race(1, levels[l], seed, 1, 1000).frames;
        for (int l = 0; l < 2; ++l)
            wins[l] += frames[l + 1] < frames[l] ? 1 : 0;
    }
    EXPECT_GT(wins[0], 5);
    EXPECT_GT(wins[1], 5);
}
