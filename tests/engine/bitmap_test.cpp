// Bitmap files (ImageMagick's and hand-built ones, malformed ones refused) and images cut from
// them.

#include <cstdint>

#include "engine_test_support.h"
#include "platform/file.h"

namespace {

struct BmpLayout {
    int width = 4, height = 3, bit_count = 8;
    bool padded = true;           // rows padded to 4 bytes, as the format says
    int palette_entries = 256;    // written to the file and to biClrUsed (0 when 256)
    std::int64_t size_image = -1; // biSizeImage; -1: the true size
    std::int64_t off_bits = -1;   // bfOffBits; -1: the true offset
};

// Stored byte b of stored row r (counted from the bottom, as stored): distinct across the picture.
const auto pattern = [](int b, int r) { return BYTE(16 * r + b + 1); };

std::vector<BYTE> build_bmp(const BmpLayout &layout) {
    const int packed = layout.width * layout.bit_count / 8;
    const int stride = layout.padded ? (packed + 3) / 4 * 4 : packed;
    const int rows = layout.height < 0 ? -layout.height : layout.height;
    const int palette_entries = layout.bit_count == 8 ? layout.palette_entries : 0;
    const std::uint32_t offset = 14 + 40 + 4 * palette_entries, image_bytes = stride * rows;
    const auto field = [](std::int64_t value, std::uint32_t otherwise) {
        return value < 0 ? otherwise : std::uint32_t(value);
    };
    std::vector<BYTE> out;
    for (auto [value, width] : std::initializer_list<std::pair<std::uint32_t, int>>{
             {0x4D42, 2}, {offset + image_bytes, 4}, {0, 4}, {field(layout.off_bits, offset), 4},
             {40, 4}, {std::uint32_t(layout.width), 4}, {std::uint32_t(layout.height), 4},
             {1, 2}, {std::uint32_t(layout.bit_count), 2}, {0, 4},
             {field(layout.size_image, image_bytes), 4}, {2835, 4}, {2835, 4},
             {layout.palette_entries == 256 ? 0u : std::uint32_t(layout.palette_entries), 4},
             {0, 4}})
        put_le(out, value, width);
    for (int i = 0; i < palette_entries; ++i) // entry i as blue i, green 2 i, red 255 - i
        put_le(out, DWORD(i & 0xFF) | DWORD(2 * i & 0xFF) << 8 | DWORD(255 - i) << 16, 4);
    for (int r = 0; r < rows; ++r)
        for (int b = 0; b < stride; ++b) // fill bytes must never show up as pixels
            out.push_back(b < packed ? pattern(b, r) : 0xEE);
    return out;
}

struct LoadedBitmap : BitmapFile {
    LoadedBitmap() : BitmapFile{} {}
    ~LoadedBitmap() { bitmap_file_unload(this); }
    int load(const std::vector<BYTE> &bytes) {
        return bitmap_file_load_memory(this, bytes.data(), bytes.size());
    }
};

void run(const std::string &command) {
    ASSERT_EQ(std::system((command + " 2>&1").c_str()), 0) << command;
}

// A 37 x 23 picture (rows need padding at every depth) with many colours.
const char *const test_picture = "-size 37x23 xc:black -channel R -fx i/36 -channel G -fx j/22 "
                                 "-channel B -fx '(i*j%7)/6' +channel";

TEST(BitmapFileImageMagick, FilesOfEveryDepthLoadToThePixelsImageMagickDecodes) {
    TempDir dir;
    // Name, options, format prefix and bits; p8.bmp has a long header (run-length: malformed
    // headers).
    for (auto [name, options, format, bits] :
         {std::tuple{"p8.bmp", "-type Palette -colors 250 -compress none", "", 8},
          {"p8_v3.bmp", "-type Palette -colors 250 -compress none", "BMP3:", 8},
          {"p24.bmp", "-type TrueColor", "", 24},
          {"p16.bmp", "-type TrueColor -define bmp:subtype=RGB555", "", 16}}) {
        SCOPED_TRACE(name);
        const std::string path = dir / name;
        run(std::string("convert ") + test_picture + " " + options + " " + format + "'" + path +
            "'");
        LoadedBitmap bitmap;
        ASSERT_EQ(bitmap_file_load(&bitmap, path.c_str()), 1);
        run("convert '" + path + "' -depth 8 rgb:'" + dir / "rgb" + "'"); // ImageMagick's decoding
        const std::vector<BYTE> expected = read_bytes(dir / "rgb");
        ASSERT_EQ(expected.size(), 37u * 23u * 3u);
        ASSERT_EQ((std::vector<long>{bitmap.info_header.biWidth, bitmap.info_header.biHeight,
                                     bitmap.info_header.biBitCount}),
                  (std::vector<long>{37, 23, bits == 8 ? 8 : 16}));
        std::vector<int> got, wanted; // 8 bits: palette colours as 0xRRGGBB; else 15-bit values
        for (int p = 0; p < 37 * 23; ++p) {
            const BYTE *rgb = &expected[3 * p], *pixel = &bitmap.pixels[bits == 8 ? p : 2 * p];
            const PALETTEENTRY &e = bitmap.palette[pixel[0]];
            got.push_back(bits == 8 ? e.peRed << 16 | e.peGreen << 8 | e.peBlue
                                    : pixel[0] | pixel[1] << 8);
            wanted.push_back(bits == 8 ? rgb[0] << 16 | rgb[1] << 8 | rgb[2]
                                       : (rgb[0] >> 3) << 10 | (rgb[1] >> 3) << 5 | rgb[2] >> 3);
        }
        EXPECT_EQ(got, wanted);
    }
}

TEST(BitmapFile, PaletteIsTurnedToRedGreenBlueAndShortPalettesEndInBlack) {
    LoadedBitmap bitmap;
    ASSERT_EQ(bitmap.load(build_bmp({4, 3, 8, true, 16})), 1);
    EXPECT_EQ(colour(bitmap.palette[5]), (std::vector<int>{250, 10, 5, PC_NOCOLLAPSE}));
    EXPECT_EQ(colour(bitmap.palette[16]), (std::vector<int>{0, 0, 0, PC_NOCOLLAPSE}));
    EXPECT_EQ(bitmap.pixels[0], pattern(0, 2)); // the pixels still start after the 16 entries
}

TEST(BitmapFile, RowsComeOutTopDownWithoutFillBytes) {
    for (int layout_case = 0; layout_case < 4; ++layout_case) {
        // Rows of 5 bytes padded to 8, or packed; a negative height marks a top-down file.
        BmpLayout layout{5, layout_case % 2 ? -3 : 3, 8, layout_case < 2};
        SCOPED_TRACE(layout_case);
        LoadedBitmap bitmap;
        ASSERT_EQ(bitmap.load(build_bmp(layout)), 1);
        EXPECT_EQ(LONG{bitmap.info_header.biHeight}, 3);
        for (int p = 0; p < 15; ++p)
            ASSERT_EQ(bitmap.pixels[p], pattern(p % 5, layout.height > 0 ? 2 - p / 5 : p / 5));
    }
}

TEST(BitmapFile, PixelDataIsFoundWhereTheHeadersAllowAndNowhereElse) {
    // What, biSizeImage, bfOffBits, bytes after the pixels, result.
    for (auto [what, size_image, off_bits, trailing, result] :
         {std::tuple{"size image of 0: padded rows at the offset", 0, -1, 0, 1},
          {"bytes after the pixels", -1, -1, 2, 1},
          {"no offset: the pixels end the file", -1, 0, 0, 1},
          {"size image of 0 and no offset", 0, 0, 0, 0},
          {"size image larger than the file", 1 << 30, -1, 0, 0},
          {"size image a byte more than the file holds", 13, -1, 0, 0},
          {"size image smaller than the rows", 5, -1, 0, 0}}) {
        SCOPED_TRACE(what);
        std::vector<BYTE> file =
            build_bmp({3, 3, 8, true, 256, size_image, off_bits}); // rows 3 + 1
        file.insert(file.end(), trailing, 0x11);
        LoadedBitmap bitmap;
        ASSERT_EQ(bitmap.load(file), result);
        EXPECT_TRUE(result == 0 ||
                    (bitmap.pixels[0] == pattern(0, 2) && bitmap.pixels[8] == pattern(2, 0)));
    }
}

TEST(BitmapFile, MalformedHeadersAreRefusedAndLeaveTheLoadedPicture) {
    // What, and the field's offset and new value (the bit count at 28 has 2 bytes, others 4).
    const std::tuple<const char *, std::size_t, std::uint32_t> patches[] = {
        {"run-length compressed", 30, 1},   {"bit fields on 8 bits", 30, 3},
        {"4 bits", 28, 4},                  {"32 bits", 28, 32},
        {"zero width", 18, 0},              {"zero height", 22, 0},
        {"negative width", 18, 0xFFFFFFFC}, {"huge width", 18, 0x7FFFFFFF},
        {"width past the cap", 18, 16385},  {"huge height", 22, 0x7FFFFFFF},
        {"most negative height", 22, 0x80000000},
        {"negative height past the cap", 22, static_cast<std::uint32_t>(-16385)},
        {"huge info header", 14, 0xFFFFFFF0}, {"12-byte info header", 14, 12},
        {"257 colours", 46, 257},           {"huge colour count", 46, 0xFFFFFFFF}};
    const std::vector<BYTE> valid = build_bmp({});
    for (const auto &[what, at, value] : patches) {
        SCOPED_TRACE(what);
        std::vector<BYTE> file = valid;
        std::memcpy(&file[at], &value, at == 28 ? 2 : 4);
        LoadedBitmap bitmap;
        ASSERT_EQ(bitmap.load(valid), 1);
        BYTE *previous = bitmap.pixels;
        EXPECT_EQ(bitmap.load(file), 0);
        EXPECT_EQ(bitmap.pixels,
                  previous); // and the sizes still describe them, for cells cut from them
        EXPECT_EQ((std::vector<long>{bitmap.info_header.biWidth, bitmap.info_header.biHeight,
                                     bitmap.info_header.biBitCount}),
                  (std::vector<long>{4, 3, 8}));
    }
}

TEST(BitmapFile, EveryTruncationOfAValidFileIsRefused) {
    for (int bits : {8, 16, 24}) {
        const std::vector<BYTE> file = build_bmp({3, 2, bits, true, 4});
        for (std::size_t length = 0; length < file.size(); ++length) {
            // A copy of exactly `length` bytes, so a read past it is caught by the sanitizer.
            LoadedBitmap bitmap;
            EXPECT_EQ(bitmap.load({file.begin(), file.begin() + long(length)}), 0)
                << bits << " bits, " << length << " bytes";
        }
        LoadedBitmap whole;
        EXPECT_EQ(whole.load(file), 1) << bits << " bits";
    }
}

TEST(BitmapFile, NotABitmapFailsAndFlipRowsReverses) {
    LoadedBitmap bitmap; // (a missing file is the program checks')
    std::vector<BYTE> file = build_bmp({});
    file[0] = 'P';
    EXPECT_EQ(bitmap.load(file), 0);
    EXPECT_EQ(bitmap_file_load_memory(&bitmap, nullptr, 100), 0);
    EXPECT_EQ(bitmap.pixels, nullptr);
    BYTE rows[5][2] = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}};
    ASSERT_EQ(bitmap_flip_rows(&rows[0][0], 2, 5), 1);
    EXPECT_EQ(std::memcmp(rows, "\5\5\4\4\3\3\2\2\1\1", 10), 0);
    EXPECT_EQ(bitmap_flip_rows(&rows[0][0], 2, -1), 0);
}

