// Sound buffers on the null audio device: creation checks, the two lock regions, and play, stop
// and rewind as the status and the write cursor show them. (Duplicates: the sound table's tests.)
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/sound.h"
#include "platform/testing.h"

namespace {

void sleep_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

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

    HRESULT create(DWORD bytes, IDirectSoundBuffer **buffer, DWORD size = DSBUFFERDESC1_SIZE,
                   WAVEFORMATEX *with = nullptr) {
        DSBUFFERDESC desc{size, 0xE0, bytes, 0, with != nullptr ? with : &format};
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
    // The write cursor, told by where a lock from it begins.
    DWORD write_cursor(IDirectSoundBuffer *buffer) {
        EXPECT_EQ(lock(buffer, 0, 1, DSBLOCK_FROMWRITECURSOR), DS_OK);
        EXPECT_EQ(buffer->Unlock(region1, bytes1, region2, bytes2), DS_OK);
        return static_cast<DWORD>(static_cast<BYTE *>(region1) - buffer->data->bytes.data());
    }
};

TEST_F(SoundBufferTest, CreationChecksItsDescription) {
    IDirectSoundBuffer *buffer = nullptr;
    IDirectSound *second = nullptr;
    EXPECT_EQ(DirectSoundCreate(nullptr, &second, nullptr), DSERR_ALLOCATED);
    EXPECT_EQ(create(100, &buffer, sizeof(DSBUFFERDESC)), DSERR_INVALIDPARAM);
    for (DWORD bytes : {0u, 3u, DSBSIZE_MAX + 1})
        EXPECT_EQ(create(bytes, &buffer), DSERR_INVALIDPARAM) << bytes;
    WAVEFORMATEX sixteen_bits = format;
    sixteen_bits.wBitsPerSample = 16;
    EXPECT_EQ(create(100, &buffer, DSBUFFERDESC1_SIZE, &sixteen_bits), DSERR_BADFORMAT);
    DSBUFFERDESC no_format{DSBUFFERDESC1_SIZE, 0xE0, 100, 0, nullptr};
    EXPECT_EQ(sound->CreateSoundBuffer(&no_format, &buffer, nullptr), DSERR_BADFORMAT);
    testing_fail("CreateSoundBuffer");
    EXPECT_TRUE(FAILED(create(100, &buffer)));
    EXPECT_EQ(buffer, nullptr);
    EXPECT_TRUE(sound->buffers.empty());
    EXPECT_EQ(sound->DuplicateSoundBuffer(nullptr, &buffer), DSERR_INVALIDPARAM);

    EXPECT_EQ(make(4)->data->bytes.size(), 4u); // the smallest
    buffer = make(100);
    EXPECT_EQ(buffer->data->bytes, std::vector<BYTE>(100, 0x80));
    EXPECT_EQ(status(buffer), 0u);
}

TEST_F(SoundBufferTest, LocksHandOutTwoRegionsThatWrap) {
    IDirectSoundBuffer *buffer = make(100);
    BYTE *start = buffer->data->bytes.data();
    ASSERT_EQ(lock(buffer, 90, 20), DS_OK);
    EXPECT_EQ(region1, start + 90);
    EXPECT_EQ(bytes1, 10u);
    EXPECT_EQ(region2, start);
    EXPECT_EQ(bytes2, 10u);
    void *again1, *again2;
    DWORD again_bytes1, again_bytes2;
    EXPECT_EQ(buffer->Lock(0, 4, &again1, &again_bytes1, &again2, &again_bytes2, 0),
              DSERR_INVALIDCALL);
    BYTE elsewhere[4];
    EXPECT_EQ(buffer->Unlock(elsewhere, 4, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Unlock(region1, 11, region2, bytes2), DSERR_INVALIDPARAM);
    std::fill_n(static_cast<BYTE *>(region1), bytes1, 1);
    std::fill_n(static_cast<BYTE *>(region2), bytes2, 2);
    ASSERT_EQ(buffer->Unlock(region1, bytes1, region2, bytes2), DS_OK);
    EXPECT_EQ(buffer->data->bytes[0], 2);
    EXPECT_EQ(buffer->data->bytes[95], 1);

    // From the write cursor of a buffer that never played: all of it, in one region.
    ASSERT_EQ(lock(buffer, 50, 100, DSBLOCK_FROMWRITECURSOR), DS_OK);
    EXPECT_EQ(region1, start);
    EXPECT_EQ(bytes1, 100u);
    EXPECT_EQ(region2, nullptr);
    EXPECT_EQ(bytes2, 0u);
    ASSERT_EQ(buffer->Unlock(region1, bytes1, region2, bytes2), DS_OK);
    EXPECT_EQ(lock(buffer, 0, 101), DSERR_INVALIDPARAM);
    EXPECT_EQ(lock(buffer, 100, 1), DSERR_INVALIDPARAM);
}

TEST_F(SoundBufferTest, StopKeepsThePositionAndRewindRestarts) {
    IDirectSoundBuffer *buffer = make(11025 * 4); // four seconds
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    sleep_ms(300);
    ASSERT_EQ(buffer->Stop(), DS_OK);
    const DWORD paused_at = write_cursor(buffer);
    EXPECT_GT(paused_at, 1000u);
    sleep_ms(50);
    EXPECT_EQ(write_cursor(buffer), paused_at);

    // Play goes on from there; playing again while playing does not rewind.
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

    // A sound that ended plays again from its start.
    IDirectSoundBuffer *click = make(110);
    ASSERT_EQ(click->Play(0, 0, 0), DS_OK);
    sleep_ms(200);
    EXPECT_EQ(status(click), 0u);
    ASSERT_EQ(click->SetCurrentPosition(0), DS_OK);
    ASSERT_EQ(click->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(status(click), DSBSTATUS_PLAYING);
}

TEST(SoundObjectTest, FaultsFailCreationAndCooperation) {
    IDirectSound *sound = nullptr;
    testing_fail("DirectSoundCreate");
    EXPECT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(sound, nullptr);
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
    testing_fail("SetCooperativeLevel");
    EXPECT_TRUE(FAILED(sound->SetCooperativeLevel(nullptr, DSSCL_NORMAL)));
    // The four levels, 1 to 4, and nothing around them.
    EXPECT_EQ(sound->SetCooperativeLevel(nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(sound->SetCooperativeLevel(nullptr, 5), DSERR_INVALIDPARAM);
    EXPECT_EQ(sound->SetCooperativeLevel(nullptr, 4), DS_OK);
    EXPECT_EQ(sound->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DS_OK);
    EXPECT_EQ(sound->cooperative_level, DSSCL_NORMAL);
    sound->Release();
    // Released, the device can be opened again.
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
    sound->Release();
    testing_clear_faults();
}

} // namespace
