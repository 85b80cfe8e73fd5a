// Text on the display's back surface, and the title screen's picture pass with its two texts: a
// generated track picture is loaded as the game loads its pictures, drawn, captioned, flipped and
// saved as test-output/title_text.bmp (and .png) for a person to look at.
#include "engine/display/raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/display/bitmap.h"
#include "engine/display/display.h"
#include "engine/display/palette.h"
#include "platform/testing.h"
#include "tests/support/headless.h"

namespace {

struct DisplayText : ::testing::Test {
    void SetUp() override {
        ASSERT_NE(open_test_window(), nullptr);
        ASSERT_EQ(display_init(640, 480, 8), 1);
    }
    void TearDown() override {
        testing_clear_faults();
        display_shutdown();
    }
    static int count_on_back(BYTE value) {
        return static_cast<int>(
            std::count(back_surface->pixels.begin(), back_surface->pixels.end(), value));
    }
};

TEST_F(DisplayText, RgbAndIndexedTextDrawThroughThePrimarySurfacesPalette) {
    // The default palette's entry 100 is green (0, 144, 0), found nowhere else in it.
    ASSERT_EQ(draw_text_indexed("Lap 1", 30, 40, 100, back_surface), 1);
    const int indexed_ink = count_on_back(100);
    EXPECT_GT(indexed_ink, 20);
    ASSERT_EQ(draw_text_rgb("Lap 1", 30, 80, RGB(0, 143, 1), back_surface), 1);
    EXPECT_EQ(count_on_back(100), 2 * indexed_ink);
    EXPECT_EQ(count_on_back(0), static_cast<int>(back_surface->pixels.size()) - 2 * indexed_ink);
}

TEST_F(DisplayText, NoDeviceContextMeansNothingDrawn) {
    testing_fail("GetDC");
    EXPECT_EQ(draw_text_rgb("Lap 1", 30, 40, RGB(255, 255, 255), back_surface), 0);
    display_lock_back(); // a locked surface gives no device context either
    EXPECT_EQ(draw_text_rgb("Lap 1", 30, 40, RGB(255, 255, 255), back_surface), 0);
    display_unlock_back();
    EXPECT_EQ(count_on_back(0), static_cast<int>(back_surface->pixels.size()));
    EXPECT_EQ(draw_text_rgb(nullptr, 30, 40, RGB(255, 255, 255), back_surface), 0);
    EXPECT_EQ(draw_text_rgb("Lap 1", 30, 40, RGB(255, 255, 255), nullptr), 0);
}

// --- The title screen
// -----------------------------------------------------------------------------

constexpr BYTE grass = 1, grass_dark = 2, road = 3, kerb_red = 4, kerb_white = 5, wall = 29,
               white = 255;

// A 640 x 480 8-bit BMP file of a placeholder track: striped grass, an oval road with kerbs, a
// wall around the outside and a chequered finish line (index 0, as the game's tracks have it).
std::vector<BYTE> placeholder_track_file() {
    std::vector<BYTE> picture(640 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const double dx = (x - 320) / 280.0, dy = (y - 240) / 200.0;
            const double r = std::sqrt(dx * dx + dy * dy);
            BYTE value = (y / 24) % 2 ? grass : grass_dark;
            if (x < 6 || x > 633 || y < 6 || y > 473)
                value = wall;
            else if (r > 0.62 && r < 1.0)
                value =
                    (r < 0.64 || r > 0.98) ? (((x + y) / 10) % 2 ? kerb_red : kerb_white) : road;
            if (value == road && x >= 310 && x < 322)
                value = ((x / 4 + y / 4) % 2) ? 0 : white; // the finish line
            picture[y * 640 + x] = value;
        }

    std::vector<BYTE> file;
    auto put = [&file](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.push_back(static_cast<BYTE>(value >> (8 * i)));
    };
    put(0x4D42, 2);
    put(14 + 40 + 1024 + 640 * 480, 4);
    put(0, 4);
    put(14 + 40 + 1024, 4);
    put(40, 4);
    put(640, 4);
    put(480, 4);
    put(1, 2);
    put(8, 2);
    put(0, 4);
    put(640 * 480, 4);
    for (int field = 0; field < 4; ++field) // resolution and colour counts
        put(0, 4);
    const BYTE colours[][3] = {{0, 0, 0},     {52, 132, 44},   {44, 112, 38},  {96, 96, 104},
                               {196, 36, 36}, {236, 236, 236}, {255, 255, 255}};
    for (int i = 0; i < 256; ++i) {
        const BYTE *rgb = i < 6 ? colours[i] : i == white ? colours[6] : colours[0];
        if (i == wall) {
            static const BYTE brown[3] = {120, 78, 40};
            rgb = brown;
        }
        file.insert(file.end(), {rgb[2], rgb[1], rgb[0], 0});
    }
    for (int y = 479; y >= 0; --y)
        file.insert(file.end(), picture.begin() + y * 640, picture.begin() + (y + 1) * 640);
    return file;
}

TEST_F(DisplayText, TitleScreenShowsTheTrackWithBothTexts) {
    // Loaded as every full-screen picture is: file, palette, image, cell at (0, 0), unload.
    const std::vector<BYTE> file = placeholder_track_file();
    BitmapFile bitmap{};
    ASSERT_EQ(bitmap_file_load_memory(&bitmap, file.data(), file.size()), 1);
    palette_set_all(bitmap.palette);
    BitmapImage track{};
    ASSERT_EQ(image_create(&track, 0, 0, 640, 480), 1);
    ASSERT_EQ(image_load_cell(&track, &bitmap, 0, 0, 1), 1);
    bitmap_file_unload(&bitmap);

    testing_capture_frames(true);
    display_fill_surface(back_surface, 0);
    ASSERT_NE(display_lock_back(), nullptr);
    ASSERT_EQ(image_draw(&track, back_buffer, back_pitch, 0), 1);
    display_unlock_back();
    EXPECT_EQ(draw_text_rgb("Pellowind - 10", 255, 10, RGB(255, 255, 255), back_surface), 1);
    EXPECT_EQ(draw_text_rgb("PRESS SPACEBAR TO GO!", 220, 200, RGB(0, 0, 0), back_surface), 1);
    ASSERT_EQ(display_flip(), 1);
    image_destroy(&track);

    const PresentedFrame &frame = testing_last_frame();
    ASSERT_EQ(frame.width, 640);
    // White ink only in the first text's box, black only in the second's; the picture elsewhere.
    int white_ink = 0, black_ink = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const BYTE value = frame.pixels[y * 640 + x];
            const bool in_first = x >= 255 && x < 400 && y >= 10 && y < 30;
            const bool in_second = x >= 220 && x < 440 && y >= 200 && y < 220;
            if (value == white && !(x >= 310 && x < 322)) {
                ASSERT_TRUE(in_first) << x << "," << y;
                ++white_ink;
            }
            if (value == 0 && in_second)
                ++black_ink;
        }
    EXPECT_GT(white_ink, 150);
    EXPECT_GT(black_ink, 200);

    const std::string dir = test_output_dir();
    std::filesystem::create_directories(dir);
    const std::string bmp = dir + "/title_text.bmp";
    ASSERT_TRUE(testing_save_frame(frame, bmp.c_str()));
    ASSERT_EQ(std::system(("convert '" + bmp + "' '" + dir + "/title_text.png'").c_str()), 0);
}

} // namespace
