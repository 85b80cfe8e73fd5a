// Replays through the real program: a changed frame is named, every kind of damaged file refused,
// and a replay of the first version still plays.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/additions/race_hash.h"
#include "game/additions/replay_drive.h"
#include "tests/game/race_support.h"
#include "tests/support/headless.h"

namespace {

// The program, headless, on a file holding `bytes`, with its standard output and error.
ProgramRun run_game(const char *option, const std::vector<std::uint8_t> *bytes) {
    std::filesystem::create_directories(test_output_dir());
    const std::string path = test_output_dir() + "/damaged.dwr";
    std::remove(path.c_str());
    if (bytes)
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes->data()), bytes->size());
    return run_program(std::string(DW_BINARY_DIR) + "/dirtwhirl " + option + " " + path + " 2>&1");
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
    const std::uint64_t last_state = race_state_hash();
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
    EXPECT_NE(replay.frames[1].state_hash, replay.frames[0].state_hash);
    EXPECT_EQ(replay.frames[2].state_hash, last_state);
}

TEST(ReplayFiles, EachKindOfDamageIsRefusedWithItsReasonAndExitCode2) {
    auto read = [](const char *name) {
        std::ifstream in(std::string(DW_SOURCE_DIR "/tests/replays/") + name, std::ios::binary);
        return std::vector<std::uint8_t>{std::istreambuf_iterator<char>(in), {}};
    };
    const std::vector<std::uint8_t> good = read("track1_escape.dwr");
    ASSERT_EQ(good.size(), 16 + 11 + 242 * 14 + 16u);
    const std::size_t frames_at = 16 + 11;
    auto frame_at = [&](int frame) { return frames_at + (frame - 1) * 14; };
    auto changed = [](std::vector<std::uint8_t> bytes, std::size_t at, std::uint8_t value,
                      std::size_t count = 1) {
        std::fill_n(&bytes.at(at), count, value);
        return bytes;
    };
    auto cut = [&](std::size_t size) {
        return std::vector<std::uint8_t>(good.begin(), good.begin() + size);
    };
    auto own_track = [&](const std::string &name) {
        std::vector<std::uint8_t> bytes = changed(good, 6, 255);
        std::string named = "\xef\xcd\xab\x89\x67\x45\x23\x01" + std::string(1, char(name.size()));
        named += name;
        bytes.insert(bytes.begin() + frames_at, named.begin(), named.end());
        return bytes;
    };
    std::vector<std::uint8_t> longer = good, padded = good;
    longer.insert(longer.end() - 16, 14, 0);
    padded.push_back(0);
    // Another machine's font: the pictures are not compared, the race's state still is.
    const std::vector<std::uint8_t> other_font = changed(good, 8, good[8] ^ 1);
    struct Case {
        std::vector<std::uint8_t> bytes;
        const char *says;
        int exit_code = 2;
    };
    // Frame 40 with no keys held (kart 1 drives there); frame 70's state and frame 100's picture
    // changed.
    const Case cases[] = {
        {changed(good, frame_at(40), 0, 2), "at frame 40 of 242\n", 3},
        {changed(good, frame_at(70) + 2, good[frame_at(70) + 2] ^ 1), "at frame 70 of 242\n", 3},
        {changed(good, frame_at(100) + 10, good[frame_at(100) + 10] ^ 1), "at frame 100 of 242\n",
         3},
        {changed(other_font, frame_at(100) + 10, 0, 4), "its pictures are not", 0},
        {changed(other_font, frame_at(40), 0, 2), "at frame 40 of 242\n", 3},
        {{}, "not a Dirtwhirl replay"},
        {changed(good, 3, 'Q'), "not a Dirtwhirl replay"},
        {cut(6), "truncated: the header"},
        {cut(12), "truncated: the header"}, // inside the font's fingerprint
        {cut(20), "truncated"},             // inside the key table
        {cut(good.size() / 2), "truncated or damaged"},
        {longer, "the trailer counts 242 frames"},
        {padded, "truncated or damaged"},
        {changed(good, 4, 3), "replay version 3; this program plays versions 1 to 2"},
        {changed(good, 4, 0), "replay version 0"},
        {changed(good, 6, 3), "track 3 does not exist"},
        // A player's track: its hash and name follow the key table.
        {changed(good, 6, 255), "a track name of 108 bytes that are not 1 to 64"},
        {own_track("no such track"), "recorded on the track no such track (hash 0123456789abcdef), "
                                     "which is not in"},
        {changed(good, 17, 0x10), "key code 16 is not a race key"}, // Q
        {changed(good, 17, 205), "key code 205 is listed twice"},
        {changed(good, frame_at(6) + 1, 0x08), "frame 6 holds a key that is not in the key table"},
        {changed(good, good.size() - 12, 11), "more than a race has"},
    };
    for (const Case &c : cases) {
        const ProgramRun run = run_game("--timedemo", &c.bytes);
        SCOPED_TRACE(testing::Message() << c.says << ": " << run.output);
        EXPECT_EQ(run.exit_code, c.exit_code);
        EXPECT_NE(run.output.find(c.says), std::string::npos);
        EXPECT_TRUE(c.exit_code != 2 ||
                    std::count(run.output.begin(), run.output.end(), '\n') == 1);
    }
    const ProgramRun missing = run_game("--play", nullptr);
    EXPECT_EQ(missing.exit_code, 2);
    EXPECT_NE(missing.output.find("not found"), std::string::npos) << missing.output;
    // Both versions, and a player's track, are written again exactly as read.
    for (const auto &[name, bytes] : {std::pair{"track1_escape.dwr", read("track1_escape.dwr")},
                                      {"track1_escape_v1.dwr", read("track1_escape_v1.dwr")},
                                      {"own track", own_track("my oval")}}) {
        Replay replay;
        std::string error;
        EXPECT_TRUE(replay_parse(bytes.data(), bytes.size(), replay, error)) << name << error;
        EXPECT_EQ(replay_serialize(replay), bytes) << name;
    }
}
