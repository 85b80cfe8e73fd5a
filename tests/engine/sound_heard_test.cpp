// What is heard: the sound layer mixes on OpenAL Soft's loopback device, and the levels of its
// mix show sounds starting, ending, looping, stopping, and their volume and pan. Time passes only
// as the test mixes it, 10 ms at a time.
#include <cmath>

#include "engine_test_support.h"

namespace {

struct Level {
    double left, right;
};

// A stretch of sound between silences, in 10 ms windows.
struct SoundRun {
    std::size_t first, count;
};

constexpr int mix_rate = 44100;
constexpr int window_frames = mix_rate / 100;

struct SoundHeardTest : SoundTest {
    std::vector<Level> windows;

    void SetUp() override {
        testing_use_loopback_sound(mix_rate);
        SoundTest::SetUp();
    }
    void TearDown() override {
        SoundTest::TearDown();
        testing_use_loopback_sound(0);
    }

    int load_tone(double seconds) {
        const std::string path = sox("-r 11025 -b 8 -c 1 -e unsigned", "tone.wav",
                                     std::to_string(seconds) + " sine 1000");
        return sound_load_wav(path.c_str(), 224);
    }

    // Mixes `ms` milliseconds, keeping the level of each 10 ms window.
    void mix(int ms) {
        std::vector<float> frames(2 * window_frames);
        for (int w = 0; w < ms / 10; ++w) {
            ASSERT_TRUE(testing_render_sound(frames.data(), window_frames));
            Level sum{0, 0};
            for (int i = 0; i < window_frames; ++i) {
                sum.left += frames[2 * i] * frames[2 * i];
                sum.right += frames[2 * i + 1] * frames[2 * i + 1];
            }
            windows.push_back({std::sqrt(sum.left / window_frames),
                               std::sqrt(sum.right / window_frames)});
        }
    }

    std::vector<SoundRun> runs_of_sound() const {
        std::vector<SoundRun> runs;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (windows[i].left + windows[i].right <= 0.02)
                continue;
            if (!runs.empty() && runs.back().first + runs.back().count + 2 >= i)
                runs.back().count = i - runs.back().first + 1;
            else
                runs.push_back({i, 1});
        }
        return runs;
    }

    // The mean level over the middle half of a run, away from its edges.
    Level middle_level(const SoundRun &run) const {
        Level sum{0, 0};
        const std::size_t from = run.first + run.count / 4, to = run.first + 3 * run.count / 4;
        for (std::size_t i = from; i < to; ++i) {
            sum.left += windows[i].left;
            sum.right += windows[i].right;
        }
        return {sum.left / double(to - from), sum.right / double(to - from)};
    }
};

double decibels(double level, double reference) {
    return 20.0 * std::log10(std::max(level, 1e-9) / reference);
}

// Played once the sound ends; looped it goes on until stopped, at the volume and pan it is given.
TEST_F(SoundHeardTest, PlayedOnceEndsLoopedGoesOnStoppedFallsSilentAtItsVolumeAndPan) {
    const int tone = load_tone(0.2);
    ASSERT_EQ(tone, 0);
    mix(200);
    ASSERT_EQ(sound_play(tone, 0), 1);
    mix(500);
    for (auto [volume, pan] : {std::pair{100, 0}, {50, 0}, {100, -10000}, {100, 2000}}) {
        ASSERT_EQ(sound_set_volume(tone, volume), 1);
        ASSERT_EQ(sound_set_pan(tone, pan), 1);
        ASSERT_EQ(sound_play(tone, DSBPLAY_LOOPING), 1);
        mix(700);
        ASSERT_EQ(sound_stop(tone), 1);
        mix(300);
    }
    const std::vector<SoundRun> runs = runs_of_sound();
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_NEAR(double(runs[0].first), 20, 1);
    EXPECT_NEAR(double(runs[0].count), 20, 2); // the 200 ms of the sound
    for (int i = 1; i < 5; ++i)
        EXPECT_NEAR(double(runs[i].count), 70, 2) << i; // looped until stopped
    EXPECT_GE(windows.size() - (runs[4].first + runs[4].count), 25u);
    const Level centre = middle_level(runs[1]), half = middle_level(runs[2]),
                left = middle_level(runs[3]), right = middle_level(runs[4]);
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
