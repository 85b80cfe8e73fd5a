// Sound buffers on the null device (duplicates and loading locks: the engine's sound tests), RIFF
// chunk reading, and the pan law as OpenAL mixes it.
#include <gtest/gtest.h>

#include <AL/al.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/pan_law.h"
#include "platform/riff.h"
#include "platform/sound.h"
#include "platform/testing.h"

namespace {

struct SoundBufferTest : ::testing::Test {
    IDirectSound *sound = nullptr;
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    void *region1 = nullptr, *region2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;

    void SetUp() override { ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK); }
    void TearDown() override {
        if (sound != nullptr)
            sound->Release();
        testing_clear_faults();
    }
    HRESULT create(DWORD bytes, IDirectSoundBuffer **buffer, DWORD size = DSBUFFERDESC1_SIZE) {
        DSBUFFERDESC desc{size, 0xE0, bytes, 0, format.wBitsPerSample != 0 ? &format : nullptr};
        return sound->CreateSoundBuffer(&desc, buffer, nullptr);
    }
    IDirectSoundBuffer *make(DWORD bytes) {
        IDirectSoundBuffer *buffer = nullptr;
        EXPECT_EQ(create(bytes, &buffer), DS_OK);
        return buffer;
    }
    HRESULT lock(IDirectSoundBuffer *buffer, DWORD offset, DWORD bytes, DWORD flags = 0) {
        return buffer->Lock(offset, bytes, &region1, &bytes1, &region2, &bytes2, flags);
    }
    static DWORD status(IDirectSoundBuffer *buffer) {
        DWORD value = 99;
        EXPECT_EQ(buffer->GetStatus(&value), DS_OK);
        return value;
    }
    DWORD write_cursor(IDirectSoundBuffer *buffer) {
        EXPECT_EQ(lock(buffer, 0, 1, DSBLOCK_FROMWRITECURSOR), DS_OK);
        EXPECT_EQ(buffer->Unlock(region1, bytes1, region2, bytes2), DS_OK);
        return static_cast<DWORD>(static_cast<BYTE *>(region1) - buffer->data->bytes.data());
    }
};

TEST_F(SoundBufferTest, TheSoundObjectAndItsBuffersCheckWhatTheyAreGivenAndLockInTwoRegions) {
    IDirectSound *second = nullptr;
    EXPECT_EQ(DirectSoundCreate(nullptr, &second, nullptr), DSERR_ALLOCATED);
    for (DWORD level : {0u, 1u, 4u, 5u}) // the four levels are 1 to 4
        EXPECT_EQ(sound->SetCooperativeLevel(nullptr, level),
                  level % 5 ? DS_OK : DSERR_INVALIDPARAM);

    IDirectSoundBuffer *buffer = nullptr;
    EXPECT_EQ(create(100, &buffer, sizeof(DSBUFFERDESC)), DSERR_INVALIDPARAM);
    for (DWORD bytes : {0u, 3u, DSBSIZE_MAX + 1})
        EXPECT_EQ(create(bytes, &buffer), DSERR_INVALIDPARAM) << bytes;
    for (WORD bits : {16, 0}) { // 0: no format at all
        format.wBitsPerSample = bits;
        EXPECT_EQ(create(100, &buffer), DSERR_BADFORMAT) << bits;
    }
    format.wBitsPerSample = 8;
    testing_fail("CreateSoundBuffer");
    EXPECT_TRUE(FAILED(create(100, &buffer)));
    EXPECT_TRUE(buffer == nullptr && sound->buffers.empty());
    EXPECT_EQ(sound->DuplicateSoundBuffer(nullptr, &buffer), DSERR_INVALIDPARAM);
    EXPECT_EQ(make(4)->data->bytes.size(), 4u); // the smallest
    buffer = make(100);
    EXPECT_EQ(buffer->data->bytes, std::vector<BYTE>(100, 0x80));
    EXPECT_EQ(status(buffer), 0u);

    sound->Release();
    testing_fail("DirectSoundCreate");
    EXPECT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(sound, nullptr);
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);

    // Locks hand out two regions that wrap, one lock at a time.
    buffer = make(100);
    BYTE *start = buffer->data->bytes.data();
    ASSERT_EQ(lock(buffer, 90, 20), DS_OK);
    EXPECT_EQ(std::tuple(region1, bytes1, region2, bytes2),
              (std::tuple<void *, DWORD, void *, DWORD>(start + 90, 10, start, 10)));
    void *again;
    DWORD again_bytes;
    EXPECT_EQ(buffer->Lock(0, 4, &again, &again_bytes, nullptr, nullptr, 0), DSERR_INVALIDCALL);
    BYTE elsewhere[4];
    EXPECT_EQ(buffer->Unlock(elsewhere, 4, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Unlock(region1, 11, region2, bytes2), DSERR_INVALIDPARAM);
    std::fill_n(start + 90, 10, 1);
    std::fill_n(start, 10, 2);
    ASSERT_EQ(buffer->Unlock(region1, bytes1, region2, bytes2), DS_OK);
    EXPECT_EQ(buffer->data->bytes[0], 2);
    EXPECT_EQ(buffer->data->bytes[95], 1);
    EXPECT_EQ(lock(buffer, 0, 101), DSERR_INVALIDPARAM);
    EXPECT_EQ(lock(buffer, 100, 1), DSERR_INVALIDPARAM);
}