struct Image : BitmapImage {
    Image(int left, int top, int w, int h) : BitmapImage{} {
        EXPECT_EQ(image_create(this, left, top, w, h), 1);
    }
    ~Image() { image_destroy(this); }
};

TEST(BitmapImage, CellModeSkipsTheGridLinesAbsoluteModeDoesNotAndNeitherLeavesTheBitmap) {
    LoadedBitmap bitmap; // 60 x 30, pixel (x, y) being x + 60 y modulo 256
    ASSERT_EQ(bitmap.load(build_bmp({60, 30})), 1);
    for (int i = 0; i < 60 * 30; ++i)
        bitmap.pixels[i] = BYTE(i);
    Image image(0, 0, 16, 8);
    // Cell x, y, mode, the result and the first and last pixel (cell mode skips the grid lines).
    for (auto [x, y, mode, result, first, last] :
         {std::array{2, 1, 0, 1, 35 + 60 * 10, 50 + 60 * 17}, {2, 1, 1, 1, 2 + 60, 17 + 60 * 8},
          {44, 22, 1, 1, 44 + 60 * 22, 59 + 60 * 29}, {45, 0, 1, 0}, {0, 23, 1, 0}, {-1, 0, 1, 0},
          {3, 0, 0, 0} /* column 52 + 16 > 60 */, {0, 0x7FFFFFFF, 0, 0}}) {
        ASSERT_EQ(image_load_cell(&image, &bitmap, x, y, mode), result) << x << "," << y;
        EXPECT_TRUE(!result || (image.pixels[0] == BYTE(first) && image.pixels[127] == BYTE(last)))
            << x << "," << y;
    }
    EXPECT_EQ(image.attr & IMAGE_LOADED, IMAGE_LOADED);
    EXPECT_EQ(bitmap_cell_start(&bitmap, 1, 0, 0, 0x7FFFFFFF, 1), nullptr); // no int overflow
    EXPECT_EQ(image_load_cell(nullptr, &bitmap, 0, 0, 0), 0);
    LoadedBitmap empty;
    EXPECT_EQ(image_load_cell(&image, &empty, 0, 0, 1), 0);
}

