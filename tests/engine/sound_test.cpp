// The sound layer: the loaders on sox's and hand-built files (random damage is the fuzz corpus's),
// the table, and what is heard: the levels of OpenAL Soft's loopback mix, in 10 ms windows.
#include <cmath>

#include "engine_test_support.h"

namespace {

std::vector<int> fields(const SoundSlot &s) {
    return {s.state, s.id, s.rate, s.size, s.buffer != nullptr};
}

void expect_fixed_format(const IDirectSoundBuffer *buffer) {
    ASSERT_NE(buffer, nullptr);
    const WAVEFORMATEX &f = buffer->format;
    EXPECT_EQ((std::vector<long>{f.wFormatTag, f.nChannels, long(f.nSamplesPerSec),
                                 f.wBitsPerSample, long(buffer->frequency), long(buffer->flags),
                                 long(sound_buffer_desc.dwSize), long(sound_format.nAvgBytesPerSec),
                                 sound_format.nBlockAlign}),
              (std::vector<long>{WAVE_FORMAT_PCM, 1, 11025, 8, 11025, 234, 20, 11025, 1}));
    EXPECT_EQ(sound_buffer_desc.lpwfxFormat, &sound_format);
}

TEST_F(SoundTest, SoxWavFilesLoadTheirBytesUnchangedIntoTheFixedFormat) {
    for (auto [format, rate] : {std::pair{"-r 22050 -b 8 -c 1 -e unsigned", 22050},
                                {"-r 44100 -b 16 -c 2 -e signed", 44100}}) {
        SCOPED_TRACE(format);
        const std::string path = sox(format, std::to_string(rate) + ".wav");
        const std::vector<BYTE> data = sox_samples(read_bytes(path));
        ASSERT_FALSE(data.empty());
        const int slot = sound_load_wav(path.c_str(), 224);
        ASSERT_GE(slot, 0);
        EXPECT_EQ((std::pair{sound_slots[slot].rate, sound_slots[slot].size}),
                  (std::pair{rate, int(data.size())}));
        expect_fixed_format(sound_slots[slot].buffer);
        EXPECT_EQ(sound_slots[slot].buffer->data->bytes, data);
    }
    ASSERT_EQ(sound_load_wav(sox("-r 11025 -b 8 -c 1", "flags.wav").c_str(), 0), 2);
    EXPECT_EQ(sound_slots[2].buffer->flags, 10u);
    EXPECT_EQ(sound_load_wav((dir / "missing.wav").c_str(), 224) + sound_slots[3].state, -1);
}

std::vector<BYTE> patched(std::vector<BYTE> file, std::size_t at, DWORD value, int width) {
    for (int i = 0; i < width; ++i)
        file[at + i] = static_cast<BYTE>(value >> (8 * i));
    return file;
}

TEST_F(SoundTest, TheDataChunkIsFoundAndOnlyTheFirstChunksFormatTagIsTested) {
    const std::vector<BYTE> data(33, 0x90), fmt = pcm_format(1, 1, 11025, 8);
    // A LIST chunk of odd size (with its pad byte) and a fact chunk between format and data.
    const std::vector<BYTE> list{'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 3, 0, 0, 0, 's', 'x', 0};
    ASSERT_EQ(
        wav(riff_wave({{"fmt ", fmt}, {"LIST", list}, {"fact", {1, 0, 0, 0}}, {"data", data}})), 0);
    EXPECT_EQ(sound_slots[0].size, 33);
    EXPECT_EQ(sound_slots[0].buffer->data->bytes, data);
    EXPECT_EQ(wav(riff_wave({{"fmt ", pcm_format(2, 1, 11025, 4)}, {"data", data}})), -1);
    EXPECT_EQ(sound_slots[1].state, 0);
    // The first chunk is taken for the format: junk beginning 1, 0 passes, its bytes 4-7 the rate.
    std::vector<BYTE> junk{1, 0, 0, 0, 0x40, 0x1F, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(wav(riff_wave({{"junk", junk}, {"fmt ", fmt}, {"data", data}})), 1);
    EXPECT_EQ(sound_slots[1].rate, 8000);
    junk[0] = 7;
    EXPECT_EQ(wav(riff_wave({{"junk", junk}, {"fmt ", fmt}, {"data", data}})), -1);
    // No form of type WAVE, no data chunk, or a format chunk with fewer than 18 bytes left.
    std::vector<BYTE> avi = riff_wave({{"fmt ", fmt}, {"data", data}});
    std::copy_n("AVI ", 4, avi.begin() + 8);
    EXPECT_EQ(wav(avi), -1);
    EXPECT_EQ(wav(riff_wave({{"fmt ", fmt}, {"fact", data}})), -1);
    EXPECT_EQ(wav(riff_wave({{"fmt ", fmt}})), -1);
    EXPECT_EQ(sound_slots[2].state, 0);
}

TEST_F(SoundTest, VocTimeConstantsGiveTheirRatesAndBuffersLeaveOutTheBlocksLastFourBytes) {
    // sox writes the time constant for the rate; the buffer is the block's samples but the last
    // four.
    for (int rate : {8000, 11111, 10989}) {
        const std::string name = std::to_string(rate) + ".voc";
        const std::vector<BYTE> file =
            read_bytes(sox("-r " + std::to_string(rate) + " -b 8 -c 1 -e unsigned", name));
        const std::size_t block = file[20],
                          length = file[block + 1] | file[block + 2] << 8 | file[block + 3] << 16;
        const int slot = sound_load_voc((dir / name).c_str());
        ASSERT_GE(slot, 0) << rate;
        EXPECT_EQ((std::pair{sound_slots[slot].rate, sound_slots[slot].size}),
                  (std::pair{rate, int(length)}));
        expect_fixed_format(sound_slots[slot].buffer);
        EXPECT_EQ(sound_slots[slot].buffer->data->bytes,
                  std::vector<BYTE>(file.begin() + block + 6, file.begin() + block + length));
    }
    const std::vector<BYTE> zero = voc_file(100, 0), block = voc_file(1006, 166);
    ASSERT_EQ(voc(zero), 3);
    EXPECT_EQ(sound_slots[3].rate, 3906);
    ASSERT_EQ(voc(block), 4);
    EXPECT_EQ((std::pair{sound_slots[4].size, sound_slots[4].rate}), (std::pair{1006, 11111}));
    EXPECT_EQ(sound_slots[4].buffer->data->bytes,
              std::vector<BYTE>(block.begin() + 32, block.begin() + 1032));
    EXPECT_EQ(sound_load_voc((dir / "missing.voc").c_str()) + sound_slots[5].state, -1);
}

TEST_F(SoundTest, TruncatedFilesAreRefusedAndLeaveTheSlotFree) {
    const std::vector<BYTE> wav = read_bytes(sox("-r 11025 -b 8 -c 1", "t.wav"));
    const std::vector<BYTE> voc = voc_file(200, 166);
    // sox ends its file with the data chunk; the pad byte after odd data may be missing.
    const std::size_t data_end = 44 + sox_samples(wav).size();
    ASSERT_LE(data_end, wav.size());
    for (std::size_t length = 0; length < data_end; ++length)
        ASSERT_EQ(sound_load_wav_memory(wav.data(), length, 224), -1) << length;
    for (std::size_t length = 0; length + 1 < voc.size(); ++length) // the terminator is not needed
        ASSERT_EQ(sound_load_voc_memory(voc.data(), length), -1) << length;
    EXPECT_EQ(sound_slots[0].state, 0);
    EXPECT_EQ(sound_load_voc_memory(voc.data(), voc.size() - 1), 0);
    EXPECT_EQ(sound_load_wav_memory(wav.data(), data_end, 224), 1);
}

TEST_F(SoundTest, HostileSizesAndOffsetsAreRefused) {
    const std::vector<BYTE> small = small_wav(16);
    // Data sizes past the file or of nothing, and a format chunk past the file.
    for (DWORD size : {0xFFFFFFFFu, 0x80000000u, 0x0FFFFFFFu, 17u, 0u})
        EXPECT_EQ(wav(patched(small, 40, size, 4)), -1) << size;
    EXPECT_EQ(wav(patched(small, 16, 0xFFFFFFFF, 4)), -1);
    EXPECT_EQ(wav(patched(small, 4, 0xFFFFFFFF, 4)), 0); // a form larger than the file loads
    EXPECT_EQ(sound_load_wav_memory(nullptr, 0, 224), -1);

    const std::vector<BYTE> block = voc_file(200, 166);
    for (DWORD length : {0u, 1u, 5u, 6u, 0xFFFFFFu, 210u})
        EXPECT_EQ(voc(patched(block, 27, length, 3)), -1) << length;
    EXPECT_EQ(voc(patched(block, 20, 255, 1)), -1); // the block past the file
    EXPECT_EQ(sound_load_voc_memory(nullptr, 0), -1);
    EXPECT_EQ(sound_slots[1].state, 0);
}

TEST_F(SoundTest, LoadsFillSlotsInOrderUntilTheTableIsFullAndASecondInitEmptiesIt) {
    for (int expected = 0; expected < SOUND_SLOT_COUNT; ++expected) {
        ASSERT_EQ(wav(small_wav(40, 8000)), expected);
        EXPECT_EQ(fields(sound_slots[expected]), (std::vector{1, expected, 8000, 40, 1}));
    }
    const std::string voc_path = dir.write("full.voc", voc_file(100, 166));
    EXPECT_EQ(sound_load_wav(dir.write("full.wav", small_wav()).c_str(), 224) +
                  sound_load_voc(voc_path.c_str()) + sound_replicate(0), -3);
    sound_delete(10); // a deleted slot stays claimed: nothing loads until the table is reset
    EXPECT_EQ(fields(sound_slots[10]), (std::vector{1, 10, 8000, 40, 0}));
    EXPECT_EQ(wav(small_wav()), -1);
    ASSERT_EQ(sound_play(1, DSBPLAY_LOOPING), 1);
    sound_slots[10].id = 99;
    // A second init releases every sound, keeps the sound object, and numbers the slots again.
    IDirectSound *object = ds_object;
    testing_record_calls(true);
    EXPECT_EQ(sound_init(), 1);
    EXPECT_EQ(
        (std::pair{count_calls("IDirectSoundBuffer::Release"), count_calls("DirectSoundCreate")}),
        (std::pair{SOUND_SLOT_COUNT - 1, 0}));
    EXPECT_TRUE(ds_object == object && ds_object->buffers.empty());
    for (int slot = 0; slot < SOUND_SLOT_COUNT; ++slot)
        EXPECT_EQ(fields(sound_slots[slot]), (std::vector{0, slot, 0, 0, 0})) << slot;
    EXPECT_EQ(sound_load_voc(voc_path.c_str()), 0);
}

TEST_F(SoundTest, SlotsWithoutABufferPlayNothing) {
    ASSERT_EQ((std::array{wav(small_wav()), wav(small_wav())}), (std::array{0, 1}));
    sound_delete(1);
    SoundSlot before[SOUND_SLOT_COUNT];
    std::memcpy(before, sound_slots, sizeof before);
    testing_record_calls(true);
    // A failed load's -1, deleted, never-loaded and outside slots all have no buffer.
    for (int slot : {-1, 1, 5, 64, 1000, -2, INT_MIN, INT_MAX})
        EXPECT_EQ(
            (std::array{sound_play(slot, 0) + sound_play(slot, DSBPLAY_LOOPING), sound_status(slot),
                        sound_set_volume(slot, 50) + sound_set_frequency(slot, 22050) +
                            sound_set_pan(slot, 1000),
                        sound_stop(slot) + sound_delete(slot)}),
            (std::array{2, -1, 0, 2}))
            << slot;
    EXPECT_EQ((std::array{count_calls("IDirectSoundBuffer::"),
                          std::memcmp(before, sound_slots, sizeof before), sound_status(0)}),
              (std::array{0, 0, 0}));
}

TEST_F(SoundTest, ReplicateFillsTheFirstFreeSlotWithItsOwnBuffer) {
    for (int i = 0; i < 7; ++i)
        ASSERT_EQ(wav(small_wav(300, 22050)), i);
    sound_slots[3].rate = 12345; // tells slot 3 apart from the others
    ASSERT_EQ(sound_set_volume(3, 50), 1);
    SoundSlot before[SOUND_SLOT_COUNT];
    std::memcpy(before, sound_slots, sizeof before);
    EXPECT_EQ(sound_replicate(-1) + sound_replicate(64), -2);
    EXPECT_EQ(std::memcmp(before, sound_slots, sizeof before), 0);
    ASSERT_EQ(sound_replicate(3), 7);
    const SoundSlot &copy = sound_slots[7];
    ASSERT_EQ(fields(copy), (std::vector{1, 7, 12345, 300, 1}));
    EXPECT_TRUE(copy.buffer != sound_slots[3].buffer &&
                copy.buffer->data == sound_slots[3].buffer->data);
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

TEST_F(SoundTest, VolumeStepsAreThreeTenthsOfADecibelAndStatusFollowsPlaying) {
    ASSERT_EQ(wav(small_wav()), 0);
    IDirectSoundBuffer *buffer = sound_slots[0].buffer;
    // Volume, result and the buffer's setting: out of its range refused, the setting kept.
    for (auto [volume, result, passed] : {std::array{100, 1, 0},
                                          {50, 1, -1500},
                                          {0, 1, -3000},
                                          {-233, 1, -9990},
                                          {101, 0, -9990},
                                          {-234, 0, -9990},
                                          {INT_MAX, 0, -9990},
                                          {INT_MIN, 0, -9990}})
        EXPECT_EQ((std::array{sound_set_volume(0, volume), int(buffer->volume)}),
                  (std::array{result, passed}))
            << volume;
    EXPECT_EQ(sound_set_pan(0, -10000) + sound_set_frequency(0, 100) +
                  sound_set_frequency(0, 100000) + sound_set_frequency(0, 44100),
              4);
    EXPECT_EQ(sound_set_pan(0, 10001) + sound_set_frequency(0, 99) +
                  sound_set_frequency(0, 100001) + sound_set_frequency(0, -1),
              0);
    EXPECT_EQ(
        (std::array{int(buffer->frequency), sound_set_frequency(0, 0), int(buffer->frequency)}),
        (std::array{44100, 1, 11025})); // 0: back to the buffer's own
    ASSERT_EQ(wav(small_wav(), 0), 1); // without control flags: every setting refused
    EXPECT_EQ(sound_slots[1].buffer->flags, DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE);
    EXPECT_EQ(sound_set_volume(1, 50) + sound_set_pan(1, 0) + sound_set_frequency(1, 11025), 0);
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

TEST_F(SoundTest, WithoutASoundObjectTheLayerIsSilent) {
    sound_shutdown();
    sound_first_call = 1;
    testing_fail("DirectSoundCreate");
    EXPECT_EQ((std::array{sound_init(), sound_first_call, sound_slots[5].id}),
              (std::array{0, 0, 0}));
    EXPECT_EQ(ds_object, nullptr);
    const std::vector<BYTE> voc_bytes = voc_file(100, 166);
    EXPECT_EQ(
        (std::array{sound_load_wav(dir.write("a.wav", small_wav()).c_str(), 224), wav(small_wav()),
                    voc(voc_bytes), sound_play(0, 0), sound_replicate(0), sound_slots[0].state}),
        (std::array{-1, -1, -1, 1, -1, 0}));
    EXPECT_EQ((std::array{sound_init(), sound_slots[5].id}), (std::array{1, 5})); // no second try
    EXPECT_EQ(ds_object, nullptr);
    EXPECT_EQ(sound_shutdown(), 1);
    sound_first_call = 1;
    testing_fail("SetCooperativeLevel");
    EXPECT_EQ(sound_init(), 0);
    EXPECT_NE(ds_object, nullptr); // kept, and released by the shutdown
}

TEST_F(SoundTest, FailedBuffersLeaveTheSlotClaimed) {
    const std::vector<BYTE> voc_bytes = voc_file(106, 131);
    // A failed buffer leaves the slot claimed without one; a failed lock or unlock keeps the
    // buffer.
    for (auto [operation, voc_file, slot, size, buffer] :
         {std::tuple{"CreateSoundBuffer", false, 0, 64, 0}, {"CreateSoundBuffer", true, 1, 106, 0},
          {"Lock", false, 2, 64, 1}, {"Unlock", false, 3, 64, 1}, {"Lock", true, 4, 106, 1}}) {
        testing_fail(operation);
        EXPECT_EQ(voc_file ? voc(voc_bytes) : wav(small_wav(64, 8000)), -1) << operation;
        EXPECT_EQ(fields(sound_slots[slot]), (std::vector{1, slot, 8000, size, buffer}))
            << operation;
    }
    EXPECT_EQ(wav(small_wav()), 5);
}

constexpr int mix_rate = 44100, window_frames = mix_rate / 100;

struct Level {
    double left = 0, right = 0;
};

struct SoundHeardTest : SoundTest {
    std::vector<Level> windows; // the level of each 10 ms window mixed

    void SetUp() override {
        testing_use_loopback_sound(mix_rate);
        SoundTest::SetUp();
    }
    void TearDown() override {
        SoundTest::TearDown();
        testing_use_loopback_sound(0);
    }
    void mix(int ms) {
        std::vector<float> frames(2 * window_frames);
        for (int w = 0; w < ms / 10; ++w) {
            ASSERT_TRUE(testing_render_sound(frames.data(), window_frames));
            double sum[2] = {};
            for (int i = 0; i < 2 * window_frames; ++i)
                sum[i % 2] += frames[i] * frames[i];
            windows.push_back(
                {std::sqrt(sum[0] / window_frames), std::sqrt(sum[1] / window_frames)});
        }
    }
    // Over windows [from, to): the least and the most of left + right, and the mean level.
    struct Span {
        double quietest = 1e9, loudest = 0;
        Level mean;
    };
    Span level(std::size_t from, std::size_t to) const {
        Span span;
        for (std::size_t i = from; i < to; ++i) {
            const Level &w = windows.at(i);
            span.quietest = std::min(span.quietest, w.left + w.right);
            span.loudest = std::max(span.loudest, w.left + w.right);
            span.mean = {span.mean.left + w.left / (to - from),
                         span.mean.right + w.right / (to - from)};
        }
        return span;
    }
};

double decibels(double level, double reference) {
    return 20.0 * std::log10(std::max(level, 1e-9) / reference);
}

TEST_F(SoundHeardTest, PlayedOnceEndsLoopedGoesOnStoppedFallsSilentAtItsVolumeAndPan) {
    const int tone = sound_load_wav(
        sox("-r 11025 -b 8 -c 1 -e unsigned", "t.wav", "0.2 sine 1000").c_str(), 224);
    ASSERT_EQ(tone, 0);
    mix(200);
    ASSERT_EQ(sound_play(tone, 0), 1);
    mix(500);
    for (auto [volume, pan] : {std::pair{100, 0}, {50, 0}, {100, -10000}, {100, 2000}}) {
        ASSERT_EQ((std::array{sound_set_volume(tone, volume), sound_set_pan(tone, pan),
                              sound_play(tone, DSBPLAY_LOOPING)}), (std::array{1, 1, 1}));
        mix(700);
        ASSERT_EQ(sound_stop(tone), 1);
        mix(300);
    }
    ASSERT_EQ(windows.size(), 470u);
    // Silence, the 200 ms of the sound, silence; then 700 ms looped and 300 ms silent, 4 times.
    EXPECT_LT(level(0, 20).loudest, 0.01);
    EXPECT_GT(level(21, 39).quietest, 0.1);
    EXPECT_LT(level(41, 70).loudest, 0.01);
    for (std::size_t loop = 0; loop < 4; ++loop)
        EXPECT_TRUE(level(71 + 100 * loop, 139 + 100 * loop).quietest > 0.05 &&
                    level(141 + 100 * loop, 170 + 100 * loop).loudest < 0.01) << loop;
    // The middle of each loop: centre, half volume, full left and 2000 to the right.
    const Level centre = level(90, 120).mean, half = level(190, 220).mean,
                left = level(290, 320).mean, right = level(390, 420).mean;
    EXPECT_NEAR(decibels(centre.left, centre.right), 0.0, 0.5);
    EXPECT_NEAR(decibels(half.left, centre.left), -15.0, 1.0);
    EXPECT_NEAR(decibels(half.right, centre.right), -15.0, 1.0);
    // Full left: the left side stays, the right falls silent; 2000 right: the left falls by 20 dB.
    EXPECT_NEAR(decibels(left.left, centre.left), 0.0, 1.0);
    EXPECT_LT(decibels(left.right, centre.right), -60.0);
    EXPECT_NEAR(decibels(right.right, centre.right), 0.0, 1.0);
    EXPECT_NEAR(decibels(right.left, right.right), -20.0, 0.5);
}

} // namespace
