// The sound table: slots, duplication, resets, volume, status and the failure paths.

#include "engine_test_support.h"

namespace {

struct SoundTableTest : SoundTest {
    // Loads small_wav(samples, rate) from memory; the slot or -1.
    static int load(std::size_t samples = 64, DWORD rate = 11025, DWORD flags = 224) {
        const std::vector<BYTE> wav = small_wav(samples, rate);
        return sound_load_wav_memory(wav.data(), wav.size(), flags);
    }
    static std::vector<int> fields(const SoundSlot &s) {
        return {s.state, s.id, s.rate, s.size, s.buffer != nullptr};
    }
};

TEST_F(SoundTableTest, LoadsFillSlotsInOrderUntilTheTableIsFullAndASecondInitEmptiesIt) {
    for (int expected = 0; expected < SOUND_SLOT_COUNT; ++expected) {
        ASSERT_EQ(load(40, 8000), expected);
        EXPECT_EQ(fields(sound_slots[expected]), (std::vector{1, expected, 8000, 40, 1}));
    }
    const std::string voc_path = dir.write("full.voc", voc_file(100, 166));
    EXPECT_EQ(sound_load_wav(dir.write("full.wav", small_wav()).c_str(), 224) +
                  sound_load_voc(voc_path.c_str()) + sound_replicate(0), -3);
    // A deleted slot stays claimed: nothing can be loaded until the table is reset.
    sound_delete(10);
    EXPECT_EQ(fields(sound_slots[10]), (std::vector{1, 10, 8000, 40, 0}));
    EXPECT_EQ(load(), -1);
    ASSERT_EQ(sound_play(1, DSBPLAY_LOOPING), 1);
    sound_slots[10].id = 99;
    // A second init releases every sound, keeps the sound object, and numbers the slots again.
    IDirectSound *object = ds_object;
    testing_record_calls(true);
    EXPECT_EQ(sound_init(), 1);
    EXPECT_EQ((std::pair{count_calls("IDirectSoundBuffer::Release"), count_calls("DirectSoundCreate")}),
              (std::pair{SOUND_SLOT_COUNT - 1, 0}));
    EXPECT_TRUE(ds_object == object && ds_object->buffers.empty());
    for (int slot = 0; slot < SOUND_SLOT_COUNT; ++slot)
        EXPECT_EQ(fields(sound_slots[slot]), (std::vector{0, slot, 0, 0, 0})) << slot;
    EXPECT_EQ(sound_load_voc(voc_path.c_str()), 0);
}

TEST_F(SoundTableTest, SlotsWithoutABufferPlayNothing) {
    ASSERT_EQ((std::array{load(), load()}), (std::array{0, 1}));
    sound_delete(1);
    SoundSlot before[SOUND_SLOT_COUNT];
    std::memcpy(before, sound_slots, sizeof before);
    testing_record_calls(true);
    // A failed load's -1, deleted, never-loaded and outside slots all have no buffer.
    for (int slot : {-1, 1, 5, 64, 1000, -2, INT_MIN, INT_MAX})
        EXPECT_EQ((std::array{sound_play(slot, 0) + sound_play(slot, DSBPLAY_LOOPING), sound_status(slot),
                              sound_set_volume(slot, 50) + sound_set_frequency(slot, 22050) +
                                  sound_set_pan(slot, 1000), sound_stop(slot) + sound_delete(slot)}),
                  (std::array{2, -1, 0, 2})) << slot;
    EXPECT_EQ((std::array{count_calls("IDirectSoundBuffer::"),
                          std::memcmp(before, sound_slots, sizeof before), sound_status(0)}),
              (std::array{0, 0, 0}));
}

TEST_F(SoundTableTest, ReplicateFillsTheFirstFreeSlotWithItsOwnBuffer) {
    for (int i = 0; i < 7; ++i)
        ASSERT_EQ(load(300, 22050), i);
    sound_slots[3].rate = 12345; // tells slot 3 apart from the others
    ASSERT_EQ(sound_set_volume(3, 50), 1);
    SoundSlot before[SOUND_SLOT_COUNT];
    std::memcpy(before, sound_slots, sizeof before);
    EXPECT_EQ(sound_replicate(-1) + sound_replicate(64), -2);
    EXPECT_EQ(std::memcmp(before, sound_slots, sizeof before), 0);
    ASSERT_EQ(sound_replicate(3), 7);
    const SoundSlot &copy = sound_slots[7];
    ASSERT_EQ(fields(copy), (std::vector{1, 7, 12345, 300, 1}));
    EXPECT_TRUE(copy.buffer != sound_slots[3].buffer && copy.buffer->data == sound_slots[3].buffer->data);
    EXPECT_EQ(copy.buffer->volume, -1500);
    // Each plays on its own, and deleting the original leaves the copy playable.
    const int looping = static_cast<int>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    ASSERT_EQ(sound_play(7, DSBPLAY_LOOPING), 1);
    EXPECT_EQ((std::pair{sound_status(7), sound_status(3)}), (std::pair{looping, 0}));
    sound_delete(3);
    EXPECT_EQ(sound_status(7), looping);
    const std::vector<BYTE> wav = small_wav(300, 22050);
    EXPECT_EQ(copy.buffer->data->bytes, std::vector<BYTE>(wav.begin() + 44, wav.end()));
    // A failed duplication frees the chosen slot again; so does a source without a buffer.
    testing_fail("DuplicateSoundBuffer");
    EXPECT_EQ((std::array{sound_replicate(0), fields(sound_slots[8])[0], fields(sound_slots[8])[4],
                          sound_replicate(3), sound_slots[8].state, sound_replicate(0)}),
              (std::array{-1, 0, 0, -1, 0, 8}));
}

TEST_F(SoundTableTest, VolumeStepsAreThreeTenthsOfADecibelAndStatusFollowsPlaying) {
    ASSERT_EQ(load(), 0);
    IDirectSoundBuffer *buffer = sound_slots[0].buffer;
    // Volume, result and the buffer's setting: out of its range refused, the setting kept.
    for (auto [volume, result, passed] : {std::array{100, 1, 0}, {50, 1, -1500}, {0, 1, -3000}, {-233, 1, -9990},
                                          {101, 0, -9990}, {-234, 0, -9990}, {INT_MAX, 0, -9990}, {INT_MIN, 0, -9990}})
        EXPECT_EQ((std::array{sound_set_volume(0, volume), int(buffer->volume)}), (std::array{result, passed}))
            << volume;
    EXPECT_EQ(sound_set_pan(0, -10000) + sound_set_frequency(0, 44100), 2);
    EXPECT_EQ(sound_set_pan(0, 10001) + sound_set_frequency(0, 99) + sound_set_frequency(0, -1), 0);
    EXPECT_EQ((std::array{int(buffer->frequency), sound_set_frequency(0, 0), int(buffer->frequency)}),
              (std::array{44100, 1, 11025})); // 0: back to the buffer's own
    // A WAV loaded without control flags has buffers that refuse every setting.
    ASSERT_EQ(load(64, 11025, 0), 1);
    EXPECT_EQ(sound_slots[1].buffer->flags, DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE);
    EXPECT_EQ(sound_set_volume(1, 50) + sound_set_pan(1, 0) + sound_set_frequency(1, 11025), 0);
    // Status follows playing and stopping (of the one sound left).
    sound_delete(1);
    EXPECT_EQ((std::array{sound_status(0), sound_play(0, DSBPLAY_LOOPING), sound_status(0)}),
              (std::array{0, 1, int(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING)}));
    testing_record_calls(true);
    EXPECT_EQ((std::array{sound_stop_all(), sound_status(0)}), (std::array{1, 0}));
    const auto &calls = testing_recorded_calls(); // a stop, then a rewind to 0
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].rfind("IDirectSoundBuffer::Stop", 0) == 0 &&
                calls[1].rfind("IDirectSoundBuffer::SetCurrentPosition", 0) == 0 &&
                calls[1].substr(calls[1].rfind(' ')) == " 0") << calls[0] << "; " << calls[1];
    EXPECT_EQ((std::array{sound_play(0, 0), sound_status(0), sound_stop(0)}),
              (std::array{1, int(DSBSTATUS_PLAYING), 1}));
    testing_fail("Play");
    EXPECT_EQ((std::array{sound_play(0, 0), sound_status(0)}), (std::array{0, 0}));
}

