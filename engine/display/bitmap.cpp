// Bitmap files and bitmap images. The loader parses a BMP file from its bytes in memory and
// checks every size against those bytes before it reads, so a short or hostile file is refused
// with 0 instead of being read past its end. Images are 8-bit rectangles cut out of a loaded
// bitmap and copied into locked surface memory.
#include "engine/display/bitmap.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/file.h"

static_assert(std::endian::native == std::endian::little, "the headers are copied byte for byte");

namespace {

constexpr WORD bmp_magic = 0x4D42; // "BM"
constexpr std::int64_t file_header_bytes = sizeof(BITMAPFILEHEADER);
constexpr std::int64_t info_header_bytes = sizeof(BITMAPINFOHEADER);
constexpr std::int64_t largest_side = 16384;
// The largest file the loader accepts, refused beyond before it is read: 16384 x 16384 pixels of
// 24 bits in rows padded to 4 bytes (768 MiB), after the largest headers a writer puts before
// them (the file header, a 124-byte version 5 info header, 12 mask bytes, 256 palette entries).
constexpr std::int64_t largest_file = 16384 * 49152 + 14 + 124 + 12 + 1024;
constexpr DWORD bi_rgb = 0;
constexpr DWORD bi_bitfields = 3;

std::uint32_t read_u32(const BYTE *p) {
    std::uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// A file layout that has passed every check: where the palette and the rows are, how far apart
// the rows lie and in which order.
struct Layout {
    std::int64_t width = 0;
    std::int64_t rows = 0;
    bool top_down = false;
    int bytes_per_pixel = 0;
    std::int64_t palette_offset = 0;
    std::int64_t palette_entries = 0;
    std::int64_t pixel_offset = 0;
    std::int64_t stride = 0;
};

// 16-bit files are kept as they are, so only the 5-5-5 layout (plain, or its bit fields spelled
// out) gives the values the rest of the library expects.
bool compression_supported(const BITMAPINFOHEADER &info, const BYTE *data, std::int64_t size) {
    if (info.biCompression == bi_rgb)
        return true;
    if (info.biCompression != bi_bitfields || info.biBitCount != 16)
        return false;
    // The three masks follow a 40-byte header, and sit at the same place inside longer ones.
    constexpr std::int64_t masks_at = file_header_bytes + info_header_bytes;
    if (size < masks_at + 12)
        return false;
    return read_u32(data + masks_at) == 0x7C00 && read_u32(data + masks_at + 4) == 0x03E0 &&
           read_u32(data + masks_at + 8) == 0x001F;
}

bool plan_layout(const BITMAPFILEHEADER &file, const BITMAPINFOHEADER &info, const BYTE *data,
                 std::int64_t size, Layout &layout) {
    if (info.biBitCount != 8 && info.biBitCount != 16 && info.biBitCount != 24)
        return false;
    if (info.biSize < info_header_bytes || !compression_supported(info, data, size))
        return false;
    layout.width = info.biWidth;
    layout.top_down = info.biHeight < 0;
    layout.rows = layout.top_down ? -static_cast<std::int64_t>(info.biHeight) : info.biHeight;
    if (layout.width < 1 || layout.width > largest_side || layout.rows < 1 ||
        layout.rows > largest_side)
        return false;
    layout.bytes_per_pixel = info.biBitCount / 8;

    std::int64_t headers_end = file_header_bytes + info.biSize;
    if (info.biCompression == bi_bitfields && info.biSize == info_header_bytes)
        headers_end += 12;
    layout.palette_offset = headers_end;
    if (info.biBitCount == 8) {
        // Fewer than 256 entries are allowed (biClrUsed); more than 256 make no sense.
        layout.palette_entries = info.biClrUsed == 0 ? 256 : info.biClrUsed;
        if (layout.palette_entries > 256)
            return false;
        headers_end += 4 * layout.palette_entries;
    }
    if (headers_end > size)
        return false;

    // The pixel data is biSizeImage bytes long. It starts at bfOffBits when it fits there, else
    // it is the last bytes of the file, where files written for the packed-row reader put it. A
    // biSizeImage of 0 is allowed by the format: the padded rows then start at bfOffBits.
    std::int64_t length = info.biSizeImage;
    if (length > size - headers_end)
        return false; // a truncated file, or a size that lies
    if (length == 0) {
        if (file.bfOffBits < headers_end || file.bfOffBits >= size)
            return false;
        length = size - file.bfOffBits;
    }
    const bool fits_at_offset = file.bfOffBits >= headers_end && file.bfOffBits + length <= size;
    layout.pixel_offset = fits_at_offset ? file.bfOffBits : size - length;

    // Rows padded to 4 bytes are the format's rule; packed rows are what the old reader took.
    const std::int64_t packed = layout.width * layout.bytes_per_pixel;
    const std::int64_t padded = (packed + 3) / 4 * 4;
    if (length >= padded * layout.rows)
        layout.stride = padded;
    else if (length >= packed * layout.rows && info.biSizeImage != 0)
        layout.stride = packed;
    else
        return false;
    return true;
}

void read_palette(const BYTE *data, const Layout &layout, PALETTEENTRY *palette) {
    for (std::int64_t i = 0; i < 256; ++i) {
        PALETTEENTRY entry{0, 0, 0, PC_NOCOLLAPSE};
        if (i < layout.palette_entries) {
            // Stored as blue, green, red, reserved.
            const BYTE *stored = data + layout.palette_offset + 4 * i;
            entry.peRed = stored[2];
            entry.peGreen = stored[1];
            entry.peBlue = stored[0];
        }
        palette[i] = entry;
    }
}

// Five bits each: blue in bits 0-4, green in 5-9, red in 10-14; the low three bits are dropped.
void convert_row_24_to_15(const BYTE *source, std::int64_t width, BYTE *out) {
    for (std::int64_t p = 0; p < width; ++p) {
        const BYTE blue = source[3 * p];
        const BYTE green = source[3 * p + 1];
        const BYTE red = source[3 * p + 2];
        const WORD value = static_cast<WORD>((red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3));
        std::memcpy(out + 2 * p, &value, 2);
    }
}

} // namespace

int bitmap_file_load(BitmapFile *bitmap, const char *file_name) {
    if (bitmap == nullptr)
        return 0;
    std::vector<BYTE> bytes;
    if (!read_whole_file(file_name, bytes, largest_file))
        return 0;
    return bitmap_file_load_memory(bitmap, bytes.data(), bytes.size());
}

int bitmap_file_load_memory(BitmapFile *bitmap, const BYTE *data, std::size_t size) {
    if (bitmap == nullptr || data == nullptr)
        return 0;
    const std::int64_t length = static_cast<std::int64_t>(size);
    if (length < file_header_bytes || length > largest_file)
        return 0;
    std::memcpy(&bitmap->file_header, data, file_header_bytes);
    if (bitmap->file_header.bfType != bmp_magic)
        return 0;
    if (length < file_header_bytes + info_header_bytes)
        return 0;
    // The info header goes into the record only once the file has passed: a refused file must
    // not leave it describing other pixels than those the record still holds.
    BITMAPINFOHEADER info;
    std::memcpy(&info, data + file_header_bytes, info_header_bytes);

    Layout layout;
    if (!plan_layout(bitmap->file_header, info, data, length, layout))
        return 0;

    bitmap->info_header = info;
    if (info.biBitCount == 8)
        read_palette(data, layout, bitmap->palette);
    std::free(bitmap->pixels);
    bitmap->pixels = nullptr;

    const int out_pixel_bytes = layout.bytes_per_pixel == 1 ? 1 : 2;
    const std::int64_t out_row = layout.width * out_pixel_bytes;
    auto *pixels =
        static_cast<BYTE *>(std::malloc(static_cast<std::size_t>(out_row * layout.rows)));
    if (pixels == nullptr)
        return 0;
    // Rows are stored bottom-up unless the height is negative; they are written top-down here.
    for (std::int64_t row = 0; row < layout.rows; ++row) {
        const std::int64_t stored_row = layout.top_down ? row : layout.rows - 1 - row;
        const BYTE *source = data + layout.pixel_offset + stored_row * layout.stride;
        BYTE *out = pixels + row * out_row;
        if (layout.bytes_per_pixel == 3)
            convert_row_24_to_15(source, layout.width, out);
        else
            std::memcpy(out, source, static_cast<std::size_t>(out_row));
    }
    bitmap->pixels = pixels;
    // The record describes the pixels as they now are: 16 bits, top-down.
    bitmap->info_header.biBitCount = static_cast<WORD>(out_pixel_bytes * 8);
    bitmap->info_header.biHeight = static_cast<LONG>(layout.rows);
    return 1;
}

int bitmap_file_unload(BitmapFile *bitmap) {
    if (bitmap != nullptr && bitmap->pixels != nullptr) {
        std::free(bitmap->pixels);
        bitmap->pixels = nullptr;
    }
    return 1;
}

int bitmap_flip_rows(BYTE *buffer, int row_bytes, int rows) {
    if (buffer == nullptr || row_bytes < 0 || rows < 0)
        return 0;
    // Rows are swapped in place, so there is no copy to allocate and nothing that can fail.
    const std::size_t row_size = static_cast<std::size_t>(row_bytes);
    for (std::size_t top = 0, bottom = static_cast<std::size_t>(rows); top + 1 < bottom;
         ++top, --bottom) {
        BYTE *upper = buffer + top * row_size;
        std::swap_ranges(upper, upper + row_size, buffer + (bottom - 1) * row_size);
    }
    return 1;
}

int image_create(BitmapImage *image, int x, int y, int width, int height) {
    if (image == nullptr || width < 1 || height < 1)
        return 0;
    const std::int64_t byte_count = static_cast<std::int64_t>(width) * height;
    if (byte_count > INT32_MAX)
        return 0;
    auto *pixels = static_cast<BYTE *>(std::calloc(static_cast<std::size_t>(byte_count), 1));
    if (pixels == nullptr)
        return 0;
    image->state = 1;
    image->attr = 0;
    image->x = x;
    image->y = y;
    image->width = width;
    image->height = height;
    image->byte_count = static_cast<int>(byte_count);
    image->pixels = pixels;
    return 1;
}

int image_destroy(BitmapImage *image) {
    if (image == nullptr || image->pixels == nullptr)
        return 0;
    std::free(image->pixels);
    *image = BitmapImage{};
    return 1;
}

// Nothing is clipped: the caller places the image wholly inside the destination memory.
int image_draw(BitmapImage *image, BYTE *memory, int pitch, int transparent) {
    if (image == nullptr || (image->attr & IMAGE_LOADED) == 0 || image->pixels == nullptr ||
        memory == nullptr)
        return 0;
    const BYTE *source = image->pixels;
    BYTE *dest = memory + static_cast<std::ptrdiff_t>(image->y) * pitch + image->x;
    const std::size_t width = static_cast<std::size_t>(image->width);
    for (int row = 0; row < image->height; ++row) {
        if (transparent) {
            for (std::size_t column = 0; column < width; ++column)
                if (source[column] != 0)
                    dest[column] = source[column];
        } else {
            std::memcpy(dest, source, width);
        }
        source += width;
        dest += pitch;
    }
    return 1;
}

const BYTE *bitmap_cell_start(const BitmapFile *bitmap, int cx, int cy, int mode, int width,
                              int height) {
    if (bitmap == nullptr || bitmap->pixels == nullptr || bitmap->info_header.biBitCount != 8)
        return nullptr;
    std::int64_t column = cx;
    std::int64_t row = cy;
    if (mode == 0) {
        column = std::int64_t{cx} * (std::int64_t{width} + 1) + 1;
        row = std::int64_t{cy} * (std::int64_t{height} + 1) + 1;
    }
    const std::int64_t bitmap_width = bitmap->info_header.biWidth;
    if (column < 0 || row < 0 || column + width > bitmap_width ||
        row + height > bitmap->info_header.biHeight)
        return nullptr;
    return bitmap->pixels + row * bitmap_width + column;
}

int image_load_cell(BitmapImage *image, BitmapFile *bitmap, int cx, int cy, int mode) {
    if (image == nullptr || image->pixels == nullptr)
        return 0;
    const BYTE *source = bitmap_cell_start(bitmap, cx, cy, mode, image->width, image->height);
    if (source == nullptr)
        return 0;
    const std::size_t width = static_cast<std::size_t>(image->width);
    for (int line = 0; line < image->height; ++line) {
        std::memcpy(image->pixels + line * width, source, width);
        source += bitmap->info_header.biWidth;
    }
    image->attr |= IMAGE_LOADED;
    return 1;
}

// Two image operations the library has always offered without an effect; nothing calls them.
int image_placeholder_1() {
    return 1;
}
int image_placeholder_2() {
    return 1;
}
