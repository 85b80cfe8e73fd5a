// Text on the display's back surface, and the title screen's picture pass with its two texts: a
// track picture is loaded as the game loads its pictures, drawn, captioned, flipped and saved as
// test-output/title_text.bmp (and .png) for a person to look at.
#include "engine/display/raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/display/bitmap.h"
#include "engine/display/bob.h"
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

// Surfaces without a palette of their own, an off-screen surface and a BOB frame, draw with the
// palette on the screen.
TEST_F(DisplayText, TextDrawsOnOffScreenSurfacesAndBobFrames) {
    IDirectDrawSurface *off_screen = display_create_surface(120, 30, DDSCAPS_SYSTEMMEMORY);
    ASSERT_NE(off_screen, nullptr);
    BOB kart{};
    ASSERT_EQ(bob_create(&kart, 0, 0, 120, 30, 1, BOB_SHOWN, DDSCAPS_SYSTEMMEMORY), 1);
    for (IDirectDrawSurface *surface : {off_screen, kart.frames[0]}) {
        auto green = [surface] {
            return std::count(surface->pixels.begin(), surface->pixels.end(), 100);
        };
        ASSERT_EQ(draw_text_indexed("Lap 1", 2, 2, 100, surface), 1);
        const auto indexed_ink = green();
        EXPECT_GT(indexed_ink, 20);
        // The default palette's entry 100 is green (0, 144, 0), found nowhere else in it.
        ASSERT_EQ(draw_text_rgb("Lap 1", 60, 2, RGB(0, 143, 1), surface), 1);
        EXPECT_EQ(green(), 2 * indexed_ink);
    }
    bob_destroy(&kart);
    off_screen->Release();
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

// The title screen: the first track picture, loaded as the game loads every full-screen picture
// (file, palette, image, cell at (0, 0), unload), with its two texts.
TEST_F(DisplayText, TitleScreenShowsTheTrackWithBothTexts) {
    const char *dir = std::getenv("DW_SOURCE_DIR");
    const std::string track_file = std::string(dir ? dir : ".") + "/images/track0.bmp";
    BitmapFile bitmap{};
    ASSERT_EQ(bitmap_file_load(&bitmap, track_file.c_str()), 1);
    palette_set_all(bitmap.palette);
    BitmapImage track{};
    ASSERT_EQ(image_create(&track, 0, 0, 640, 480), 1);
    ASSERT_EQ(image_load_cell(&track, &bitmap, 0, 0, 1), 1);
    bitmap_file_unload(&bitmap);

    testing_capture_frames(true);
    ASSERT_NE(display_lock_back(), nullptr);
    ASSERT_EQ(image_draw(&track, back_buffer, back_pitch, 0), 1);
    display_unlock_back();
    EXPECT_EQ(draw_text_rgb("Pellowind - 10", 255, 10, RGB(255, 255, 255), back_surface), 1);
    EXPECT_EQ(draw_text_rgb("PRESS SPACEBAR TO GO!", 220, 200, RGB(0, 0, 0), back_surface), 1);
    ASSERT_EQ(display_flip(), 1);

    const PresentedFrame &frame = testing_last_frame();
    ASSERT_EQ(frame.width, 640);
    // The picture everywhere but the ink: white in the first text's box, black in the second's.
    int white_ink = 0, black_ink = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const BYTE value = frame.pixels[y * 640 + x];
            if (value == track.pixels[y * 640 + x])
                continue;
            const bool in_first = x >= 255 && x < 400 && y >= 10 && y < 30;
            const bool in_second = x >= 220 && x < 440 && y >= 200 && y < 220;
            const PALETTEENTRY &e = palette_table[value];
            const int level = e.peRed + e.peGreen + e.peBlue;
            ASSERT_TRUE((in_first && level == 3 * 255) || (in_second && level == 0))
                << int(value) << " at " << x << "," << y;
            (in_first ? white_ink : black_ink) += 1;
        }
    image_destroy(&track);
    EXPECT_GT(white_ink, 150);
    EXPECT_GT(black_ink, 200);

    const std::string out = test_output_dir();
    std::filesystem::create_directories(out);
    const std::string bmp = out + "/title_text.bmp";
    ASSERT_TRUE(testing_save_frame(frame, bmp.c_str()));
    ASSERT_EQ(std::system(("convert '" + bmp + "' '" + out + "/title_text.png'").c_str()), 0);
}

} // namespace
