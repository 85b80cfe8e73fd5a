// Replays through the real program: a changed frame is named, every kind of damaged file refused.
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/additions/replay_drive.h"
#include "tests/game/race_support.h"
#include "tests/support/headless.h"

namespace {

struct ProgramRun {
    int exit_code;
    std::string output;
};

// The program, headless, on a file holding `bytes`, with its standard output and error.
ProgramRun run_game(const char *option, const std::vector<std::uint8_t> *bytes) {
    std::filesystem::create_directories(test_output_dir());
    const std::string path = test_output_dir() + "/damaged.dwr";
    std::remove(path.c_str());
    if (bytes)
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes->data()), bytes->size());
    const std::string command =
        std::string(DW_BINARY_DIR) + "/dirtwhirl " + option + " " + path + " 2>&1";
    ProgramRun run{-1, ""};
    std::FILE *pipe = popen(command.c_str(), "r");
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        run.output += buffer;
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace

// The playback's picture hashes are the golden replays' business; here what a recording reads.
TEST_F(GameTest, ARecordingHoldsTheRaceKeysEachFrameRead) {
    use_blank_track();
    race_track = 2;
    const std::pair<std::vector<SDL_Scancode>, int> frames[] = {
        {{}, 0},
        {{SDL_SCANCODE_RIGHT, SDL_SCANCODE_D}, 0x11},
        {{SDL_SCANCODE_LEFT, SDL_SCANCODE_UP, SDL_SCANCODE_DOWN, SDL_SCANCODE_A, SDL_SCANCODE_W,
          SDL_SCANCODE_S, SDL_SCANCODE_N, SDL_SCANCODE_B, SDL_SCANCODE_ESCAPE, SDL_SCANCODE_Q},
         0x7EE}};
    replay_record_begin();
    for (const auto &[keys, bits] : frames)
        replay_record_after_frame(frame_holding(keys));
    const std::string path = test_output_dir() + "/recorded.dwr";
    player2_laps = 3;
    ASSERT_TRUE(replay_record_end(path.c_str()));
    Replay replay;
    std::string error;
    ASSERT_TRUE(replay_load(path.c_str(), replay, error)) << error;
    EXPECT_EQ(std::tie(replay.track, replay.player1_laps, replay.player2_laps),
              std::make_tuple(2, 0, 3));
    ASSERT_EQ(replay.frames.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(replay.frames[i].keys, frames[i].second) << i;
    EXPECT_NE(replay.frames[1].hash, replay.frames[0].hash);
}

TEST(ReplayFiles, EachKindOfDamageIsRefusedWithItsReasonAndExitCode2) {
    std::ifstream in(DW_SOURCE_DIR "/tests/replays/track1_escape.dwr", std::ios::binary);
    const std::vector<std::uint8_t> good{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(good.size(), 8 + 11 + 242 * 6 + 16u);
    const std::size_t frames_at = 8 + 11;
    auto changed = [&](std::size_t at, std::uint8_t value, std::size_t count = 1) {
        std::vector<std::uint8_t> bytes = good;
        std::fill_n(&bytes.at(at), count, value);
        return bytes;
    };
    auto cut = [&](std::size_t size) {
        return std::vector<std::uint8_t>(good.begin(), good.begin() + size);
    };
    std::vector<std::uint8_t> longer = good, padded = good;
    longer.insert(longer.end() - 16, {0, 0, 0, 0, 0, 0});
    padded.push_back(0);
    // First: frame 40 with no keys held (kart 1 drives there), frame 100's picture hash changed.
    struct Case {
        std::vector<std::uint8_t> bytes;
        const char *says;
        int exit_code = 2;
    };
    const Case cases[] = {
        {changed(frames_at + 39 * 6, 0, 2), "at frame 40 of 242\n", 3},
        {changed(frames_at + 99 * 6 + 2, good[frames_at + 99 * 6 + 2] ^ 1), "at frame 100 of 242\n",
         3},
        {{}, "not a Dirtwhirl replay"},
        {changed(3, 'Q'), "not a Dirtwhirl replay"},
        {cut(6), "truncated"},  // inside the header
        {cut(12), "truncated"}, // inside the key table
        {cut(good.size() / 2), "truncated or damaged"},
        {longer, "the trailer counts 242 frames"},
        {padded, "truncated or damaged"},
        {changed(4, 2), "replay version 2; this program plays version 1"},
        {changed(6, 3), "track 3 does not exist"},
        {changed(9, 0x10), "key code 16 is not a race key"}, // Q
        {changed(9, 205), "key code 205 is listed twice"},
        {changed(frames_at + 5 * 6 + 1, 0x08), "frame 6 holds a key that is not in the key table"},
        {changed(good.size() - 12, 11), "more than a race has"},
    };
    for (const Case &c : cases) {
        const ProgramRun run = run_game("--timedemo", &c.bytes);
        SCOPED_TRACE(testing::Message() << c.says << ": " << run.output);
        EXPECT_EQ(run.exit_code, c.exit_code);
        EXPECT_NE(run.output.find(c.says), std::string::npos);
        EXPECT_TRUE(c.exit_code == 3 ||
                    std::count(run.output.begin(), run.output.end(), '\n') == 1);
    }
    const ProgramRun missing = run_game("--play", nullptr);
    EXPECT_EQ(missing.exit_code, 2);
    EXPECT_NE(missing.output.find("not found"), std::string::npos) << missing.output;
    Replay replay;
    std::string error;
    EXPECT_TRUE(replay_parse(good.data(), good.size(), replay, error)) << error;
    EXPECT_EQ(replay_serialize(replay), good);
}
