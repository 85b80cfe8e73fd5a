// Test support for the sound layer: a fresh table per test, WAV and VOC files made by sox or by
// hand, and the recorded sound calls.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/sound/sound.h"
#include "engine/sound/sound_load.h"
#include "platform/testing.h"

inline void put_le(std::vector<BYTE> &out, DWORD value, int width) {
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

inline void put_chunk(std::vector<BYTE> &out, const char *id, const std::vector<BYTE> &body) {
    out.insert(out.end(), id, id + 4);
    put_le(out, static_cast<DWORD>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 == 1)
        out.push_back(0);
}

inline std::vector<BYTE> pcm_format(WORD tag, WORD channels, DWORD rate, WORD bits) {
    std::vector<BYTE> format;
    put_le(format, tag, 2);
    put_le(format, channels, 2);
    put_le(format, rate, 4);
    put_le(format, rate * channels * bits / 8, 4);
    put_le(format, static_cast<DWORD>(channels * bits / 8), 2);
    put_le(format, bits, 2);
    return format;
}

// A RIFF WAVE file of the given chunks, in order.
inline std::vector<BYTE>
riff_wave(const std::vector<std::pair<const char *, std::vector<BYTE>>> &chunks) {
    std::vector<BYTE> body{'W', 'A', 'V', 'E'};
    for (const auto &[id, chunk] : chunks)
        put_chunk(body, id, chunk);
    std::vector<BYTE> file;
    put_chunk(file, "RIFF", body);
    return file;
}

inline std::vector<BYTE> small_wav(std::size_t samples = 64, DWORD rate = 11025) {
    std::vector<BYTE> data(samples);
    for (std::size_t i = 0; i < samples; ++i)
        data[i] = static_cast<BYTE>(i * 7);
    return riff_wave({{"fmt ", pcm_format(1, 1, rate, 8)}, {"data", data}});
}

// A VOC file with one sound block of length field `length` and time constant tc, whose sample
// bytes count up from 0; the block starts at offset 26 as sox writes it.
inline std::vector<BYTE> voc_file(DWORD length, BYTE tc) {
    std::string signature = "Creative Voice File\x1a";
    std::vector<BYTE> file(signature.begin(), signature.end());
    put_le(file, 26, 2);
    put_le(file, 0x010A, 2);
    put_le(file, 0x1129, 2);
    file.push_back(1);
    put_le(file, length, 3);
    file.push_back(tc);
    file.push_back(0);
    for (DWORD i = 0; i + 2 < length; ++i)
        file.push_back(static_cast<BYTE>(i));
    file.push_back(0); // terminator block
    return file;
}

inline std::vector<BYTE> read_bytes(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

// The bytes of a WAV file's chunk with the given identifier (empty when there is none), found by
// walking its chunks; a size that runs past the file is cut at its end.
inline std::vector<BYTE> wav_chunk(const std::vector<BYTE> &file, const char *id = "data") {
    std::size_t at = 12;
    while (at + 8 <= file.size()) {
        std::size_t size = file[at + 4] | (file[at + 5] << 8) | (file[at + 6] << 16) |
                           (static_cast<std::size_t>(file[at + 7]) << 24);
        size = std::min(size, file.size() - at - 8);
        if (std::equal(file.begin() + at, file.begin() + at + 4, id))
            return std::vector<BYTE>(file.begin() + at + 8, file.begin() + at + 8 + size);
        at += 8 + size + (size & 1);
    }
    return {};
}

inline int count_calls(const std::string &prefix) {
    const auto &calls = testing_recorded_calls();
    return static_cast<int>(std::count_if(
        calls.begin(), calls.end(), [&](const std::string &c) { return c.rfind(prefix, 0) == 0; }));
}

struct SoundTest : ::testing::Test {
    std::filesystem::path dir;

    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("dw_sound_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        // A fresh layer, also when the test program runs every test in one process.
        sound_shutdown();
        sound_first_call = 1;
        ASSERT_EQ(sound_init(), 1);
    }

    void TearDown() override {
        sound_shutdown();
        testing_clear_faults();
        testing_record_calls(false);
        testing_clear_recorded_calls();
        std::filesystem::remove_all(dir);
    }

    // Runs sox to make dir/name: `sox -n <format> <file> synth <synth>`; the path of the file.
    std::string sox(const std::string &format, const std::string &name,
                    const std::string &synth = "0.1 sine 440") {
        std::string path = (dir / name).string();
        std::string command =
            "sox -n " + format + " '" + path + "' synth " + synth + " 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }

    std::string write_file(const std::string &name, const std::vector<BYTE> &bytes) {
        std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
};
