// The file writers: 8-bit BMP pictures, an RGBA PNG and 8-bit WAV sounds. Each reports a file
// it cannot write on standard error and returns false.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "tools/make_assets/palette.h"

namespace assets {

// Sounds: 8-bit unsigned mono at 11025 samples per second.
constexpr int sample_rate = 11025;

// An uncompressed 8-bit BMP, rows bottom-up. Every width used here is a multiple of 4, so the
// rows need no fill bytes (the game's loader takes rows as packed).
bool write_bmp(const std::filesystem::path &path, int width, int height,
               const std::vector<std::uint8_t> &indices, const Palette &palette);

// An RGBA PNG with stored (uncompressed) deflate blocks, which needs no compression library and
// gives the same bytes everywhere. rgba: width * height * 4 bytes, rows top-down.
bool write_png(const std::filesystem::path &path, int width, int height,
               const std::vector<std::uint8_t> &rgba);

// A wave of samples in [-1, 1], clipped beyond.
bool write_wav(const std::filesystem::path &path, const std::vector<double> &wave);

} // namespace assets
