// Test support for the engine's tests: the headers they share, byte writers, a temporary folder,
// the display on the test window, and a fresh sound table per test with WAV and VOC files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "engine/display/bitmap.h"
#include "engine/display/bob.h"
#include "engine/display/display.h"
#include "engine/display/palette.h"
#include "engine/display/raster.h"
#include "engine/sound/sound.h"
#include "engine/sound/sound_load.h"
#include "platform/testing.h"
#include "tests/support/headless.h"

inline void put_le(std::vector<BYTE> &out, DWORD value, int width) {
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

inline std::vector<BYTE> read_bytes(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

inline bool all_bytes(const void *data, std::size_t size, BYTE value) {
    const auto *bytes = static_cast<const BYTE *>(data);
    return std::all_of(bytes, bytes + size, [value](BYTE b) { return b == value; });
}

inline bool all_bytes(const std::vector<BYTE> &bytes, BYTE value) {
    return all_bytes(bytes.data(), bytes.size(), value);
}

inline std::vector<int> colour(const PALETTEENTRY &e) {
    return {e.peRed, e.peGreen, e.peBlue, e.peFlags};
}

// How many of the platform calls recorded begin with prefix.
inline int count_calls(const std::string &prefix) {
    const auto &calls = testing_recorded_calls();
    return int(std::count_if(calls.begin(), calls.end(),
                             [&](const std::string &c) { return c.rfind(prefix, 0) == 0; }));
}

// A fresh folder, removed with everything in it.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        char name[] = "/tmp/dw_engine_XXXXXX";
        path = ::mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string &name) const { return (path / name).string(); }
    std::string write(const std::string &name, const std::vector<BYTE> &bytes) const {
        std::ofstream(path / name, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
        return *this / name;
    }
};

// The display in its 640 x 480 mode on the test window.
struct DisplayTest : ::testing::Test {
    void SetUp() override {
        ASSERT_NE(open_headless_window("test"), nullptr);
        ASSERT_EQ(display_init(640, 480, 8), 1);
    }
    void TearDown() override {
        testing_clear_faults();
        display_shutdown();
    }
};

// --- Sound files ---------------------------------------------------------------------------------

inline void put_chunk(std::vector<BYTE> &out, const char *id, const std::vector<BYTE> &body) {
    out.insert(out.end(), id, id + 4);
    put_le(out, static_cast<DWORD>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 == 1)
        out.push_back(0);
}

inline std::vector<BYTE> pcm_format(WORD tag, WORD channels, DWORD rate, WORD bits) {
    std::vector<BYTE> format;
    for (auto [value, width] : {std::pair<DWORD, int>{tag, 2},
                                {channels, 2},
                                {rate, 4},
                                {rate * channels * bits / 8, 4},
                                {DWORD(channels * bits / 8), 2},
                                {bits, 2}})
        put_le(format, value, width);
    return format;
}

// A RIFF WAVE file of the given chunks, in order.
inline std::vector<BYTE>
riff_wave(const std::vector<std::pair<const char *, std::vector<BYTE>>> &chunks) {
    std::vector<BYTE> body{'W', 'A', 'V', 'E'}, file;
    for (const auto &[id, chunk] : chunks)
        put_chunk(body, id, chunk);
    put_chunk(file, "RIFF", body);
    return file;
}

inline std::vector<BYTE> small_wav(std::size_t samples = 64, DWORD rate = 11025) {
    std::vector<BYTE> data(samples);
    for (std::size_t i = 0; i < samples; ++i)
        data[i] = static_cast<BYTE>(i * 7);
    return riff_wave({{"fmt ", pcm_format(1, 1, rate, 8)}, {"data", data}});
}

// A VOC file with one sound block (length field `length`, time constant tc, samples counting up
// from 0) at offset 26, as sox writes it.
inline std::vector<BYTE> voc_file(DWORD length, BYTE tc) {
    const std::string signature = "Creative Voice File\x1a";
    std::vector<BYTE> file(signature.begin(), signature.end());
    for (auto [value, width] : {std::pair<DWORD, int>{26, 2},
                                {0x010A, 2},
                                {0x1129, 2},
                                {1, 1},
                                {length, 3},
                                {tc, 1},
                                {0, 1}})
        put_le(file, value, width);
    for (DWORD i = 0; i + 2 < length; ++i)
        file.push_back(static_cast<BYTE>(i));
    file.push_back(0); // terminator block
    return file;
}

// The samples of a WAV file as sox writes it: a 16-byte format chunk, then the data chunk.
inline std::vector<BYTE> sox_samples(const std::vector<BYTE> &file) {
    if (file.size() < 44 || !std::equal(file.begin() + 36, file.begin() + 40, "data"))
        return {};
    const std::size_t size = file[40] | file[41] << 8 | file[42] << 16;
    return {file.begin() + 44, file.begin() + 44 + std::min(size, file.size() - 44)};
}

struct SoundTest : ::testing::Test {
    TempDir dir;
    void SetUp() override {
        sound_shutdown(); // a fresh layer, also when every test runs in one process
        sound_first_call = 1;
        ASSERT_EQ(sound_init(), 1);
    }
    void TearDown() override {
        sound_shutdown();
        testing_clear_faults();
        testing_record_calls(false);
        testing_clear_recorded_calls();
    }
    static int wav(const std::vector<BYTE> &file, DWORD flags = 224) {
        return sound_load_wav_memory(file.data(), file.size(), flags);
    }
    static int voc(const std::vector<BYTE> &file) {
        return sound_load_voc_memory(file.data(), file.size());
    }
    // Runs `sox -n <format> dir/name synth <synth>`; the path of the file.
    std::string sox(const std::string &format, const std::string &name,
                    const std::string &synth = "0.1 sine 440") {
        const std::string path = dir / name;
        const std::string command =
            "sox -n " + format + " '" + path + "' synth " + synth + " 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }
};
