// Sound buffers on OpenAL Soft: one device and context for the sound object, one source per
// buffer, one OpenAL buffer per set of shared sample bytes.
#include "platform/sound.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <future>
#include <new>
#include <system_error>

#include "platform/internal.h"
#include "platform/pan_law.h"

namespace {

ALCdevice *device = nullptr;
ALCcontext *context = nullptr;
int master_volume = 100; // percent
IDirectSound *sound_object = nullptr;
unsigned next_serial = 1;

// OpenAL pans a mono source by its direction with a law of its own (platform/pan_law.h), so that
// a pan can keep the louder side at full level and lower the other by exactly the attenuation
// asked for.
constexpr int pan_law_steps = static_cast<int>(openal_pan_law.size()) - 1;

void place_at_degrees(ALuint source, float degrees) {
    float radians = degrees * static_cast<float>(M_PI) / 180.0f;
    alSource3f(source, AL_POSITION, std::sin(radians), 0.0f, -std::cos(radians));
}

LPALCRENDERSAMPLESSOFT render_samples = nullptr;

// The device: the loopback one at the given rate, else (0) the system's default.
ALCdevice *open_device(int loopback_rate) {
    if (loopback_rate == 0)
        return alcOpenDevice(nullptr);
    auto open_loopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    render_samples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (open_loopback == nullptr || render_samples == nullptr)
        return nullptr;
    return open_loopback(nullptr);
}

struct OpenedDevice {
    ALCdevice *device = nullptr;
    ALCcontext *context = nullptr;
};

// The device and a context on it, made current; both null when either cannot be had.
OpenedDevice open_device_and_context(int loopback_rate) {
    OpenedDevice opened{open_device(loopback_rate), nullptr};
    if (opened.device == nullptr)
        return opened;
    // Mixing in short updates: a sound restarted every 30 ms frame then starts again within a
    // few milliseconds of when it is asked to, not a whole (default 20 ms or longer) update late.
    const ALCint attributes[] = {ALC_REFRESH, 200, 0};
    const ALCint loopback_attributes[] = {
        ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
        ALC_FREQUENCY,            loopback_rate,   0};
    opened.context =
        alcCreateContext(opened.device, loopback_rate != 0 ? loopback_attributes : attributes);
    if (opened.context == nullptr || !alcMakeContextCurrent(opened.context)) {
        if (opened.context != nullptr)
            alcDestroyContext(opened.context);
        alcCloseDevice(opened.device);
        return OpenedDevice{};
    }
    return opened;
}

void close_opened(const OpenedDevice &opened) {
    if (opened.context != nullptr) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(opened.context);
    }
    if (opened.device != nullptr)
        alcCloseDevice(opened.device);
}

// The system's default device, being opened on a thread of its own (sound_open_device_early).
std::future<OpenedDevice> early_device;

// The angle, in degrees to the louder side, at which the quieter side is attenuation_db below the
// louder one, and the gain that brings the louder side back to its level at the centre.
void pan_placement(float attenuation_db, float *degrees, float *gain) {
    auto difference_db = [](const PanLevels &levels) {
        float quiet = std::max(levels.left, 1e-6f);
        return 20.0f * std::log10(std::max(levels.right, 1e-6f) / quiet);
    };
    float previous = 0.0f;
    for (int step = 1; step <= pan_law_steps; ++step) {
        float current = difference_db(openal_pan_law[step]);
        if (current >= attenuation_db || step == pan_law_steps) {
            float t = current > previous ? (attenuation_db - previous) / (current - previous) : 1;
            t = std::clamp(t, 0.0f, 1.0f);
            *degrees = static_cast<float>(step - 1) + t;
            float loud = openal_pan_law[step - 1].right +
                         t * (openal_pan_law[step].right - openal_pan_law[step - 1].right);
            *gain = loud > 0.0f ? std::min(1.0f, openal_pan_law[0].right / loud) : 1.0f;
            return;
        }
        previous = current;
    }
}

