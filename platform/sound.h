// Sound buffers: the sound object and its secondary buffers, on OpenAL Soft. A buffer is an OpenAL
// source playing an OpenAL buffer of unsigned 8-bit mono samples; a duplicate shares the sample
// data and has a source of its own. Volume is attenuation in hundredths of a decibel, pan a
// balance from -10000 (left) to 10000 (right) that keeps the louder side at full level, frequency
// the playback rate in Hz. Without an audio device the sound object cannot be created.
#pragma once

#include <vector>

#include "platform/types.h"
#include "platform/window.h"

// Results.
constexpr HRESULT make_dshresult(int code) {
    return static_cast<HRESULT>(0x88780000u + static_cast<unsigned>(code));
}
constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_GENERIC = E_FAIL;
constexpr HRESULT DSERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DSERR_ALLOCATED = make_dshresult(10);
constexpr HRESULT DSERR_CONTROLUNAVAIL = make_dshresult(30);
constexpr HRESULT DSERR_INVALIDCALL = make_dshresult(50);
constexpr HRESULT DSERR_BADFORMAT = make_dshresult(100);
constexpr HRESULT DSERR_NODRIVER = make_dshresult(120);

// Cooperative level.
constexpr DWORD DSSCL_NORMAL = 1;

// Buffer capabilities.
constexpr DWORD DSBCAPS_STATIC = 0x02;
constexpr DWORD DSBCAPS_LOCSOFTWARE = 0x08;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr DWORD DSBCAPS_CTRLPAN = 0x40;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x80;

constexpr DWORD DSBPLAY_LOOPING = 0x01;

constexpr DWORD DSBSTATUS_PLAYING = 0x01;
constexpr DWORD DSBSTATUS_BUFFERLOST = 0x02;
constexpr DWORD DSBSTATUS_LOOPING = 0x04;

constexpr DWORD DSBLOCK_FROMWRITECURSOR = 0x01;

constexpr LONG DSBVOLUME_MIN = -10000;
constexpr LONG DSBVOLUME_MAX = 0;
constexpr LONG DSBPAN_LEFT = -10000;
constexpr LONG DSBPAN_CENTER = 0;
constexpr LONG DSBPAN_RIGHT = 10000;
constexpr DWORD DSBFREQUENCY_ORIGINAL = 0;
constexpr DWORD DSBFREQUENCY_MIN = 100;
constexpr DWORD DSBFREQUENCY_MAX = 100000;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

constexpr WORD WAVE_FORMAT_PCM = 1;

// The wave format record: 18 bytes, packed as in files.
#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

// The buffer description in its first form: dwSize must be 20 (the size of this record with a
// 32-bit format pointer), whatever sizeof says on this machine.
constexpr DWORD DSBUFFERDESC1_SIZE = 20;
struct DSBUFFERDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    WAVEFORMATEX *lpwfxFormat;
};

class IDirectSound;
class IDirectSoundBuffer;

// The sample bytes that a buffer and its duplicates share: the copy that Lock hands out, and the
// OpenAL buffer that Unlock uploads it to.
struct SoundData {
    std::vector<BYTE> bytes;
    unsigned al_buffer = 0;
    std::vector<IDirectSoundBuffer *> users;
};

class IDirectSoundBuffer {
public:
    // Hands out the bytes from offset (or from the write cursor, the current play position, with
    // DSBLOCK_FROMWRITECURSOR) as two regions: to the end of the buffer, then wrapped from its
    // start. The second region is null and empty when no wrap is needed.
    HRESULT Lock(DWORD offset, DWORD bytes, void **region1, DWORD *bytes1, void **region2,
                 DWORD *bytes2, DWORD flags);
    // Uploads the locked bytes; the regions must be those that Lock handed out.
    HRESULT Unlock(void *region1, DWORD bytes1, void *region2, DWORD bytes2);
    HRESULT SetCurrentPosition(DWORD position);
    // Plays from the current position; a buffer that is already playing keeps its position and
    // takes the new looping flag.
    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags);
    // Pauses: the position is kept.
    HRESULT Stop();
    HRESULT SetVolume(LONG volume);
    HRESULT SetFrequency(DWORD frequency);
    HRESULT SetPan(LONG pan);
    HRESULT GetStatus(DWORD *status);
    // Frees the buffer (it is never shared by reference); returns the references left, 0.
    DWORD Release();

    IDirectSound *owner = nullptr;
    SoundData *data = nullptr;
    unsigned al_source = 0;
    unsigned serial = 0; // numbers the buffers of a process in creation order, for records
    DWORD flags = 0;
    WAVEFORMATEX format{};
    LONG volume = 0;
    LONG pan = 0;
    DWORD frequency = 0;
    DWORD play_flags = 0;
    // Where the next play starts while the source is neither playing nor paused: OpenAL keeps
    // such an offset for the play but does not report it.
    DWORD start_position = 0;
    bool locked = false;
};

class IDirectSound {
public:
    HRESULT SetCooperativeLevel(HWND window, DWORD level);
    // Makes a stopped buffer of dwBufferBytes bytes of silence in the description's format, which
    // must be 8-bit mono PCM at DSBFREQUENCY_MIN to DSBFREQUENCY_MAX samples per second.
    HRESULT CreateSoundBuffer(const DSBUFFERDESC *desc, IDirectSoundBuffer **buffer, void *outer);
    // A stopped buffer at position 0 that plays the original's data with its settings copied.
    HRESULT DuplicateSoundBuffer(IDirectSoundBuffer *original, IDirectSoundBuffer **duplicate);
    // Frees the object, every buffer still made from it, and the audio device.
    DWORD Release();

    HWND window = nullptr;
    DWORD cooperative_level = 0;
    std::vector<IDirectSoundBuffer *> buffers;
};

// Opens the default audio device (device must be null). DSERR_NODRIVER when no device can be
// opened; DSERR_ALLOCATED while another sound object exists.
HRESULT DirectSoundCreate(GUID *device, IDirectSound **object, void *outer);

// The level of everything played, 0 (silent) to 100 (full, the default): the gain of the listener,
// so every buffer keeps its own volume and pan under it.
void sound_master_volume(int percent);

// Starts opening the system's default device (and its context) on a thread of its own, so that
// the start-up goes on meanwhile; the next DirectSoundCreate takes it, and reports no device
// only when that found none. Does nothing while a sound object exists or a device is opening.
void sound_open_device_early();
