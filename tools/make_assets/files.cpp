// The BMP, PNG and WAV writers, all little-endian byte by byte except PNG's big-endian fields.
#include "tools/make_assets/files.h"

#include <algorithm>
#include <cstdio>

namespace assets {
namespace {

void put16(std::vector<std::uint8_t> &out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t> &out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

bool write_file(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes) {
    std::FILE *file = std::fopen(path.string().c_str(), "wb");
    bool ok = file != nullptr;
    // A short write (a full disk) or a failing close is as much a failure as a refused open.
    if (ok) {
        ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        ok = std::fclose(file) == 0 && ok;
    }
    if (!ok)
        std::fprintf(stderr, "make_assets: cannot write %s\n", path.string().c_str());
    return ok;
}

std::uint32_t crc32_of(const std::uint8_t *data, std::size_t size, std::uint32_t crc) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put32_big(std::vector<std::uint8_t> &out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void put_png_chunk(std::vector<std::uint8_t> &out, const char type[4],
                   const std::vector<std::uint8_t> &data) {
    put32_big(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32_big(out, crc32_of(out.data() + start, out.size() - start, 0));
}

std::vector<std::uint8_t> to_samples(const std::vector<double> &wave) {
    std::vector<std::uint8_t> out(wave.size());
    for (std::size_t i = 0; i < wave.size(); ++i) {
        const double v = wave[i] < -1 ? -1 : (wave[i] > 1 ? 1 : wave[i]);
        out[i] = static_cast<std::uint8_t>(128 + static_cast<int>(v * 127 + (v < 0 ? -0.5 : 0.5)));
    }
    return out;
}

} // namespace

bool write_bmp(const std::filesystem::path &path, int width, int height,
               const std::vector<std::uint8_t> &indices, const Palette &palette) {
    const std::uint32_t image_size = static_cast<std::uint32_t>(width * height);
    const std::uint32_t offset = 14 + 40 + 1024;
    std::vector<std::uint8_t> out;
    out.reserve(offset + image_size);
    put16(out, 0x4D42);
    put32(out, offset + image_size);
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, width);
    put32(out, height);
    put16(out, 1);
    put16(out, 8);
    put32(out, 0);
    put32(out, image_size);
    put32(out, 2835); // 72 dots per inch
    put32(out, 2835);
    put32(out, 256);
    put32(out, 0);
    for (const Color &c : palette.entries) {
        out.push_back(static_cast<std::uint8_t>(c.b));
        out.push_back(static_cast<std::uint8_t>(c.g));
        out.push_back(static_cast<std::uint8_t>(c.r));
        out.push_back(0);
    }
    for (int y = height - 1; y >= 0; --y)
        out.insert(out.end(), indices.begin() + y * width, indices.begin() + (y + 1) * width);
    return write_file(path, out);
}

bool write_png(const std::filesystem::path &path, int width, int height,
               const std::vector<std::uint8_t> &rgba) {
    std::vector<std::uint8_t> raw; // each row after filter type 0
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgba.begin() + y * width * 4, rgba.begin() + (y + 1) * width * 4);
    }
    std::vector<std::uint8_t> zlib{0x78, 0x01};
    for (std::size_t at = 0; at < raw.size(); at += 65535) {
        const std::size_t length = std::min<std::size_t>(65535, raw.size() - at);
        zlib.push_back(at + length == raw.size() ? 1 : 0); // the last block says so
        put16(zlib, static_cast<unsigned>(length));
        put16(zlib, static_cast<unsigned>(~length & 0xFFFF));
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + length);
    }
    std::uint32_t a = 1, b = 0; // Adler-32 of the uncompressed data
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32_big(zlib, (b << 16) | a);

    std::vector<std::uint8_t> header;
    put32_big(header, static_cast<std::uint32_t>(width));
    put32_big(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter, no interlace
    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    put_png_chunk(out, "IHDR", header);
    put_png_chunk(out, "IDAT", zlib);
    put_png_chunk(out, "IEND", {});
    return write_file(path, out);
}

bool write_wav(const std::filesystem::path &path, const std::vector<double> &wave) {
    const std::vector<std::uint8_t> samples = to_samples(wave);
    const std::uint32_t n = static_cast<std::uint32_t>(samples.size());
    std::vector<std::uint8_t> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + n + (n & 1));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, sample_rate);
    put32(out, sample_rate); // bytes per second
    put16(out, 1);           // block align
    put16(out, 8);           // bits per sample
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, n);
    out.insert(out.end(), samples.begin(), samples.end());
    if (n & 1)
        out.push_back(0); // chunks are padded to an even length
    return write_file(path, out);
}

} // namespace assets