// Volume and pan together decide the source's gain and direction.
void apply_level(const IDirectSoundBuffer &buffer) {
    float degrees = 0.0f, pan_gain = 1.0f;
    if (buffer.pan != 0)
        pan_placement(static_cast<float>(std::abs(buffer.pan)) / 100.0f, &degrees, &pan_gain);
    place_at_degrees(buffer.al_source, buffer.pan < 0 ? -degrees : degrees);
    float gain = std::pow(10.0f, static_cast<float>(buffer.volume) / 2000.0f) * pan_gain;
    alSourcef(buffer.al_source, AL_GAIN, gain);
}

void apply_frequency(const IDirectSoundBuffer &buffer) {
    alSourcef(buffer.al_source, AL_PITCH,
              static_cast<float>(buffer.frequency) /
                  static_cast<float>(buffer.format.nSamplesPerSec));
}

bool format_supported(const WAVEFORMATEX *format) {
    return format != nullptr && format->wFormatTag == WAVE_FORMAT_PCM && format->nChannels == 1 &&
           format->wBitsPerSample == 8 && format->nSamplesPerSec >= DSBFREQUENCY_MIN &&
           format->nSamplesPerSec <= DSBFREQUENCY_MAX;
}

// A buffer with its own source on the given data; null when OpenAL cannot make a source.
IDirectSoundBuffer *make_buffer(IDirectSound *owner, SoundData *data) {
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR)
        return nullptr;
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(data->al_buffer));
    auto *buffer = new IDirectSoundBuffer;
    buffer->owner = owner;
    buffer->data = data;
    buffer->al_source = source;
    buffer->serial = next_serial++;
    data->users.push_back(buffer);
    owner->buffers.push_back(buffer);
    return buffer;
}

void destroy_buffer(IDirectSoundBuffer *buffer) {
    alSourceStop(buffer->al_source);
    alSourcei(buffer->al_source, AL_BUFFER, 0);
    alDeleteSources(1, &buffer->al_source);
    SoundData *data = buffer->data;
    std::erase(data->users, buffer);
    if (data->users.empty()) {
        alDeleteBuffers(1, &data->al_buffer);
        delete data;
    }
    delete buffer;
}

ALint source_state(const IDirectSoundBuffer &buffer) {
    ALint state = AL_INITIAL;
    alGetSourcei(buffer.al_source, AL_SOURCE_STATE, &state);
    return state;
}

bool playing_or_paused(ALint state) {
    return state == AL_PLAYING || state == AL_PAUSED;
}

DWORD play_position(const IDirectSoundBuffer &buffer) {
    if (!playing_or_paused(source_state(buffer)))
        return buffer.start_position;
    ALint offset = 0;
    alGetSourcei(buffer.al_source, AL_BYTE_OFFSET, &offset);
    return static_cast<DWORD>(std::max<ALint>(offset, 0));
}

// OpenAL refuses new data for a buffer that sources hold, so every source sharing it lets go
// for the upload and then takes up its position again; those that were playing go on playing.
void upload(SoundData *data, const WAVEFORMATEX &format) {
    struct Resume {
        ALint state;
        DWORD position;
    };
    std::vector<Resume> resume(data->users.size());
    for (std::size_t i = 0; i < data->users.size(); ++i) {
        IDirectSoundBuffer *user = data->users[i];
        resume[i] = {source_state(*user), play_position(*user)};
        alSourceStop(user->al_source);
        alSourcei(user->al_source, AL_BUFFER, 0);
    }
    alBufferData(data->al_buffer, AL_FORMAT_MONO8, data->bytes.data(),
                 static_cast<ALsizei>(data->bytes.size()),
                 static_cast<ALsizei>(format.nSamplesPerSec));
    for (std::size_t i = 0; i < data->users.size(); ++i) {
        IDirectSoundBuffer *user = data->users[i];
        alSourcei(user->al_source, AL_BUFFER, static_cast<ALint>(data->al_buffer));
        user->start_position = resume[i].position;
        alSourcei(user->al_source, AL_BYTE_OFFSET, static_cast<ALint>(resume[i].position));
        if (resume[i].state == AL_PLAYING) {
            alSourcePlay(user->al_source);
            user->start_position = 0;
        }
    }
}

} // namespace