TEST_F(SoundTableTest, WithoutASoundObjectTheLayerIsSilent) {
    sound_shutdown();
    sound_first_call = 1;
    testing_fail("DirectSoundCreate");
    EXPECT_EQ((std::array{sound_init(), sound_first_call, sound_slots[5].id}), (std::array{0, 0, 0}));
    EXPECT_EQ(ds_object, nullptr);
    const std::vector<BYTE> voc = voc_file(100, 166);
    EXPECT_EQ((std::array{sound_load_wav(dir.write("a.wav", small_wav()).c_str(), 224), load(),
                          sound_load_voc_memory(voc.data(), voc.size()), sound_play(0, 0),
                          sound_replicate(0), sound_slots[0].state}),
              (std::array{-1, -1, -1, 1, -1, 0}));
    // A later init does not try again; it numbers the slots and succeeds.
    EXPECT_EQ((std::array{sound_init(), sound_slots[5].id}), (std::array{1, 5}));
    EXPECT_EQ(ds_object, nullptr);
    EXPECT_EQ(sound_shutdown(), 1);
    sound_first_call = 1;
    testing_fail("SetCooperativeLevel");
    EXPECT_EQ(sound_init(), 0);
    EXPECT_NE(ds_object, nullptr); // kept, and released by the shutdown
}

TEST_F(SoundTableTest, FailedBuffersLeaveTheSlotClaimed) {
    const std::vector<BYTE> voc = voc_file(106, 131);
    auto load_voc = [&] { return sound_load_voc_memory(voc.data(), voc.size()); };
    // A failed buffer leaves the slot claimed without one; a failed lock or unlock keeps the buffer.
    for (auto [operation, voc_file, slot, size, buffer] :
         {std::tuple{"CreateSoundBuffer", false, 0, 64, 0}, {"CreateSoundBuffer", true, 1, 106, 0},
          {"Lock", false, 2, 64, 1}, {"Unlock", false, 3, 64, 1}, {"Lock", true, 4, 106, 1}}) {
        testing_fail(operation);
        EXPECT_EQ(voc_file ? load_voc() : load(64, 8000), -1) << operation;
        EXPECT_EQ(fields(sound_slots[slot]), (std::vector{1, slot, 8000, size, buffer})) << operation;
    }
    EXPECT_EQ(load(), 5);
}

} // namespace
