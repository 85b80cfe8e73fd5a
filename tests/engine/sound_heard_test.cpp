// What is heard: OpenAL Soft writes everything it plays to a WAV file (its wave backend), and the
// file shows sounds starting, ending, looping, stopping, and their volume and pan. These run in
// real time, and need a process of their own: OpenAL reads its configuration once per process.
#include <cmath>
#include <cstdlib>
#include <thread>

#include "sound_test_support.h"

namespace {

struct Level {
    double left;
    double right;
};

// A stretch of sound between silences, in 10 ms windows.
struct SoundRun {
    std::size_t first;
    std::size_t count;
};

constexpr std::size_t window_frames = 441; // 10 ms at 44100 Hz

struct SoundHeardTest : SoundTest {
    std::string output;

    void SetUp() override {
        if (::testing::UnitTest::GetInstance()->test_to_run_count() != 1)
            GTEST_SKIP() << "runs alone (ctest runs every test alone)";
        std::filesystem::path config_dir =
            std::filesystem::temp_directory_path() / ("dw_heard_" + std::to_string(::getpid()));
        std::filesystem::create_directories(config_dir);
        output = (config_dir / "out.wav").string();
        std::string config = (config_dir / "alsoft.conf").string();
        std::ofstream(config) << "[general]\ndrivers=wave\nchannels=stereo\nsample-type=int16\n"
                                 "frequency=44100\n[wave]\nfile="
                              << output << "\n";
        setenv("ALSOFT_CONF", config.c_str(), 1);
        setenv("ALSOFT_DRIVERS", "wave", 1);
        SoundTest::SetUp();
    }

    void TearDown() override {
        SoundTest::TearDown();
        if (!output.empty())
            std::filesystem::remove_all(std::filesystem::path(output).parent_path());
    }

    int load_tone(double seconds) {
        std::string path = sox("-r 11025 -b 8 -c 1 -e unsigned", "tone.wav",
                               std::to_string(seconds) + " sine 1000");
        return sound_load_wav(path.c_str(), 224);
    }

    // Closes the device and reads what it wrote: the level of each 10 ms window.
    std::vector<Level> heard() {
        sound_shutdown();
        std::vector<BYTE> file = read_bytes(output);
        std::vector<BYTE> format = wav_chunk(file, "fmt ");
        std::vector<BYTE> data = wav_chunk(file, "data");
        EXPECT_GE(format.size(), 16u);
        if (format.size() < 16)
            return {};
        EXPECT_EQ(format[2], 2);   // channels
        EXPECT_EQ(format[14], 16); // bits
        std::vector<Level> windows;
        const std::size_t frames = data.size() / 4;
        for (std::size_t start = 0; start + window_frames <= frames; start += window_frames) {
            double left = 0, right = 0;
            for (std::size_t i = start; i < start + window_frames; ++i) {
                auto sample = [&](std::size_t at) {
                    return static_cast<std::int16_t>(data[at] | (data[at + 1] << 8)) / 32768.0;
                };
                left += sample(4 * i) * sample(4 * i);
                right += sample(4 * i + 2) * sample(4 * i + 2);
            }
            windows.push_back({std::sqrt(left / window_frames), std::sqrt(right / window_frames)});
        }
        return windows;
    }
};

bool loud(const Level &level) {
    return level.left + level.right > 0.02;
}

std::vector<SoundRun> runs_of_sound(const std::vector<Level> &windows) {
    std::vector<SoundRun> runs;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (!loud(windows[i]))
            continue;
        if (!runs.empty() && runs.back().first + runs.back().count + 2 >= i)
            runs.back().count = i - runs.back().first + 1;
        else
            runs.push_back({i, 1});
    }
    return runs;
}

// The mean level over the middle half of a run, away from its edges.
Level middle_level(const std::vector<Level> &windows, const SoundRun &run) {
    Level sum{0, 0};
    std::size_t from = run.first + run.count / 4, to = run.first + 3 * run.count / 4;
    for (std::size_t i = from; i < to; ++i) {
        sum.left += windows[i].left;
        sum.right += windows[i].right;
    }
    return {sum.left / static_cast<double>(to - from), sum.right / static_cast<double>(to - from)};
}

double decibels(double level, double reference) {
    return 20.0 * std::log10(std::max(level, 1e-9) / reference);
}

void wait_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

TEST_F(SoundHeardTest, PlayedOnceEndsLoopedGoesOnStoppedFallsSilent) {
    int tone = load_tone(0.2);
    ASSERT_EQ(tone, 0);
    wait_ms(200);
    ASSERT_EQ(sound_play(tone, 0), 1);
    wait_ms(500);
    ASSERT_EQ(sound_play(tone, DSBPLAY_LOOPING), 1);
    wait_ms(700);
    ASSERT_EQ(sound_stop(tone), 1);
    wait_ms(400);
    std::vector<Level> windows = heard();
    std::vector<SoundRun> runs = runs_of_sound(windows);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_NEAR(static_cast<double>(runs[0].count), 20, 4);  // the 200 ms of the sound
    EXPECT_NEAR(static_cast<double>(runs[1].count), 70, 10); // looped until stopped
    EXPECT_GE(windows.size() - (runs[1].first + runs[1].count), 25u);
}

TEST_F(SoundHeardTest, VolumeAndPanChangeWhatIsHeard) {
    int tone = load_tone(0.5);
    ASSERT_EQ(tone, 0);
    struct Setting {
        int volume;
        int pan;
    };
    wait_ms(100);
    for (Setting setting : {Setting{100, 0}, {50, 0}, {100, -10000}, {100, 2000}}) {
        ASSERT_EQ(sound_set_volume(tone, setting.volume), 1);
        ASSERT_EQ(sound_set_pan(tone, setting.pan), 1);
        ASSERT_EQ(sound_play(tone, DSBPLAY_LOOPING), 1);
        wait_ms(300);
        sound_stop(tone);
        wait_ms(200);
    }
    std::vector<Level> windows = heard();
    std::vector<SoundRun> runs = runs_of_sound(windows);
    ASSERT_EQ(runs.size(), 4u);
    Level centre = middle_level(windows, runs[0]);
    Level half = middle_level(windows, runs[1]);
    Level left = middle_level(windows, runs[2]);
    Level right = middle_level(windows, runs[3]);
    EXPECT_NEAR(decibels(centre.left, centre.right), 0.0, 0.5);
    EXPECT_NEAR(decibels(half.left, centre.left), -15.0, 1.0);
    EXPECT_NEAR(decibels(half.right, centre.right), -15.0, 1.0);
    // Full left: the left side stays at its level, the right falls silent.
    EXPECT_NEAR(decibels(left.left, centre.left), 0.0, 1.0);
    EXPECT_LT(decibels(left.right, centre.right), -60.0);
    // 2000 to the right: the right side stays, the left falls by 20 dB.
    EXPECT_NEAR(decibels(right.right, centre.right), 0.0, 1.0);
    EXPECT_NEAR(decibels(right.left, right.right), -20.0, 1.5);
}

} // namespace
