// Palette utilities: the text file, rotation, palette_table and the device kept equal, the 256 bound.

#include <SDL.h>

#include "engine_test_support.h"

namespace {

void fill_pattern(PALETTEENTRY *palette) {
    for (int i = 0; i < 256; ++i)
        palette[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i * 7), BYTE(i % 5)};
}

std::vector<int> colour(const PALETTEENTRY &e) {
    return {e.peRed, e.peGreen, e.peBlue, e.peFlags};
}

TEST(PaletteFile, SaveLoadAndShortFilesInTheDocumentedFormat) {
    TempDir dir;
    PALETTEENTRY saved[256], loaded[256] = {};
    fill_pattern(saved);
    const std::string path = dir / "palette.txt";
    ASSERT_EQ(palette_save_file(path.c_str(), saved), 1);
    const std::vector<BYTE> bytes = read_bytes(path);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_TRUE(text.rfind("\n0 255 0 0\n1 254 7 1\n", 0) == 0 && text.back() != '\n');
    ASSERT_EQ(palette_load_file(path.c_str(), loaded), 1);
    EXPECT_EQ(0, std::memcmp(saved, loaded, sizeof saved));

    // A short file fills only what it holds; any white space separates the numbers.
    std::string short_text;
    for (int i = 0; i < 10; ++i)
        short_text += "\r\n" + std::to_string(i) + "  " + std::to_string(i + 1) + "\t" +
                      std::to_string(i + 2) + " 4";
    short_text += "\nnot numbers";
    std::memset(loaded, 0xAB, sizeof loaded);
    const std::string short_path = dir.write("short.txt", {short_text.begin(), short_text.end()});
    ASSERT_EQ(palette_load_file(short_path.c_str(), loaded), 1);
    EXPECT_EQ(colour(loaded[9]), (std::vector<int>{9, 10, 11, 4}));
    EXPECT_EQ(loaded[10].peRed + loaded[255].peFlags, 2 * 0xAB);
    EXPECT_EQ(palette_load_file((dir / "missing.txt").c_str(), loaded), 0);
    // Numbers keep their low eight bits whatever their size (10^26 - 1 modulo 256 is 255).
    const char numbers[] = "256 -1 99999999999999999999999999 257";
    ASSERT_EQ(palette_load_memory(reinterpret_cast<const BYTE *>(numbers), sizeof numbers - 1, loaded), 1);
    EXPECT_EQ(colour(loaded[0]), (std::vector<int>{0, 255, 255, 1}));
}

using Palette = DisplayTest;

TEST_F(Palette, SetAllRotateAndEntriesKeepTheDeviceAndTheTableEqual) {
    PALETTEENTRY pattern[256];
    fill_pattern(pattern);
    ASSERT_EQ(palette_set_all(pattern), 1);
    EXPECT_EQ(std::memcmp(palette_table, pattern, sizeof pattern) |
              std::memcmp(main_palette->entries, pattern, sizeof pattern), 0);

    ASSERT_EQ(palette_rotate(16, 4), 1);
    for (auto [index, red] : {std::pair{16, 19}, {17, 16}, {18, 17}, {19, 18}, {20, 20}})
        EXPECT_EQ(palette_table[index].peRed, red) << index;
    EXPECT_EQ(0, std::memcmp(main_palette->entries, palette_table, sizeof palette_table));

    const PALETTEENTRY red{200, 1, 2, 4};
    ASSERT_EQ(palette_set_entry(5, &red), 1);
    PALETTEENTRY read{}, copy[256];
    ASSERT_EQ(palette_get_entry(5, &read), 1);
    EXPECT_EQ(std::memcmp(&read, &red, 4) | std::memcmp(&main_palette->entries[5], &red, 4), 0);
    palette_save_all(copy);
    EXPECT_EQ(0, std::memcmp(copy, palette_table, sizeof copy));
    // Out-of-range requests (also past the int range) touch nothing; rotating one entry changes nothing.
    EXPECT_EQ(palette_set_entry(256, &red) + palette_set_entry(-1, &red) + palette_get_entry(256, &read), 0);
    for (const auto &[first, count] : {std::pair{250, 10}, {100, INT_MAX}, {INT_MAX, 1}, {-1, 2},
                                       {0, 257}, {256, 1}, {INT_MIN, INT_MAX}, {5, 0}})
        EXPECT_EQ(palette_rotate(first, count), 0) << first << ", " << count;
    for (const auto &[first, count] : {std::pair{255, 1}, {7, 1}})
        EXPECT_EQ(palette_rotate(first, count), 1) << first;
    EXPECT_EQ(std::memcmp(copy, palette_table, sizeof copy) |
              std::memcmp(main_palette->entries, palette_table, sizeof palette_table), 0);
    // The device palette's table holds 256 entries: requests past it are refused untouched.
    PALETTEENTRY out[257];
    for (auto [first, count, result] : {std::tuple{0u, 256u, DD_OK}, {256u, 0u, DD_OK},
                                        {255u, 2u, DDERR_INVALIDPARAMS}, {257u, 0u, DDERR_INVALIDPARAMS},
                                        {1u, 0xFFFFFFFFu, DDERR_INVALIDPARAMS}}) {
        EXPECT_EQ(main_palette->GetEntries(0, first, count, out), result) << first << "+" << count;
        EXPECT_EQ(main_palette->SetEntries(0, first, count, copy), result) << first << "+" << count;
    }
    EXPECT_EQ(0, std::memcmp(copy, main_palette->entries, sizeof copy));
}

TEST_F(Palette, APaletteChangeReachesTheScreenWithinOneRefresh) {
    testing_capture_frames(true);
    display_flip();
    const PALETTEENTRY green{0, 255, 0, 4}, blue{0, 0, 255, 4};
    palette_set_entry(0, &green);
    SDL_Delay(40); // shown at once, or at the first read of the clock a display refresh later
    GetTickCount();
    EXPECT_EQ(testing_last_frame().palette[0].peGreen, 255);
    testing_use_virtual_clock(0, 0); // on the virtual clock every change is shown at once
    const unsigned before = testing_last_frame().serial;
    palette_set_entry(0, &blue);
    EXPECT_TRUE(testing_last_frame().serial == before + 1 && testing_last_frame().palette[0].peBlue == 255);
    testing_use_real_clock();
}

} // namespace
