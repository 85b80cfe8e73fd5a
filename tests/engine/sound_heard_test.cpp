// What is heard: the levels of OpenAL Soft's loopback mix, in 10 ms windows mixed by the test, show
// sounds starting, ending, looping, stopping, and their volume and pan.
#include <cmath>

#include "engine_test_support.h"

namespace {

constexpr int mix_rate = 44100, window_frames = mix_rate / 100;

struct Level {
    double left = 0, right = 0;
};

struct SoundHeardTest : SoundTest {
    std::vector<Level> windows; // the level of each 10 ms window mixed

    void SetUp() override {
        testing_use_loopback_sound(mix_rate);
        SoundTest::SetUp();
    }
    void TearDown() override {
        SoundTest::TearDown();
        testing_use_loopback_sound(0);
    }
    void mix(int ms) {
        std::vector<float> frames(2 * window_frames);
        for (int w = 0; w < ms / 10; ++w) {
            ASSERT_TRUE(testing_render_sound(frames.data(), window_frames));
            double sum[2] = {};
            for (int i = 0; i < 2 * window_frames; ++i)
                sum[i % 2] += frames[i] * frames[i];
            windows.push_back({std::sqrt(sum[0] / window_frames), std::sqrt(sum[1] / window_frames)});
        }
    }
    // Over windows [from, to): the least and the most of left + right, and the mean level.
    struct Span {
        double quietest = 1e9, loudest = 0;
        Level mean;
    };
    Span level(std::size_t from, std::size_t to) const {
        Span span;
        for (std::size_t i = from; i < to; ++i) {
            const Level &w = windows.at(i);
            span.quietest = std::min(span.quietest, w.left + w.right);
            span.loudest = std::max(span.loudest, w.left + w.right);
            span.mean = {span.mean.left + w.left / (to - from), span.mean.right + w.right / (to - from)};
        }
        return span;
    }
};

double decibels(double level, double reference) {
    return 20.0 * std::log10(std::max(level, 1e-9) / reference);
}

TEST_F(SoundHeardTest, PlayedOnceEndsLoopedGoesOnStoppedFallsSilentAtItsVolumeAndPan) {
    const int tone = sound_load_wav(sox("-r 11025 -b 8 -c 1 -e unsigned", "t.wav", "0.2 sine 1000").c_str(), 224);
    ASSERT_EQ(tone, 0);
    mix(200);
    ASSERT_EQ(sound_play(tone, 0), 1);
    mix(500);
    for (auto [volume, pan] : {std::pair{100, 0}, {50, 0}, {100, -10000}, {100, 2000}}) {
        ASSERT_EQ((std::array{sound_set_volume(tone, volume), sound_set_pan(tone, pan),
                              sound_play(tone, DSBPLAY_LOOPING)}), (std::array{1, 1, 1}));
        mix(700);
        ASSERT_EQ(sound_stop(tone), 1);
        mix(300);
    }
    ASSERT_EQ(windows.size(), 470u);
    // Silence, the 200 ms of the sound, silence; then 700 ms looped and 300 ms silent, 4 times.
    EXPECT_LT(level(0, 20).loudest, 0.01);
    EXPECT_GT(level(21, 39).quietest, 0.1);
    EXPECT_LT(level(41, 70).loudest, 0.01);
    for (std::size_t loop = 0; loop < 4; ++loop)
        EXPECT_TRUE(level(71 + 100 * loop, 139 + 100 * loop).quietest > 0.05 &&
                    level(141 + 100 * loop, 170 + 100 * loop).loudest < 0.01) << loop;
    // The middle of each loop: centre, half volume, full left and 2000 to the right.
    const Level centre = level(90, 120).mean, half = level(190, 220).mean,
                left = level(290, 320).mean, right = level(390, 420).mean;
    EXPECT_NEAR(decibels(centre.left, centre.right), 0.0, 0.5);
    EXPECT_NEAR(decibels(half.left, centre.left), -15.0, 1.0);
    EXPECT_NEAR(decibels(half.right, centre.right), -15.0, 1.0);
    // Full left: the left side stays, the right falls silent; 2000 right: the left falls by 20 dB.
    EXPECT_NEAR(decibels(left.left, centre.left), 0.0, 1.0);
    EXPECT_LT(decibels(left.right, centre.right), -60.0);
    EXPECT_NEAR(decibels(right.right, centre.right), 0.0, 1.0);
    EXPECT_NEAR(decibels(right.left, right.right), -20.0, 1.5);
}

} // namespace
