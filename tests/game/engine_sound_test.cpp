// The engine restarted every race frame, mixed on OpenAL's loopback device in 5 ms updates: a
// restart that cut the wave while it sounds shows as a jump between neighbouring mixed samples.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/sound/sound_load.h"
#include "platform/sound.h"
#include "platform/testing.h"

namespace {

constexpr int mix_rate = 48000;
constexpr int update_frames = mix_rate / 200; // 5 ms

// The largest jump between neighbouring samples of either side of the mix, the engine played at
// 2.5 ms and restarted after each interval (ms), mixed in 5 ms updates until it has played out; a
// restart reaches the mix at the first update that begins after its call.
float largest_jump(int slot, const std::vector<double> &frame_ms) {
    std::vector<double> calls{2.5};
    for (double ms : frame_ms)
        calls.push_back(calls.back() + ms);
    std::vector<float> mix(2 * update_frames);
    float largest = 0, last[2] = {0, 0};
    std::size_t next = 0;
    for (int update = 0; update < static_cast<int>(calls.back() + 300) / 5; ++update) {
        if (next < calls.size() && calls[next] <= 5.0 * update) {
            EXPECT_EQ(sound_play(slot, 0), 1);
            ++next;
        }
        EXPECT_TRUE(testing_render_sound(mix.data(), update_frames));
        for (int i = 0; i < 2 * update_frames; ++i) {
            largest = std::max(largest, std::abs(mix[i] - last[i % 2]));
            last[i % 2] = mix[i];
        }
    }
    return largest;
}

TEST(EngineSound, ASteadyDriveRestartsItWithoutAClick) {
    testing_use_loopback_sound(mix_rate);
    sound_first_call = 1;
    ASSERT_EQ(sound_init(), 1);
    const int engine = sound_load_wav(DW_SOURCE_DIR "/sounds/engine.wav",
                                      DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME);
    ASSERT_GE(engine, 0);

    // The sound's own largest step, as the device mixes it: played once, uncut.
    const float own_step = largest_jump(engine, {});
    ASSERT_GT(own_step, 0.0f);
    // Frames of 30 ms as the millisecond tick count makes them: anywhere from 29 to 31 ms.
    std::mt19937 random(17);
    std::uniform_real_distribution<double> frame(29.0, 31.0);
    std::vector<double> steady(200);
    std::generate(steady.begin(), steady.end(), [&] { return frame(random); });
    const float heard = largest_jump(engine, steady);
    // Restarts in silence add no step (the margin is the resampler's); a cut firing steps further.
    const float limit = 1.1f * own_step;
    EXPECT_LE(heard, limit) << "the sound's own largest step is " << own_step;

    // The same measure hears a restart that cuts a firing: every 10 ms.
    EXPECT_GT(largest_jump(engine, std::vector<double>(100, 10.0)), limit);
    sound_shutdown();
    testing_use_loopback_sound(0);
}

} // namespace
