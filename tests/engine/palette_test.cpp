// Palette utilities: the text file format, rotation and keeping palette_table and the device equal.
#include <gtest/gtest.h>

#include <SDL.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <utility>

#include "engine/display/display.h"
#include "engine/display/palette.h"
#include "platform/testing.h"
#include "tests/support/headless.h"

namespace {

std::filesystem::path temp_file(const char *name) {
    return std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name);
}

void fill_pattern(PALETTEENTRY *palette) {
    for (int i = 0; i < 256; ++i)
        palette[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i * 7), BYTE(i % 5)};
}

} // namespace

TEST(PaletteFile, SaveAndLoadRoundTripInTheDocumentedFormat) {
    PALETTEENTRY saved[256];
    fill_pattern(saved);
    const auto path = temp_file("palette.txt");
    ASSERT_EQ(palette_save_file(path.c_str(), saved), 1);
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text.rfind("\n0 255 0 0\n1 254 7 1\n", 0), 0u);
    EXPECT_NE(text.back(), '\n');
    PALETTEENTRY loaded[256] = {};
    ASSERT_EQ(palette_load_file(path.c_str(), loaded), 1);
    EXPECT_EQ(0, std::memcmp(saved, loaded, sizeof saved));
    std::filesystem::remove(path);
}

TEST(PaletteFile, AShortFileFillsOnlyWhatItHolds) {
    const auto path = temp_file("short.txt");
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 10; ++i)
            out << "\r\n" << i << "  " << i + 1 << "\t" << i + 2 << " " << 4;
        out << "\nnot numbers";
    }
    PALETTEENTRY palette[256];
    std::memset(palette, 0xAB, sizeof palette);
    ASSERT_EQ(palette_load_file(path.c_str(), palette), 1);
    EXPECT_EQ(palette[9].peRed, 9);
    EXPECT_EQ(palette[9].peGreen, 10);
    EXPECT_EQ(palette[9].peBlue, 11);
    EXPECT_EQ(palette[9].peFlags, 4);
    EXPECT_EQ(palette[10].peRed, 0xAB);
    EXPECT_EQ(palette[255].peFlags, 0xAB);
    std::filesystem::remove(path);
    EXPECT_EQ(palette_load_file(path.c_str(), palette), 0);
}

TEST(PaletteFile, NumbersKeepTheirLowEightBitsWhateverTheirSize) {
    const char text[] = "256 -1 99999999999999999999999999 257";
    PALETTEENTRY palette[256] = {};
    ASSERT_EQ(palette_load_memory(reinterpret_cast<const BYTE *>(text), sizeof text - 1, palette),
              1);
    EXPECT_EQ(palette[0].peRed, 0);
    EXPECT_EQ(palette[0].peGreen, 255);
    // 10^26 - 1 modulo 256.
    EXPECT_EQ(palette[0].peBlue, 255);
    EXPECT_EQ(palette[0].peFlags, 1);
}

TEST(Palette, SetAllRotateAndEntriesKeepTheDeviceAndTheTableEqual) {
    ASSERT_NE(open_test_window(), nullptr);
    ASSERT_EQ(display_init(640, 480, 8), 1);
    PALETTEENTRY pattern[256];
    fill_pattern(pattern);
    ASSERT_EQ(palette_set_all(pattern), 1);
    EXPECT_EQ(0, std::memcmp(palette_table, pattern, sizeof pattern));
    EXPECT_EQ(0, std::memcmp(main_palette->entries, pattern, sizeof pattern));

    ASSERT_EQ(palette_rotate(16, 4), 1);
    EXPECT_EQ(palette_table[17].peRed, 16);
    EXPECT_EQ(palette_table[18].peRed, 17);
    EXPECT_EQ(palette_table[19].peRed, 18);
    EXPECT_EQ(palette_table[16].peRed, 19);
    EXPECT_EQ(palette_table[20].peRed, 20);
    EXPECT_EQ(0, std::memcmp(main_palette->entries, palette_table, sizeof palette_table));

    const PALETTEENTRY red{200, 1, 2, 4};
    ASSERT_EQ(palette_set_entry(5, &red), 1);
    PALETTEENTRY read{};
    ASSERT_EQ(palette_get_entry(5, &read), 1);
    EXPECT_EQ(std::memcmp(&read, &red, 4), 0);
    EXPECT_EQ(std::memcmp(&main_palette->entries[5], &red, 4), 0);
    PALETTEENTRY copy[256];
    palette_save_all(copy);
    EXPECT_EQ(0, std::memcmp(copy, palette_table, sizeof copy));
    // Out-of-range requests touch nothing, also where first + count does not fit an int.
    EXPECT_EQ(palette_set_entry(256, &red), 0);
    palette_save_all(copy);
    for (const auto &[first, count] : {std::pair{250, 10},
                                       {100, INT_MAX},
                                       {INT_MAX, 1},
                                       {-1, 2},
                                       {0, 257},
                                       {256, 1},
                                       {INT_MIN, INT_MAX}})
        EXPECT_EQ(palette_rotate(first, count), 0) << first << ", " << count;
    EXPECT_EQ(0, std::memcmp(copy, palette_table, sizeof copy));
    EXPECT_EQ(palette_rotate(255, 1), 1);
    EXPECT_EQ(0, std::memcmp(copy, palette_table, sizeof copy));
    display_shutdown();
}

TEST(Palette, APaletteChangeReachesTheScreenWithinOneRefresh) {
    ASSERT_NE(open_test_window(), nullptr);
    ASSERT_EQ(display_init(640, 480, 8), 1);
    testing_capture_frames(true);
    display_flip();
    const PALETTEENTRY green{0, 255, 0, 4};
    palette_set_entry(0, &green);
    // Shown at once, or at the first read of the clock a display refresh later.
    SDL_Delay(40);
    GetTickCount();
    EXPECT_EQ(testing_last_frame().palette[0].peGreen, 255);
    // On the virtual clock every change is shown at once.
    testing_use_virtual_clock(0, 0);
    const unsigned before = testing_last_frame().serial;
    const PALETTEENTRY blue{0, 0, 255, 4};
    palette_set_entry(0, &blue);
    EXPECT_EQ(testing_last_frame().serial, before + 1);
    EXPECT_EQ(testing_last_frame().palette[0].peBlue, 255);
    display_shutdown();
}