void sound_master_volume(int percent) {
    master_volume = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    if (context != nullptr)
        alListenerf(AL_GAIN, static_cast<ALfloat>(master_volume) / 100.0f);
}

HRESULT DirectSoundCreate(GUID *device_guid, IDirectSound **object, void *outer) {
    platform::note("DirectSoundCreate");
    if (object == nullptr)
        return DSERR_INVALIDPARAM;
    *object = nullptr;
    if (device_guid != nullptr || outer != nullptr)
        return DSERR_INVALIDPARAM;
    if (sound_object != nullptr)
        return DSERR_ALLOCATED;
    if (platform::fault("DirectSoundCreate"))
        return DSERR_NODRIVER;
    // A machine without a sound card is no error here (the layer then runs silent and the game
    // says so once): OpenAL's own error lines are kept quiet unless the user asked for them.
    setenv("ALSOFT_LOGLEVEL", "0", 0);
    const int loopback_rate = platform::loopback_sound_rate();
    const bool opened_early = early_device.valid();
    OpenedDevice opened = opened_early ? early_device.get() : OpenedDevice{};
    // The early one is the system's default, also when it found none; a test's loopback device
    // replaces it.
    if (!opened_early || loopback_rate != 0) {
        close_opened(opened);
        opened = open_device_and_context(loopback_rate);
    }
    if (opened.device == nullptr)
        return DSERR_NODRIVER;
    device = opened.device;
    context = opened.context;
    alDistanceModel(AL_NONE);
    alListenerf(AL_GAIN, static_cast<ALfloat>(master_volume) / 100.0f);
    sound_object = new IDirectSound;
    *object = sound_object;
    return DS_OK;
}

HRESULT IDirectSound::SetCooperativeLevel(HWND new_window, DWORD level) {
    platform::note("IDirectSound::SetCooperativeLevel %u", level);
    if (platform::fault("SetCooperativeLevel"))
        return DSERR_GENERIC;
    if (level < DSSCL_NORMAL || level > 4) // the four levels the interface knows
        return DSERR_INVALIDPARAM;
    window = new_window;
    cooperative_level = level;
    return DS_OK;
}

HRESULT IDirectSound::CreateSoundBuffer(const DSBUFFERDESC *desc, IDirectSoundBuffer **buffer,
                                        void *outer) {
    if (buffer == nullptr)
        return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (desc == nullptr || outer != nullptr)
        return DSERR_INVALIDPARAM;
    platform::note("IDirectSound::CreateSoundBuffer %u 0x%X %u", desc->dwSize, desc->dwFlags,
                   desc->dwBufferBytes);
    if (platform::fault("CreateSoundBuffer"))
        return DSERR_OUTOFMEMORY;
    if (desc->dwSize != DSBUFFERDESC1_SIZE || desc->dwBufferBytes < DSBSIZE_MIN ||
        desc->dwBufferBytes > DSBSIZE_MAX)
        return DSERR_INVALIDPARAM;
    if (!format_supported(desc->lpwfxFormat))
        return DSERR_BADFORMAT;

    alGetError();
    auto *data = new SoundData;
    alGenBuffers(1, &data->al_buffer);
    if (alGetError() != AL_NO_ERROR) {
        delete data;
        return DSERR_OUTOFMEMORY;
    }
    try {
        data->bytes.assign(desc->dwBufferBytes, 0x80); // unsigned 8-bit silence
    } catch (const std::bad_alloc &) {
        alDeleteBuffers(1, &data->al_buffer);
        delete data;
        return DSERR_OUTOFMEMORY;
    }
    alBufferData(data->al_buffer, AL_FORMAT_MONO8, data->bytes.data(),
                 static_cast<ALsizei>(data->bytes.size()),
                 static_cast<ALsizei>(desc->lpwfxFormat->nSamplesPerSec));
    IDirectSoundBuffer *made = alGetError() == AL_NO_ERROR ? make_buffer(this, data) : nullptr;
    if (made == nullptr) {
        alDeleteBuffers(1, &data->al_buffer);
        delete data;
        return DSERR_OUTOFMEMORY;
    }
    made->flags = desc->dwFlags;
    made->format = *desc->lpwfxFormat;
    made->frequency = made->format.nSamplesPerSec;
    apply_level(*made);
    *buffer = made;
    return DS_OK;
}

