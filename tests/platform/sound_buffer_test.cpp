// Sound buffers on the null audio device: creation checks, the two lock regions, shared data of
// duplicates, and play, stop and rewind as the status and the write cursor show them.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/sound.h"
#include "platform/testing.h"

namespace {

struct SoundBufferTest : ::testing::Test {
    IDirectSound *sound = nullptr;
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    DSBUFFERDESC desc{DSBUFFERDESC1_SIZE, 0xE0, 0, 0, &format};

    void SetUp() override { ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK); }
    void TearDown() override {
        if (sound != nullptr)
            sound->Release();
        testing_clear_faults();
    }

    IDirectSoundBuffer *make(DWORD bytes) {
        desc.dwBufferBytes = bytes;
        IDirectSoundBuffer *buffer = nullptr;
        EXPECT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
        return buffer;
    }

    // The write cursor, told by where a lock from it begins.
    static DWORD write_cursor(IDirectSoundBuffer *buffer) {
        void *region1, *region2;
        DWORD bytes1, bytes2;
        EXPECT_EQ(buffer->Lock(0, 1, &region1, &bytes1, &region2, &bytes2, DSBLOCK_FROMWRITECURSOR),
                  DS_OK);
        EXPECT_EQ(buffer->Unlock(region1, bytes1, region2, bytes2), DS_OK);
        return static_cast<DWORD>(static_cast<BYTE *>(region1) - buffer->data->bytes.data());
    }
};

TEST_F(SoundBufferTest, CreationChecksItsDescription) {
    IDirectSoundBuffer *buffer = nullptr;
    IDirectSound *second = nullptr;
    EXPECT_EQ(DirectSoundCreate(nullptr, &second, nullptr), DSERR_ALLOCATED);
    desc.dwBufferBytes = 100;
    desc.dwSize = sizeof(DSBUFFERDESC);
    EXPECT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    desc.dwSize = DSBUFFERDESC1_SIZE;
    for (DWORD bytes : {0u, 3u, DSBSIZE_MAX + 1}) {
        desc.dwBufferBytes = bytes;
        EXPECT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    }
    desc.dwBufferBytes = 100;
    format.wBitsPerSample = 16;
    EXPECT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    format.wBitsPerSample = 8;
    desc.lpwfxFormat = nullptr;
    EXPECT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    desc.lpwfxFormat = &format;
    testing_fail("CreateSoundBuffer");
    EXPECT_TRUE(FAILED(sound->CreateSoundBuffer(&desc, &buffer, nullptr)));
    EXPECT_EQ(buffer, nullptr);
    EXPECT_TRUE(sound->buffers.empty());

    ASSERT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
    EXPECT_EQ(buffer->data->bytes, std::vector<BYTE>(100, 0x80));
    DWORD status = 99;
    EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
}

