// The WAV and VOC loaders on sox's files and hand-built ones: the fixed buffer format, rates, sizes,
// bytes, and malformed, truncated and hostile files (random damage is the fuzz corpus's).
#include "engine_test_support.h"

namespace {

using SoundLoadTest = SoundTest;

void expect_fixed_format(const IDirectSoundBuffer *buffer) {
    ASSERT_NE(buffer, nullptr);
    const WAVEFORMATEX &f = buffer->format;
    EXPECT_EQ((std::vector<long>{f.wFormatTag, f.nChannels, long(f.nSamplesPerSec), f.wBitsPerSample,
                                 long(buffer->frequency), long(buffer->flags), long(sound_buffer_desc.dwSize),
                                 long(sound_format.nAvgBytesPerSec), sound_format.nBlockAlign}),
              (std::vector<long>{WAVE_FORMAT_PCM, 1, 11025, 8, 11025, 234, 20, 11025, 1}));
    EXPECT_EQ(sound_buffer_desc.lpwfxFormat, &sound_format);
}

TEST_F(SoundLoadTest, SoxWavFilesLoadTheirBytesUnchangedIntoTheFixedFormat) {
    for (auto [format, rate] : {std::pair{"-r 22050 -b 8 -c 1 -e unsigned", 22050},
                                {"-r 44100 -b 16 -c 2 -e signed", 44100}}) {
        SCOPED_TRACE(format);
        const std::string path = sox(format, std::to_string(rate) + ".wav");
        const std::vector<BYTE> data = sox_samples(read_bytes(path));
        ASSERT_FALSE(data.empty());
        const int slot = sound_load_wav(path.c_str(), 224);
        ASSERT_GE(slot, 0);
        EXPECT_EQ((std::pair{sound_slots[slot].rate, sound_slots[slot].size}), (std::pair{rate, int(data.size())}));
        expect_fixed_format(sound_slots[slot].buffer);
        EXPECT_EQ(sound_slots[slot].buffer->data->bytes, data);
    }
    ASSERT_EQ(sound_load_wav(sox("-r 11025 -b 8 -c 1", "flags.wav").c_str(), 0), 2);
    EXPECT_EQ(sound_slots[2].buffer->flags, 10u);
    EXPECT_EQ(sound_load_wav((dir / "missing.wav").c_str(), 224) + sound_slots[3].state, -1);
}

// The file with `width` bytes at `at` replaced by those of value.
std::vector<BYTE> patched(std::vector<BYTE> file, std::size_t at, DWORD value, int width) {
    for (int i = 0; i < width; ++i)
        file[at + i] = static_cast<BYTE>(value >> (8 * i));
    return file;
}

TEST_F(SoundLoadTest, TheDataChunkIsFoundAndOnlyTheFirstChunksFormatTagIsTested) {
    const std::vector<BYTE> data(33, 0x90), fmt = pcm_format(1, 1, 11025, 8);
    auto load = [](const std::vector<BYTE> &file) { return sound_load_wav_memory(file.data(), file.size(), 224); };
    // A LIST chunk of odd size (with its pad byte) and a fact chunk between format and data.
    const std::vector<BYTE> list{'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 3, 0, 0, 0, 's', 'x', 0};
    ASSERT_EQ(load(riff_wave({{"fmt ", fmt}, {"LIST", list}, {"fact", {1, 0, 0, 0}}, {"data", data}})), 0);
    EXPECT_EQ(sound_slots[0].size, 33);
    EXPECT_EQ(sound_slots[0].buffer->data->bytes, data);
    EXPECT_EQ(load(riff_wave({{"fmt ", pcm_format(2, 1, 11025, 4)}, {"data", data}})), -1);
    EXPECT_EQ(sound_slots[1].state, 0);
    // The first chunk is taken for the format: junk beginning 1, 0 passes, its bytes 4-7 the rate.
    std::vector<BYTE> junk{1, 0, 0, 0, 0x40, 0x1F, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(load(riff_wave({{"junk", junk}, {"fmt ", fmt}, {"data", data}})), 1);
    EXPECT_EQ(sound_slots[1].rate, 8000);
    junk[0] = 7;
    EXPECT_EQ(load(riff_wave({{"junk", junk}, {"fmt ", fmt}, {"data", data}})), -1);
    // No form of type WAVE, no data chunk, or a format chunk with fewer than 18 bytes left.
    std::vector<BYTE> avi = riff_wave({{"fmt ", fmt}, {"data", data}});
    std::copy_n("AVI ", 4, avi.begin() + 8);
    EXPECT_EQ(load(avi), -1);
    EXPECT_EQ(load(riff_wave({{"fmt ", fmt}, {"fact", data}})), -1);
    EXPECT_EQ(load(riff_wave({{"fmt ", fmt}})), -1);
    EXPECT_EQ(sound_slots[2].state, 0);
}

TEST_F(SoundLoadTest, VocTimeConstantsGiveTheirRatesAndBuffersLeaveOutTheBlocksLastFourBytes) {
    // sox writes the time constant for the rate; the buffer is the block's samples but the last four.
    for (int rate : {8000, 11111, 10989}) {
        const std::string name = std::to_string(rate) + ".voc";
        const std::vector<BYTE> file = read_bytes(sox("-r " + std::to_string(rate) + " -b 8 -c 1 -e unsigned", name));
        const std::size_t block = file[20], length = file[block + 1] | file[block + 2] << 8 | file[block + 3] << 16;
        const int slot = sound_load_voc((dir / name).c_str());
        ASSERT_GE(slot, 0) << rate;
        EXPECT_EQ((std::pair{sound_slots[slot].rate, sound_slots[slot].size}), (std::pair{rate, int(length)}));
        expect_fixed_format(sound_slots[slot].buffer);
        EXPECT_EQ(sound_slots[slot].buffer->data->bytes,
                  std::vector<BYTE>(file.begin() + block + 6, file.begin() + block + length));
    }
    const std::vector<BYTE> zero = voc_file(100, 0), block = voc_file(1006, 166);
    ASSERT_EQ(sound_load_voc_memory(zero.data(), zero.size()), 3);
    EXPECT_EQ(sound_slots[3].rate, 3906);
    ASSERT_EQ(sound_load_voc_memory(block.data(), block.size()), 4);
    EXPECT_EQ((std::pair{sound_slots[4].size, sound_slots[4].rate}), (std::pair{1006, 11111}));
    EXPECT_EQ(sound_slots[4].buffer->data->bytes, std::vector<BYTE>(block.begin() + 32, block.begin() + 1032));
    EXPECT_EQ(sound_load_voc((dir / "missing.voc").c_str()) + sound_slots[5].state, -1);
}

TEST_F(SoundLoadTest, TruncatedFilesAreRefusedAndLeaveTheSlotFree) {
    const std::vector<BYTE> wav = read_bytes(sox("-r 11025 -b 8 -c 1", "t.wav"));
    const std::vector<BYTE> voc = voc_file(200, 166);
    // sox ends its file with the data chunk; the pad byte after odd data may be missing.
    const std::size_t data_end = 44 + sox_samples(wav).size();
    ASSERT_LE(data_end, wav.size());
    for (std::size_t length = 0; length < data_end; ++length)
        ASSERT_EQ(sound_load_wav_memory(wav.data(), length, 224), -1) << length;
    // The VOC terminator after the block is not needed.
    for (std::size_t length = 0; length + 1 < voc.size(); ++length)
        ASSERT_EQ(sound_load_voc_memory(voc.data(), length), -1) << length;
    EXPECT_EQ(sound_slots[0].state, 0);
    EXPECT_EQ(sound_load_voc_memory(voc.data(), voc.size() - 1), 0);
    EXPECT_EQ(sound_load_wav_memory(wav.data(), data_end, 224), 1);
}

TEST_F(SoundLoadTest, HostileSizesAndOffsetsAreRefused) {
    const std::vector<BYTE> wav = small_wav(16);
    auto wav_load = [](const std::vector<BYTE> &file) { return sound_load_wav_memory(file.data(), file.size(), 224); };
    // Data sizes past the file or of nothing, and a format chunk past the file.
    for (DWORD size : {0xFFFFFFFFu, 0x80000000u, 0x0FFFFFFFu, 17u, 0u})
        EXPECT_EQ(wav_load(patched(wav, 40, size, 4)), -1) << size;
    EXPECT_EQ(wav_load(patched(wav, 16, 0xFFFFFFFF, 4)), -1);
    EXPECT_EQ(wav_load(patched(wav, 4, 0xFFFFFFFF, 4)), 0); // a form larger than the file loads
    EXPECT_EQ(sound_load_wav_memory(nullptr, 0, 224), -1);

    const std::vector<BYTE> voc = voc_file(200, 166);
    auto voc_load = [](const std::vector<BYTE> &file) { return sound_load_voc_memory(file.data(), file.size()); };
    for (DWORD length : {0u, 1u, 5u, 6u, 0xFFFFFFu, 210u})
        EXPECT_EQ(voc_load(patched(voc, 27, length, 3)), -1) << length;
    EXPECT_EQ(voc_load(patched(voc, 20, 255, 1)), -1); // the block past the file
    EXPECT_EQ(sound_load_voc_memory(nullptr, 0), -1);
    EXPECT_EQ(sound_slots[1].state, 0);
}

} // namespace