HRESULT IDirectSound::DuplicateSoundBuffer(IDirectSoundBuffer *original,
                                           IDirectSoundBuffer **duplicate) {
    if (duplicate == nullptr)
        return DSERR_INVALIDPARAM;
    *duplicate = nullptr;
    if (original == nullptr || original->owner != this)
        return DSERR_INVALIDPARAM;
    platform::note("IDirectSound::DuplicateSoundBuffer #%u", original->serial);
    if (platform::fault("DuplicateSoundBuffer"))
        return DSERR_OUTOFMEMORY;
    IDirectSoundBuffer *made = make_buffer(this, original->data);
    if (made == nullptr)
        return DSERR_OUTOFMEMORY;
    made->flags = original->flags;
    made->format = original->format;
    made->volume = original->volume;
    made->pan = original->pan;
    made->frequency = original->frequency;
    apply_level(*made);
    apply_frequency(*made);
    *duplicate = made;
    return DS_OK;
}

DWORD IDirectSound::Release() {
    platform::note("IDirectSound::Release");
    while (!buffers.empty()) {
        IDirectSoundBuffer *buffer = buffers.back();
        buffers.pop_back();
        destroy_buffer(buffer);
    }
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
    context = nullptr;
    device = nullptr;
    sound_object = nullptr;
    delete this;
    return 0;
}