TEST_F(SoundBufferTest, LocksHandOutTwoRegionsThatWrap) {
    IDirectSoundBuffer *buffer = make(100);
    void *region1, *region2;
    DWORD bytes1, bytes2;
    ASSERT_EQ(buffer->Lock(90, 20, &region1, &bytes1, &region2, &bytes2, 0), DS_OK);
    BYTE *start = buffer->data->bytes.data();
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
    ASSERT_EQ(buffer->Lock(50, 100, &region1, &bytes1, &region2, &bytes2, DSBLOCK_FROMWRITECURSOR),
              DS_OK);
    EXPECT_EQ(region1, start);
    EXPECT_EQ(bytes1, 100u);
    EXPECT_EQ(region2, nullptr);
    EXPECT_EQ(bytes2, 0u);
    ASSERT_EQ(buffer->Unlock(region1, bytes1, region2, bytes2), DS_OK);
    EXPECT_EQ(buffer->Lock(0, 101, &region1, &bytes1, &region2, &bytes2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(100, 1, &region1, &bytes1, &region2, &bytes2, 0), DSERR_INVALIDPARAM);
}

TEST_F(SoundBufferTest, DuplicatesShareDataAndOutliveTheOriginal) {
    IDirectSoundBuffer *original = make(200);
    ASSERT_EQ(original->SetVolume(-600), DS_OK);
    ASSERT_EQ(original->SetPan(2500), DS_OK);
    IDirectSoundBuffer *copy = nullptr;
    ASSERT_EQ(sound->DuplicateSoundBuffer(original, &copy), DS_OK);
    EXPECT_EQ(copy->data, original->data);
    EXPECT_NE(copy->al_source, original->al_source);
    EXPECT_EQ(copy->volume, -600);
    EXPECT_EQ(copy->pan, 2500);

    // Data written through the original, while the copy plays, is the copy's data too.
    ASSERT_EQ(copy->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    void *region1, *region2;
    DWORD bytes1, bytes2;
    ASSERT_EQ(original->Lock(0, 200, &region1, &bytes1, &region2, &bytes2, 0), DS_OK);
    std::fill_n(static_cast<BYTE *>(region1), bytes1, 0xC0);
    ASSERT_EQ(original->Unlock(region1, bytes1, region2, bytes2), DS_OK);
    DWORD status = 0;
    EXPECT_EQ(copy->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);

    EXPECT_EQ(original->Release(), 0u);
    EXPECT_EQ(copy->data->bytes, std::vector<BYTE>(200, 0xC0));
    EXPECT_EQ(copy->Stop(), DS_OK);
    testing_fail("DuplicateSoundBuffer");
    IDirectSoundBuffer *failed = copy;
    EXPECT_TRUE(FAILED(sound->DuplicateSoundBuffer(copy, &failed)));
    EXPECT_EQ(failed, nullptr);
    EXPECT_EQ(sound->DuplicateSoundBuffer(nullptr, &failed), DSERR_INVALIDPARAM);
    // The sound object's release frees the copy that is still there.
}

TEST_F(SoundBufferTest, StopKeepsThePositionAndRewindRestarts) {
    IDirectSoundBuffer *buffer = make(11025 * 4); // four seconds
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(buffer->Stop(), DS_OK);
    DWORD paused_at = write_cursor(buffer);
    EXPECT_GT(paused_at, 1000u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(write_cursor(buffer), paused_at);

    // Play goes on from there; playing again while playing does not rewind.
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    DWORD status = 0;
    EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    EXPECT_GT(write_cursor(buffer), paused_at);

    // Rewinding while playing restarts from the first byte.
    ASSERT_EQ(buffer->SetCurrentPosition(0), DS_OK);
    EXPECT_LT(write_cursor(buffer), paused_at / 2);
    EXPECT_EQ(buffer->SetCurrentPosition(11025 * 4), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Play(1, 0, 0), DSERR_INVALIDPARAM);

    // A sound that ended plays again from its start.
    IDirectSoundBuffer *click = make(110);
    ASSERT_EQ(click->Play(0, 0, 0), DS_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(click->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    ASSERT_EQ(click->SetCurrentPosition(0), DS_OK);
    ASSERT_EQ(click->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(click->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DSBSTATUS_PLAYING);
}

TEST(SoundObjectTest, FaultsFailCreationAndCooperation) {
    IDirectSound *sound = nullptr;
    testing_fail("DirectSoundCreate");
    EXPECT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(sound, nullptr);
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
    testing_fail("SetCooperativeLevel");
    EXPECT_TRUE(FAILED(sound->SetCooperativeLevel(nullptr, DSSCL_NORMAL)));
    EXPECT_EQ(sound->SetCooperativeLevel(nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(sound->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DS_OK);
    EXPECT_EQ(sound->cooperative_level, DSSCL_NORMAL);
    sound->Release();
    // Released, the device can be opened again.
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
    sound->Release();
    testing_clear_faults();
}

} // namespace