TEST(BitmapImage, TransparentDrawKeepsTheDestinationUnderZeros) {
    Image image(2, 1, 3, 2);
    const BYTE picture[6] = {7, 0, 9, 0, 5, 0};
    std::memcpy(image.pixels, picture, 6);
    BYTE screen[4][8], before[4][8];
    std::memset(screen, 0xAA, sizeof screen);
    std::memcpy(before, screen, sizeof screen);
    EXPECT_EQ(image_draw(&image, &screen[0][0], 8, 1), 0); // not loaded yet: nothing drawn
    EXPECT_EQ(std::memcmp(screen, before, sizeof screen), 0);
    image.attr |= IMAGE_LOADED;
    ASSERT_EQ(image_draw(&image, &screen[0][0], 8, 1), 1);
    before[1][2] = 7, before[1][4] = 9, before[2][3] = 5;
    EXPECT_EQ(std::memcmp(screen, before, sizeof screen), 0);
    ASSERT_EQ(image_draw(&image, &screen[0][0], 8, 0), 1);
    before[1][3] = before[2][2] = before[2][4] = 0;
    EXPECT_EQ(std::memcmp(screen, before, sizeof screen), 0);
}

TEST(BitmapImage, CreateClearsAndDestroyEmptiesTheRecordOnce) {
    Image image(3, 4, 5, 6);
    EXPECT_EQ((std::vector<int>{image.state, image.attr, image.byte_count}),
              (std::vector<int>{1, 0, 30}));
    EXPECT_TRUE(all_bytes(image.pixels, 30, 0));
    EXPECT_EQ(image_destroy(&image), 1);
    EXPECT_EQ(image.width + image.x, 0);
    EXPECT_EQ(image_destroy(&image), 0);
    EXPECT_EQ(image_create(&image, 0, 0, 0, 5), 0);
    EXPECT_EQ(image_create(&image, 0, 0, 70000, 70000), 0); // more bytes than an int counts
    EXPECT_EQ(image.pixels, nullptr);
}

} // namespace
