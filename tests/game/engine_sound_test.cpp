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
constexpr int sound_controls = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;

struct Drive {
    float largest_jump = 0;     // between neighbouring samples of either side of the mix
    std::vector<int> intervals; // between restarts as mixed, in updates
};

// Plays the engine at `offset` ms, restarts it after each interval (ms), mixes until played out.
Drive drive(int slot, const std::vector<double> &frame_ms, double offset) {
    std::vector<double> calls{offset};
    for (double ms : frame_ms)
        calls.push_back(calls.back() + ms);
    const int updates = static_cast<int>(calls.back() + 300) / 5;
    Drive result;
    std::vector<float> mix(2 * update_frames);
    std::array<float, 2> last{0, 0};
    std::size_t next = 0;
    for (int update = 0; update < updates; ++update) {
        if (next < calls.size() && calls[next] <= 5.0 * update) {
            EXPECT_EQ(sound_play(slot, 0), 1);
            if (next > 0)
                result.intervals.push_back(update -
                                           static_cast<int>(std::ceil(calls[next - 1] / 5)));
            ++next;
        }
        EXPECT_TRUE(testing_render_sound(mix.data(), update_frames));
        for (int i = 0; i < update_frames; ++i) {
            result.largest_jump = std::max({result.largest_jump, std::abs(mix[2 * i] - last[0]),
                                            std::abs(mix[2 * i + 1] - last[1])});
            last = {mix[2 * i], mix[2 * i + 1]};
        }
    }
    return result;
}

TEST(EngineSound, ASteadyDriveRestartsItWithoutAClick) {
    testing_use_loopback_sound(mix_rate);
    sound_first_call = 1;
    ASSERT_EQ(sound_init(), 1);
    const int engine = sound_load_wav(DW_SOURCE_DIR "/sounds/engine.wav", sound_controls);
    ASSERT_GE(engine, 0);

    // The sound's own largest step, as the device mixes it: played once, uncut.
    const float own_step = drive(engine, {}, 2.5).largest_jump;
    ASSERT_GT(own_step, 0.0f);
    // Frames of 30 ms as the millisecond tick count makes them: anywhere from 29 to 31 ms.
    std::mt19937 random(17);
    std::uniform_real_distribution<double> frame(29.0, 31.0);
    std::vector<double> steady(200);
    std::generate(steady.begin(), steady.end(), [&] { return frame(random); });
    const Drive heard = drive(engine, steady, 2.5);
    // The updates cut the sound 25, 30 and 35 ms after a restart, and all three happened.
    for (int updates : {5, 6, 7})
        EXPECT_NE(std::count(heard.intervals.begin(), heard.intervals.end(), updates), 0)
            << updates;
    // Restarts in silence add no step (the margin is the resampler's); a cut firing steps further.
    const float limit = 1.1f * own_step;
    EXPECT_LE(heard.largest_jump, limit) << "the sound's own largest step is " << own_step;

    // The same measure hears a restart that cuts a firing: every 10 ms.
    EXPECT_GT(drive(engine, std::vector<double>(100, 10.0), 2.5).largest_jump, limit);
    sound_shutdown();
    testing_use_loopback_sound(0);
}

} // namespace
