// The sound table: slot order, full tables, slots without buffers, duplication, resets, the
// volume mapping, status, and every failure path of the layer and its loaders.
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

#include "engine_test_support.h"

namespace {

using SoundTableTest = SoundTest;

TEST_F(SoundTableTest, LoadsFillSlotsInOrderUntilTheTableIsFull) {
    const std::vector<BYTE> wav = small_wav(40, 8000);
    for (int expected = 0; expected < SOUND_SLOT_COUNT; ++expected) {
        ASSERT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), expected);
        const SoundSlot &s = sound_slots[expected];
        EXPECT_EQ((std::vector{s.state, s.id, s.rate, s.size}),
                  (std::vector{1, expected, 8000, 40}));
        EXPECT_NE(s.buffer, nullptr);
    }
    std::string wav_path = dir.write("full.wav", wav);
    std::string voc_path = dir.write("full.voc", voc_file(100, 166));
    EXPECT_EQ(sound_load_wav(wav_path.c_str(), 224), -1);
    EXPECT_EQ(sound_load_voc(voc_path.c_str()), -1);
    EXPECT_EQ(sound_replicate(0), -1);

    // A deleted slot stays claimed: nothing can be loaded until the table is reset.
    sound_delete(10);
    EXPECT_EQ(sound_slots[10].buffer, nullptr);
    EXPECT_EQ(sound_slots[10].state, 1);
    EXPECT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), -1);
    EXPECT_EQ(sound_init(), 1);
    EXPECT_EQ(sound_load_voc(voc_path.c_str()), 0);
}

TEST_F(SoundTableTest, SlotsWithoutABufferPlayNothing) {
    const std::vector<BYTE> wav = small_wav();
    ASSERT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), 0);
    ASSERT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), 1);
    sound_delete(1);
    SoundSlot before[SOUND_SLOT_COUNT];
    std::memcpy(before, sound_slots, sizeof before);

    testing_record_calls(true);
    // -1 (a sound that failed to load), a deleted slot, a never-loaded slot and numbers outside
    // the table all behave as slots without a buffer.
    for (int slot : {-1, 1, 5, 64, 1000, -2, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(sound_play(slot, 0), 1);
        EXPECT_EQ(sound_play(slot, DSBPLAY_LOOPING), 1);
        EXPECT_EQ(sound_status(slot), -1);
        EXPECT_EQ(sound_set_volume(slot, 50), 0);
        EXPECT_EQ(sound_set_frequency(slot, 22050), 0);
        EXPECT_EQ(sound_set_pan(slot, 1000), 0);
        EXPECT_EQ(sound_stop(slot), 1);
        EXPECT_EQ(sound_delete(slot), 1);
    }
    EXPECT_EQ(count_calls("IDirectSoundBuffer::"), 0);
    EXPECT_EQ(std::memcmp(before, sound_slots, sizeof before), 0);
    EXPECT_EQ(sound_status(0), 0);
}