TEST_F(SoundBufferTest, StopKeepsThePositionAndRewindRestarts) {
    auto sleep_ms = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    IDirectSoundBuffer *buffer = make(11025 * 4); // four seconds
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    sleep_ms(300);
    ASSERT_EQ(buffer->Stop(), DS_OK);
    const DWORD paused_at = write_cursor(buffer);
    EXPECT_GT(paused_at, 1000u);
    sleep_ms(50);
    EXPECT_EQ(write_cursor(buffer), paused_at);
    // Play goes on from there, also when asked again.
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    sleep_ms(100);
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(status(buffer), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    EXPECT_GT(write_cursor(buffer), paused_at);
    // Rewinding while playing restarts from the first byte.
    ASSERT_EQ(buffer->SetCurrentPosition(0), DS_OK);
    EXPECT_LT(write_cursor(buffer), paused_at / 2);
    EXPECT_EQ(buffer->SetCurrentPosition(11025 * 4), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Play(1, 0, 0), DSERR_INVALIDPARAM);
}

void put_chunk(std::string &out, const char *id, const std::string &body) {
    out += id;
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(body.size() >> (8 * i));
    out += body;
    if (body.size() % 2 == 1)
        out += '\0';
}

// A RIFF WAVE form holding "fmt " (4 bytes), "odd " (3 bytes and a pad byte that looks like the
// start of a chunk), a LIST of type INFO, "data" (5 bytes and a pad byte); after the form, outside
// it, a chunk "tail" of 3 bytes whose pad byte the file lacks.
std::string sample_file() {
    std::string form = "WAVE", file;
    put_chunk(form, "fmt ", "ABCD");
    form += std::string("odd \3\0\0\0xyzd", 12);
    put_chunk(form, "LIST", "INFOjunk");
    put_chunk(form, "data", "12345");
    put_chunk(file, "RIFF", form);
    put_chunk(file, "tail", "zzz");
    file.pop_back();
    return file;
}

FOURCC fcc(const char *id) {
    return mmioFOURCC(id[0], id[1], id[2], id[3]);
}

struct MemoryFile {
    std::string bytes;
    HMMIO handle = nullptr;
    MMCKINFO form{}, chunk{};
    explicit MemoryFile(std::string file) : bytes(std::move(file)) {
        MMIOINFO info{0, FOURCC_MEM, 0, static_cast<LONG>(bytes.size()), bytes.data()};
        handle = mmioOpenA(nullptr, &info, MMIO_READ | MMIO_ALLOCBUF);
    }
    ~MemoryFile() { mmioClose(handle, 0); }
    MMRESULT find_wave_form(const char *type = "WAVE") {
        form = MMCKINFO{0, 0, fcc(type), 0, 0};
        return mmioDescend(handle, &form, nullptr, MMIO_FINDRIFF);
    }
    // Into the chunk `id` (any first chunk when null) inside `parent`.
    MMRESULT descend(const char *id, const MMCKINFO *parent) {
        chunk = MMCKINFO{id != nullptr ? fcc(id) : 0, 0, 0, 0, 0};
        return mmioDescend(handle, &chunk, parent, id != nullptr ? MMIO_FINDCHUNK : 0);
    }
    std::string read(LONG length) {
        std::string text(static_cast<std::size_t>(length), '\0');
        text.resize(static_cast<std::size_t>(mmioRead(handle, text.data(), length)));
        return text;
    }
};

TEST(RiffTest, WalksAFormChunkByChunkAndRefusesChunksCutShortOrTooLarge) {
    MemoryFile file(sample_file());
    ASSERT_EQ(file.find_wave_form(), MMSYSERR_NOERROR);
    EXPECT_EQ(file.form.ckid, FOURCC_RIFF);
    EXPECT_EQ(file.form.dwDataOffset, 8u);
    ASSERT_EQ(file.descend(nullptr, &file.form), MMSYSERR_NOERROR);
    EXPECT_EQ(file.chunk.ckid, fcc("fmt "));
    EXPECT_EQ(file.chunk.cksize, 4u);
    EXPECT_EQ(file.read(6), "ABCDod"); // reads go by the file, not the chunk
    ASSERT_EQ(mmioAscend(file.handle, &file.chunk, 0), MMSYSERR_NOERROR);

    // The search steps over the odd chunk and its pad byte, and into nothing outside the form.
    ASSERT_EQ(file.descend("data", &file.form), MMSYSERR_NOERROR);
    EXPECT_EQ(file.chunk.cksize, 5u);
    EXPECT_EQ(file.read(8).substr(0, 5), "12345");
    ASSERT_EQ(mmioAscend(file.handle, &file.chunk, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(file.descend("tail", &file.form), MMIOERR_CHUNKNOTFOUND);
    ASSERT_EQ(file.descend("tail", nullptr), MMSYSERR_NOERROR);
    EXPECT_EQ(file.read(8), "zzz");
    EXPECT_EQ(mmioAscend(file.handle, &file.chunk, 0), MMSYSERR_NOERROR); // the pad may lack
    EXPECT_EQ(file.read(8), "");
    EXPECT_EQ(mmioRead(file.handle, nullptr, -1), -1);

    // A LIST tells its type; chunks and forms that are not there are not found.
    MemoryFile again(sample_file());
    ASSERT_EQ(again.find_wave_form(), MMSYSERR_NOERROR);
    ASSERT_EQ(again.descend("LIST", &again.form), MMSYSERR_NOERROR);
    EXPECT_EQ(again.chunk.fccType, fcc("INFO"));
    EXPECT_EQ(again.read(4), "junk");
    EXPECT_EQ(MemoryFile(sample_file()).find_wave_form("AVI "), MMIOERR_CHUNKNOTFOUND);

    // Every cut inside a header: the form is not found, or its first chunk cannot be entered.
    for (std::size_t length : {0u, 3u, 8u, 11u, 12u, 19u}) {
        MemoryFile cut(sample_file().substr(0, length));
        ASSERT_NE(cut.handle, nullptr);
        EXPECT_FALSE(cut.find_wave_form() == 0 && cut.descend(nullptr, &cut.form) == 0) << length;
    }
    // A chunk that claims more than the file holds can be entered but not left.
    std::string big;
    put_chunk(big, "RIFF", std::string("WAVEfmt \xff\xff\xff\x7f", 12) + "ab");
    MemoryFile huge(big);
    ASSERT_EQ(huge.find_wave_form(), MMSYSERR_NOERROR);
    ASSERT_EQ(huge.descend(nullptr, &huge.form), MMSYSERR_NOERROR);
    EXPECT_EQ(huge.chunk.cksize, 0x7FFFFFFFu);
    EXPECT_EQ(mmioAscend(huge.handle, &huge.chunk, 0), MMIOERR_CANNOTSEEK);
    EXPECT_EQ(huge.read(8), "ab");
    // Opening for writing, and a memory block of a negative size, are refused.
    EXPECT_EQ(mmioOpenA(nullptr, nullptr, 0x0002 /* read and write */), nullptr);
    MMIOINFO info{0, FOURCC_MEM, 0, -1, nullptr};
    EXPECT_EQ(mmioOpenA(nullptr, &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, MMSYSERR_INVALPARAM);
}

// The carried pan law is OpenAL's own: both sides of a 1 kHz tone at each degree 0..90 to the
// right, relative to the centre, on the sound object's loopback device once gains have settled.
TEST(PanLaw, TheCarriedLawIsOpenALsOwn) {
    testing_use_loopback_sound(44100);
    IDirectSound *sound = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
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
    alSourcePlay(source);
    ASSERT_EQ(openal_pan_law.size(), 91u);
    std::vector<float> frames(2 * 2048);
    double centre = 0;
    for (int degrees = 0; degrees <= 90; ++degrees) {
        SCOPED_TRACE(degrees);
        const double radians = degrees * M_PI / 180.0;
        alSource3f(source, AL_POSITION, static_cast<float>(std::sin(radians)), 0.0f,
                   static_cast<float>(-std::cos(radians)));
        ASSERT_TRUE(testing_render_sound(frames.data(), 2048));
        double left = 0, right = 0;
        for (int i = 1024; i < 2048; ++i) {
            left += frames[2 * i] * frames[2 * i];
            right += frames[2 * i + 1] * frames[2 * i + 1];
        }
        centre = degrees == 0 ? std::sqrt(left / 1024) : centre;
        ASSERT_GT(centre, 0.0);
        EXPECT_NEAR(openal_pan_law[degrees].left, std::sqrt(left / 1024) / centre, 0.002);
        EXPECT_NEAR(openal_pan_law[degrees].right, std::sqrt(right / 1024) / centre, 0.002);
    }
    alDeleteSources(1, &source);
    alDeleteBuffers(1, &buffer);
    sound->Release();
}

} // namespace