HRESULT IDirectSoundBuffer::Lock(DWORD offset, DWORD bytes, void **region1, DWORD *bytes1,
                                 void **region2, DWORD *bytes2, DWORD lock_flags) {
    platform::note("IDirectSoundBuffer::Lock #%u %u %u 0x%X", serial, offset, bytes, lock_flags);
    if (region1 == nullptr || bytes1 == nullptr)
        return DSERR_INVALIDPARAM;
    *region1 = nullptr;
    *bytes1 = 0;
    if (region2 != nullptr)
        *region2 = nullptr;
    if (bytes2 != nullptr)
        *bytes2 = 0;
    if (platform::fault("Lock"))
        return DSERR_GENERIC;
    if (locked)
        return DSERR_INVALIDCALL;
    const DWORD size = static_cast<DWORD>(data->bytes.size());
    if (lock_flags & DSBLOCK_FROMWRITECURSOR)
        offset = std::min(play_position(*this), size - 1);
    if (offset >= size || bytes == 0 || bytes > size)
        return DSERR_INVALIDPARAM;
    const DWORD first = std::min(bytes, size - offset);
    if (first < bytes && (region2 == nullptr || bytes2 == nullptr))
        return DSERR_INVALIDPARAM;
    *region1 = data->bytes.data() + offset;
    *bytes1 = first;
    if (first < bytes) {
        *region2 = data->bytes.data();
        *bytes2 = bytes - first;
    }
    locked = true;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Unlock(void *region1, DWORD bytes1, void *region2, DWORD bytes2) {
    platform::note("IDirectSoundBuffer::Unlock #%u %u %u", serial, bytes1, bytes2);
    if (platform::fault("Unlock"))
        return DSERR_GENERIC;
    BYTE *start = data->bytes.data();
    BYTE *end = start + data->bytes.size();
    auto inside = [&](void *region, DWORD length) {
        auto *first = static_cast<BYTE *>(region);
        return length == 0 || (first >= start && first < end && length <= end - first);
    };
    if (!locked || region1 == nullptr || !inside(region1, bytes1) || !inside(region2, bytes2))
        return DSERR_INVALIDPARAM;
    locked = false;
    upload(data, format);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetCurrentPosition(DWORD position) {
    platform::note("IDirectSoundBuffer::SetCurrentPosition #%u %u", serial, position);
    if (position >= data->bytes.size())
        return DSERR_INVALIDPARAM;
    if (platform::frames_silent())
        return DS_OK;
    if (!playing_or_paused(source_state(*this)))
        start_position = position;
    alSourcei(al_source, AL_BYTE_OFFSET, static_cast<ALint>(position));
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Play(DWORD reserved, DWORD priority, DWORD new_flags) {
    platform::note("IDirectSoundBuffer::Play #%u %u %u %u", serial, reserved, priority, new_flags);
    if (platform::fault("Play"))
        return DSERR_GENERIC;
    if (reserved != 0 || priority != 0)
        return DSERR_INVALIDPARAM;
    if (platform::frames_silent())
        return DS_OK;
    play_flags = new_flags;
    alSourcei(al_source, AL_LOOPING, (new_flags & DSBPLAY_LOOPING) ? AL_TRUE : AL_FALSE);
    ALint state = source_state(*this);
    if (state != AL_PLAYING) {
        alSourcePlay(al_source);
        // The source has taken up its start position; once it ends it starts over from 0.
        if (state != AL_PAUSED)
            start_position = 0;
    }
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Stop() {
    platform::note("IDirectSoundBuffer::Stop #%u", serial);
    if (source_state(*this) == AL_PLAYING)
        alSourcePause(al_source);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetVolume(LONG new_volume) {
    platform::note("IDirectSoundBuffer::SetVolume #%u %d", serial, new_volume);
    if (!(flags & DSBCAPS_CTRLVOLUME))
        return DSERR_CONTROLUNAVAIL;
    if (new_volume < DSBVOLUME_MIN || new_volume > DSBVOLUME_MAX)
        return DSERR_INVALIDPARAM;
    volume = new_volume;
    apply_level(*this);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetFrequency(DWORD new_frequency) {
    platform::note("IDirectSoundBuffer::SetFrequency #%u %u", serial, new_frequency);
    if (!(flags & DSBCAPS_CTRLFREQUENCY))
        return DSERR_CONTROLUNAVAIL;
    if (new_frequency == DSBFREQUENCY_ORIGINAL)
        new_frequency = format.nSamplesPerSec;
    if (new_frequency < DSBFREQUENCY_MIN || new_frequency > DSBFREQUENCY_MAX)
        return DSERR_INVALIDPARAM;
    frequency = new_frequency;
    apply_frequency(*this);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetPan(LONG new_pan) {
    platform::note("IDirectSoundBuffer::SetPan #%u %d", serial, new_pan);
    if (!(flags & DSBCAPS_CTRLPAN))
        return DSERR_CONTROLUNAVAIL;
    if (new_pan < DSBPAN_LEFT || new_pan > DSBPAN_RIGHT)
        return DSERR_INVALIDPARAM;
    pan = new_pan;
    apply_level(*this);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetStatus(DWORD *status) {
    if (status == nullptr)
        return DSERR_INVALIDPARAM;
    *status = 0;
    if (source_state(*this) == AL_PLAYING)
        *status = DSBSTATUS_PLAYING | ((play_flags & DSBPLAY_LOOPING) ? DSBSTATUS_LOOPING : 0);
    return DS_OK;
}

DWORD IDirectSoundBuffer::Release() {
    platform::note("IDirectSoundBuffer::Release #%u", serial);
    std::erase(owner->buffers, this);
    destroy_buffer(this);
    return 0;
}

bool platform::render_loopback_sound(float *frames, int count) {
    if (platform::loopback_sound_rate() == 0 || device == nullptr || render_samples == nullptr ||
        count <= 0)
        return false;
    render_samples(device, frames, count);
    return true;
}

void sound_open_device_early() {
    if (sound_object != nullptr || early_device.valid() || platform::loopback_sound_rate() != 0)
        return;
    setenv("ALSOFT_LOGLEVEL", "0", 0); // before the thread reads it
    try {
        early_device = std::async(std::launch::async, open_device_and_context, 0);
    } catch (const std::system_error &) {
        // Without a thread to spare, the sound object opens the device itself.
    }
}
