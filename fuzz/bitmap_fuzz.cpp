// Fuzz target for the BMP loader (bitmap_file_load's core, from memory). A load that succeeds
// must leave pixels of the size its header now states: 1 to 16384 on each side, 8 or 16 bits.
// Under libFuzzer a mutator that knows the headers makes half of the inputs consistent files, so
// that the search reaches the palette and pixel code without seeds.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>

#include "engine/display/bitmap.h"
#include "fuzz/fuzz_check.h"

#ifdef DW_FUZZ_HAS_ASAN
#include <sanitizer/allocator_interface.h>
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    BitmapFile bitmap{};
    // A second load into the same record must free the first load's pixels.
    for (int pass = 0; pass < 2; ++pass) {
        if (bitmap_file_load_memory(&bitmap, data, size) != 1)
            continue;
        const BITMAPINFOHEADER &info = bitmap.info_header;
        fuzz_require(bitmap.pixels != nullptr, "no pixels");
        fuzz_require(info.biWidth >= 1 && info.biWidth <= 16384, "width");
        fuzz_require(info.biHeight >= 1 && info.biHeight <= 16384, "height");
        fuzz_require(info.biBitCount == 8 || info.biBitCount == 16, "depth");
        const std::size_t length = static_cast<std::size_t>(info.biWidth) *
                                   static_cast<std::size_t>(info.biHeight) * info.biBitCount / 8;
#ifdef DW_FUZZ_HAS_ASAN
        fuzz_require(__sanitizer_get_allocated_size(bitmap.pixels) == length,
                     "pixel buffer length");
#endif
        // Touch every byte, so that a short buffer is a read past its end.
        unsigned sum = 0;
        for (std::size_t i = 0; i < length; ++i)
            sum += bitmap.pixels[i];
        volatile unsigned sink = sum;
        (void)sink;
    }
    bitmap_file_unload(&bitmap);
    return 0;
}

#ifdef DW_LIBFUZZER
namespace {

std::uint32_t get32(const std::uint8_t *data, std::size_t at) {
    std::uint32_t value;
    std::memcpy(&value, data + at, 4);
    return value;
}

void put16(std::uint8_t *data, std::size_t at, std::uint16_t value) {
    std::memcpy(data + at, &value, 2);
}

void put32(std::uint8_t *data, std::size_t at, std::uint32_t value) {
    std::memcpy(data + at, &value, 4);
}

// Rewrites the headers around the fields the mutation left (depth, sizes, palette length, row
// order) so that they agree with each other and with the length, then grows or cuts the input
// to the pixel data they state: in padded or packed rows, at bfOffBits or at the end of the
// file, with its size stated or (padded rows only) left 0. Returns the new size, or the old one
// when no such file fits in max_size.
std::size_t make_consistent(std::uint8_t *data, std::size_t size, std::size_t max_size,
                            std::minstd_rand &random) {
    constexpr std::size_t file_header = 14;
    if (max_size < file_header + 40 + 16)
        return size;
    if (size < file_header + 40) {
        std::memset(data + size, 0, file_header + 40 - size);
        size = file_header + 40;
    }
    put16(data, 0, 0x4D42);
    constexpr std::uint16_t depths[] = {8, 16, 24};
    const std::uint16_t depth = depths[data[28] % 3];
    put16(data, 28, depth);
    constexpr std::uint32_t info_sizes[] = {40, 40, 108, 124};
    const std::uint32_t info_size = info_sizes[data[14] % 4];
    put32(data, 14, info_size);
    const bool bitfields = depth == 16 && random() % 4 == 0;
    put32(data, 30, bitfields ? 3 : 0);
    std::size_t headers = file_header + info_size;
    if (bitfields) {
        if (info_size == 40)
            headers += 12;
        if (size < file_header + 52) {
            std::memset(data + size, 0, file_header + 52 - size);
            size = file_header + 52;
        }
        put32(data, 54, 0x7C00);
        put32(data, 58, 0x03E0);
        put32(data, 62, 0x001F);
    }
    if (depth == 8) {
        const std::uint32_t entries = get32(data, 46) % 257;
        put32(data, 46, entries);
        headers += 4 * (entries == 0 ? 256 : entries);
    }
    if (headers + 4 > max_size)
        return size;

    // Dimensions from the mutated fields, made small enough for the room that is left.
    const std::size_t room = max_size - headers;
    const std::size_t bytes_per_pixel = depth / 8;
    std::size_t width = 1 + get32(data, 18) % 1024;
    width = std::min<std::size_t>(width, room / bytes_per_pixel);
    const bool packed = random() % 4 == 0;
    const std::size_t packed_row = width * bytes_per_pixel;
    const std::size_t row = packed ? packed_row : (packed_row + 3) / 4 * 4;
    if (row == 0 || row > room)
        return size;
    std::size_t height = 1 + (get32(data, 22) & 0x7FFFFFFF) % 1024;
    height = std::min(height, room / row);
    const bool top_down = (data[25] & 0x80) != 0;
    put32(data, 18, static_cast<std::uint32_t>(width));
    put32(data, 22,
          static_cast<std::uint32_t>(top_down ? -static_cast<std::int64_t>(height)
                                              : static_cast<std::int64_t>(height)));
    const std::size_t pixel_bytes = row * height;
    const bool size_stated = packed || random() % 4 != 0;
    put32(data, 34, size_stated ? static_cast<std::uint32_t>(pixel_bytes) : 0);

    // A gap between the headers and the pixels, when there is room for one.
    const std::size_t spare = max_size - headers - pixel_bytes;
    const std::size_t gap =
        spare > 0 && random() % 4 == 0 ? random() % std::min<std::size_t>(spare, 64) : 0;
    const bool at_offset = !size_stated || random() % 2 == 0;
    put32(data, 10,
          static_cast<std::uint32_t>(at_offset      ? headers + gap
                                     : random() % 2 ? 0
                                                    : get32(data, 10)));
    const std::size_t new_size = headers + gap + pixel_bytes;
    for (std::size_t i = size; i < new_size; ++i)
        data[i] = static_cast<std::uint8_t>(random());
    put32(data, 2, static_cast<std::uint32_t>(new_size));
    return new_size;
}

} // namespace

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t *data, std::size_t size, std::size_t max_size);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t *data, std::size_t size,
                                               std::size_t max_size, unsigned int seed) {
    size = LLVMFuzzerMutate(data, size, max_size);
    std::minstd_rand random(seed);
    if (random() % 2 == 0)
        return size;
    return make_consistent(data, size, max_size, random);
}
#endif