TEST_F(SoundTableTest, ReplicateFillsTheFirstFreeSlotWithItsOwnBuffer) {
    const std::vector<BYTE> wav = small_wav(300, 22050);
    for (int i = 0; i < 7; ++i)
        ASSERT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), i);
    sound_slots[3].rate = 12345; // tells slot 3 apart from the others
    ASSERT_EQ(sound_set_volume(3, 50), 1);

    SoundSlot before[SOUND_SLOT_COUNT];
    std::memcpy(before, sound_slots, sizeof before);
    EXPECT_EQ(sound_replicate(-1), -1);
    EXPECT_EQ(sound_replicate(64), -1);
    EXPECT_EQ(std::memcmp(before, sound_slots, sizeof before), 0);

    ASSERT_EQ(sound_replicate(3), 7);
    const SoundSlot &copy = sound_slots[7];
    EXPECT_EQ((std::vector{copy.state, copy.id, copy.rate, copy.size}),
              (std::vector{1, 7, 12345, 300}));
    ASSERT_NE(copy.buffer, nullptr);
    EXPECT_NE(copy.buffer, sound_slots[3].buffer);
    EXPECT_EQ(copy.buffer->data, sound_slots[3].buffer->data);
    EXPECT_EQ(copy.buffer->volume, -1500);

    // Each plays on its own, and deleting the original leaves the copy playable.
    ASSERT_EQ(sound_play(7, DSBPLAY_LOOPING), 1);
    EXPECT_EQ(sound_status(7), static_cast<int>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    EXPECT_EQ(sound_status(3), 0);
    sound_delete(3);
    EXPECT_EQ(sound_status(7), static_cast<int>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    EXPECT_EQ(copy.buffer->data->bytes, std::vector<BYTE>(wav.begin() + 44, wav.end()));

    // A failed duplication frees the chosen slot again; so does a source without a buffer.
    testing_fail("DuplicateSoundBuffer");
    EXPECT_EQ(sound_replicate(0), -1);
    EXPECT_TRUE(sound_slots[8].state == 0 && sound_slots[8].buffer == nullptr);
    EXPECT_EQ(sound_replicate(3), -1);
    EXPECT_EQ(sound_slots[8].state, 0);
    EXPECT_EQ(sound_replicate(0), 8);
}

TEST_F(SoundTableTest, ASecondInitReleasesEverySoundAndKeepsTheSoundObject) {
    const std::vector<BYTE> wav = small_wav(500);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), i);
    ASSERT_EQ(sound_replicate(2), 5);
    ASSERT_EQ(sound_play(1, DSBPLAY_LOOPING), 1);
    sound_slots[40].state = 1;
    sound_slots[40].id = 99;
    IDirectSound *object = ds_object;

    testing_record_calls(true);
    EXPECT_EQ(sound_init(), 1);
    EXPECT_EQ(count_calls("IDirectSoundBuffer::Release"), 6);
    EXPECT_EQ(count_calls("DirectSoundCreate"), 0);
    EXPECT_EQ(ds_object, object);
    EXPECT_TRUE(ds_object->buffers.empty());
    for (int slot = 0; slot < SOUND_SLOT_COUNT; ++slot) {
        const SoundSlot &s = sound_slots[slot];
        EXPECT_TRUE(s.buffer == nullptr && s.state == 0 && s.rate == 0 && s.size == 0 &&
                    s.id == slot)
            << slot;
    }
    EXPECT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), 0);
}

TEST_F(SoundTableTest, VolumeStepsAreThreeTenthsOfADecibel) {
    const std::vector<BYTE> wav = small_wav();
    ASSERT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), 0);
    IDirectSoundBuffer *buffer = sound_slots[0].buffer;
    for (auto [volume, passed] : {std::pair{100, 0}, {50, -1500}, {0, -3000}, {-233, -9990}}) {
        EXPECT_EQ(sound_set_volume(0, volume), 1);
        EXPECT_EQ(buffer->volume, passed) << volume;
    }
    // Out of the buffer's range: refused, and the buffer keeps its setting.
    for (int volume : {101, -234, INT_MAX, INT_MIN}) {
        EXPECT_EQ(sound_set_volume(0, volume), 0) << volume;
        EXPECT_EQ(buffer->volume, -9990);
    }
    EXPECT_EQ(sound_set_pan(0, -10000) + sound_set_frequency(0, 44100), 2);
    EXPECT_EQ(sound_set_pan(0, 10001) + sound_set_frequency(0, 99) + sound_set_frequency(0, -1), 0);
    EXPECT_EQ(buffer->frequency, 44100u);
    EXPECT_EQ(sound_set_frequency(0, 0), 1); // back to the buffer's own 11025
    EXPECT_EQ(buffer->frequency, 11025u);

    // A WAV loaded without control flags has buffers that refuse every setting.
    ASSERT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 0), 1);
    EXPECT_EQ(sound_slots[1].buffer->flags, DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE);
    EXPECT_EQ(sound_set_volume(1, 50) + sound_set_pan(1, 0) + sound_set_frequency(1, 11025), 0);
}

