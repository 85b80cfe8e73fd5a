// Replays through the real program: a race recorded here, through the real race loop with keys
// pushed as a person's and the virtual clock, must play back in the program frame for frame; a
// changed frame is named; every kind of damaged file is refused with its reason and exit code 2.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/computer_driver.h"
#include "game/replay_drive.h"
#include "tests/game/race_support.h"
#include "tests/support/headless.h"

namespace {

struct ProgramRun {
    int exit_code;
    std::string output;
};

// The program, headless, with its standard output and error.
ProgramRun run_game(const std::string &arguments) {
    const std::string command = std::string(DW_BINARY_DIR) + "/dirtwhirl " + arguments + " 2>&1";
    ProgramRun run{-1, ""};
    std::FILE *pipe = popen(command.c_str(), "r");
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        run.output += buffer;
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string scratch_file(const char *name) {
    std::filesystem::create_directories(test_output_dir());
    return test_output_dir() + "/" + name;
}

std::vector<std::uint8_t> read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write_file(const std::string &path, const std::vector<std::uint8_t> &bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

constexpr int escape_frame = 150; // Escape is held in this frame
TrackSight recording_sight;
ComputerDriver recording_driver1;
ComputerDriver recording_driver2;
int frames_recorded = 0;

// Both karts drive the line, player 2 on turbo for a while; Escape ends the race.
bool record_and_steer(int frame_result) {
    replay_record_after_frame(frame_result);
    ++frames_recorded;
    recording_driver1.steer();
    if (frames_recorded >= 30)
        recording_driver2.steer();
    testing_key(SDL_SCANCODE_B, frames_recorded > 60 && frames_recorded < 90);
    testing_key(SDL_SCANCODE_ESCAPE, frames_recorded + 1 == escape_frame);
    return true;
}

} // namespace

TEST_F(GameTest, ARaceRecordedHerePlaysBackInTheProgramFrameForFrame) {
    use_track(1);
    race_track = 1;
    testing_record_calls(false);
    const std::string path = scratch_file("recorded.dwr");
    std::remove(path.c_str());
    track_sight_build(&recording_sight, track_image.pixels);
    recording_driver1 = computer_driver_make(1, ComputerLevel::normal, &recording_sight, 1);
    recording_driver2 = computer_driver_make(2, ComputerLevel::normal, &recording_sight, 2);
    replay_record_begin();
    recording_driver1.steer();
    race_loop(record_and_steer);
    ASSERT_TRUE(replay_record_end(path.c_str()));
    // The race ends with the frame after Escape's, when the quit message comes.
    EXPECT_EQ(frames_recorded, escape_frame + 1);

    ProgramRun run = run_game("--timedemo " + path);
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_NE(run.output.find("timedemo: 151 frames in"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("matches the recording"), std::string::npos) << run.output;

    // Frame 40 with no keys held (kart1 drives there) and, in another copy, frame 100's picture
    // hash changed: each is the first frame that differs.
    const std::vector<std::uint8_t> recorded = read_file(path);
    const std::size_t frames_at = 8 + 11;
    std::vector<std::uint8_t> no_keys = recorded;
    ASSERT_NE(no_keys[frames_at + 39 * 6], 0);
    no_keys[frames_at + 39 * 6] = no_keys[frames_at + 39 * 6 + 1] = 0;
    std::vector<std::uint8_t> other_picture = recorded;
    other_picture[frames_at + 99 * 6 + 2] ^= 1;
    for (const auto &[bytes, frame] :
         {std::pair{no_keys, "frame 40 of 151"}, std::pair{other_picture, "frame 100 of 151"}}) {
        write_file(path, bytes);
        run = run_game("--timedemo " + path);
        EXPECT_EQ(run.exit_code, 3) << run.output;
        EXPECT_NE(run.output.find(frame), std::string::npos) << run.output;
    }
}

TEST(ReplayFiles, EachKindOfDamageIsRefusedWithItsReasonAndExitCode2) {
    const std::string golden = std::string(DW_SOURCE_DIR) + "/tests/replays/track1_escape.dwr";
    const std::vector<std::uint8_t> good = read_file(golden);
    ASSERT_GT(good.size(), 100u);
    const std::size_t frames_at = 8 + 11;
    auto changed = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> bytes = good;
        bytes[at] = value;
        return bytes;
    };
    auto cut = [&](std::size_t size) {
        return std::vector<std::uint8_t>(good.begin(), good.begin() + size);
    };
    std::vector<std::uint8_t> longer = good;
    longer.insert(longer.end() - 16, {0, 0, 0, 0, 0, 0});
    std::vector<std::uint8_t> padded = good;
    padded.push_back(0);
    struct Case {
        const char *what;
        std::vector<std::uint8_t> bytes;
        const char *says;
    };
    const Case cases[] = {
        {"empty", {}, "not a Dirtwhirl replay"},
        {"other magic", changed(3, 'Q'), "not a Dirtwhirl replay"},
        {"header cut short", cut(6), "truncated"},
        {"cut inside the key table", cut(12), "truncated"},
        {"cut half way", cut(good.size() / 2), "truncated or damaged"},
        {"a frame more than counted", longer, "the trailer counts 242 frames"},
        {"a byte after the trailer", padded, "truncated or damaged"},
        {"version 2", changed(4, 2), "replay version 2; this program plays version 1"},
        {"track 3", changed(6, 3), "track 3 does not exist"},
        {"Q in the key table", changed(9, 0x10), "key code 16 is not a race key"},
        {"a key listed twice", changed(9, 205), "key code 205 is listed twice"},
        {"a key bit past the table", changed(frames_at + 5 * 6 + 1, 0x08),
         "frame 6 holds a key that is not in the key table"},
        {"eleven laps", changed(good.size() - 12, 11), "more than a race has"},
    };
    const std::string path = scratch_file("damaged.dwr");
    for (const Case &c : cases) {
        write_file(path, c.bytes);
        const ProgramRun run = run_game("--timedemo " + path);
        EXPECT_EQ(run.exit_code, 2) << c.what << ": " << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << c.what << ": " << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    }
    std::remove(path.c_str());
    const ProgramRun missing = run_game("--play " + path);
    EXPECT_EQ(missing.exit_code, 2);
    EXPECT_NE(missing.output.find("No such file"), std::string::npos) << missing.output;
    // The golden file itself passes the reader; what it plays is the golden tests' business.
    Replay replay;
    std::string error;
    EXPECT_TRUE(replay_parse(good.data(), good.size(), replay, error)) << error;
    EXPECT_EQ(replay_serialize(replay), good);
}
