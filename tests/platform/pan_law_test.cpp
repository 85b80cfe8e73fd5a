// The pan law the sound layer carries is OpenAL Soft's own: measured here on the loopback device,
// as the levels of both sides of a looping tone at each angle, relative to the centre.
#include <gtest/gtest.h>

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <cmath>
#include <vector>

#include "platform/pan_law.h"

namespace {

// Root mean square of each side of a 1 kHz tone at each whole degree 0..90 to the right, after
// the gains have settled; empty when there is no loopback device.
std::vector<PanLevels> measure_pan_law() {
    auto open_loopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    ALCdevice *device = open_loopback != nullptr ? open_loopback(nullptr) : nullptr;
    if (device == nullptr || render == nullptr)
        return {};
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_FLOAT_SOFT,
                                 ALC_FREQUENCY,
                                 44100,
                                 0};
    ALCcontext *context = alcCreateContext(device, attributes);
    alcMakeContextCurrent(context);
    std::vector<ALubyte> tone(441); // 10 whole periods
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<ALubyte>(128 + 100 * std::sin(2 * M_PI * 1000.0 * i / 44100.0));
    ALuint buffer = 0, source = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, AL_FORMAT_MONO8, tone.data(), static_cast<ALsizei>(tone.size()), 44100);
    alGenSources(1, &source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
    alSourcei(source, AL_LOOPING, AL_TRUE);
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    alSourcePlay(source);
    std::vector<PanLevels> law;
    std::vector<float> frames(2 * 2048);
    for (int degrees = 0; degrees <= 90; ++degrees) {
        const double radians = degrees * M_PI / 180.0;
        alSource3f(source, AL_POSITION, static_cast<float>(std::sin(radians)), 0.0f,
                   static_cast<float>(-std::cos(radians)));
        render(device, frames.data(), 2048);
        double left = 0, right = 0;
        for (int i = 1024; i < 2048; ++i) {
            left += frames[2 * i] * frames[2 * i];
            right += frames[2 * i + 1] * frames[2 * i + 1];
        }
        law.push_back({static_cast<float>(std::sqrt(left / 1024)),
                       static_cast<float>(std::sqrt(right / 1024))});
    }
    alDeleteSources(1, &source);
    alDeleteBuffers(1, &buffer);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
    return law;
}

TEST(PanLaw, TheCarriedLawIsOpenALsOwn) {
    const std::vector<PanLevels> measured = measure_pan_law();
    ASSERT_EQ(measured.size(), openal_pan_law.size());
    const float centre = measured[0].left;
    ASSERT_GT(centre, 0.0f);
    for (std::size_t degrees = 0; degrees < measured.size(); ++degrees) {
        SCOPED_TRACE(degrees);
        EXPECT_NEAR(openal_pan_law[degrees].left, measured[degrees].left / centre, 0.002);
        EXPECT_NEAR(openal_pan_law[degrees].right, measured[degrees].right / centre, 0.002);
    }
}

} // namespace