TEST_F(SoundTableTest, StatusFollowsPlayingStoppingAndTheEndOfTheSound) {
    const std::vector<BYTE> wav = small_wav(550); // 50 ms
    ASSERT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), 0);
    EXPECT_EQ(sound_status(0), 0);
    ASSERT_EQ(sound_play(0, DSBPLAY_LOOPING), 1);
    EXPECT_EQ(sound_status(0), static_cast<int>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));

    testing_record_calls(true);
    EXPECT_EQ(sound_stop_all(), 1);
    EXPECT_EQ(sound_status(0), 0);
    const auto &calls = testing_recorded_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_NE(calls[0].find("::Stop"), std::string::npos);
    EXPECT_NE(calls[1].find("::SetCurrentPosition"), std::string::npos);
    EXPECT_EQ(calls[1].substr(calls[1].rfind(' ')), " 0");

    // Played once, the sound ends by itself.
    ASSERT_EQ(sound_play(0, 0), 1);
    EXPECT_EQ(sound_status(0), static_cast<int>(DSBSTATUS_PLAYING));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (sound_status(0) != 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(sound_status(0), 0);

    testing_fail("Play");
    EXPECT_EQ(sound_play(0, 0), 0);
    EXPECT_EQ(sound_status(0), 0);
}

TEST_F(SoundTableTest, WithoutASoundObjectTheLayerIsSilent) {
    sound_shutdown();
    sound_first_call = 1;
    testing_fail("DirectSoundCreate");
    EXPECT_EQ(sound_init(), 0);
    EXPECT_EQ(sound_first_call, 0);
    EXPECT_EQ(ds_object, nullptr);
    EXPECT_EQ(sound_slots[5].id, 0); // the table is zeroed, not yet numbered

    const std::vector<BYTE> wav = small_wav();
    const std::vector<BYTE> voc = voc_file(100, 166);
    std::string path = dir.write("a.wav", wav);
    EXPECT_EQ(sound_load_wav(path.c_str(), 224), -1);
    EXPECT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), -1);
    EXPECT_EQ(sound_load_voc_memory(voc.data(), voc.size()), -1);
    EXPECT_EQ(sound_play(0, 0), 1);
    EXPECT_EQ(sound_replicate(0), -1);
    EXPECT_EQ(sound_slots[0].state, 0);
    // A later init does not try again; it numbers the slots and succeeds.
    EXPECT_EQ(sound_init(), 1);
    EXPECT_EQ(ds_object, nullptr);
    EXPECT_EQ(sound_slots[5].id, 5);
    EXPECT_EQ(sound_shutdown(), 1);

    sound_first_call = 1;
    testing_fail("SetCooperativeLevel");
    EXPECT_EQ(sound_init(), 0);
    EXPECT_NE(ds_object, nullptr); // kept, and released by the shutdown
}

TEST_F(SoundTableTest, FailedBuffersLeaveTheSlotClaimed) {
    const std::vector<BYTE> wav = small_wav(64, 8000);
    const std::vector<BYTE> voc = voc_file(106, 131);

    testing_fail("CreateSoundBuffer");
    EXPECT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), -1);
    EXPECT_EQ((std::vector{sound_slots[0].state, sound_slots[0].rate, sound_slots[0].size}),
              (std::vector{1, 8000, 64}));
    EXPECT_EQ(sound_slots[0].buffer, nullptr);
    testing_fail("CreateSoundBuffer");
    EXPECT_EQ(sound_load_voc_memory(voc.data(), voc.size()), -1);
    EXPECT_TRUE(sound_slots[1].state == 1 && sound_slots[1].buffer == nullptr);

    for (const char *operation : {"Lock", "Unlock"}) {
        SCOPED_TRACE(operation);
        testing_fail(operation);
        int slot = sound_slots[2].state == 0 ? 2 : 3;
        EXPECT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), -1);
        EXPECT_EQ(sound_slots[slot].state, 1);
        EXPECT_NE(sound_slots[slot].buffer, nullptr);
    }
    testing_fail("Lock");
    EXPECT_EQ(sound_load_voc_memory(voc.data(), voc.size()), -1);
    EXPECT_NE(sound_slots[4].buffer, nullptr);
    EXPECT_EQ(sound_load_wav_memory(wav.data(), wav.size(), 224), 5);
}

} // namespace
