// Text on the display's surfaces, and the title screen's picture pass with its two texts: a track
// picture is loaded as the game loads its pictures, drawn, captioned, flipped and saved as
// test-output/title_text.bmp (and .png) for a person to look at.
#include "engine/display/raster.h"

#include "engine/display/bitmap.h"
#include "engine/display/bob.h"
#include "engine/display/palette.h"
#include "engine_test_support.h"

namespace {

using DisplayText = DisplayTest;

// Surfaces without a palette of their own (an off-screen surface, a BOB frame) draw with the
// palette on the screen, as the back surface does.
TEST_F(DisplayText, RgbAndIndexedTextDrawThroughThePrimarySurfacesPalette) {
    IDirectDrawSurface *off_screen = display_create_surface(120, 30, DDSCAPS_SYSTEMMEMORY);
    ASSERT_NE(off_screen, nullptr);
    BOB kart{};
    ASSERT_EQ(bob_create(&kart, 0, 0, 120, 30, 1, BOB_SHOWN, DDSCAPS_SYSTEMMEMORY), 1);
    for (IDirectDrawSurface *surface : {back_surface, off_screen, kart.frames[0]}) {
        auto count = [surface](BYTE value) {
            return int(std::count(surface->pixels.begin(), surface->pixels.end(), value));
        };
        // The default palette's entry 100 is green (0, 144, 0), found nowhere else in it.
        ASSERT_EQ(draw_text_indexed("Lap 1", 2, 2, 100, surface), 1);
        const int indexed_ink = count(100);
        EXPECT_GT(indexed_ink, 20);
        ASSERT_EQ(draw_text_rgb("Lap 1", 60, 2, RGB(0, 143, 1), surface), 1);
        EXPECT_EQ(count(100), 2 * indexed_ink);
        EXPECT_EQ(count(0), int(surface->pixels.size()) - 2 * indexed_ink);
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
    EXPECT_TRUE(all_bytes(back_surface->pixels, 0));
    EXPECT_EQ(draw_text_rgb(nullptr, 30, 40, RGB(255, 255, 255), back_surface), 0);
    EXPECT_EQ(draw_text_rgb("Lap 1", 30, 40, RGB(255, 255, 255), nullptr), 0);
}

// The title screen: the first track picture, loaded as the game loads every full-screen picture
// (file, palette, image, cell at (0, 0), unload), with its two texts.
TEST_F(DisplayText, TitleScreenShowsTheTrackWithBothTexts) {
    BitmapFile bitmap{};
    ASSERT_EQ(bitmap_file_load(&bitmap, DW_SOURCE_DIR "/images/track0.bmp"), 1);
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
    int ink[2] = {0, 0};
    for (int p = 0; p < 640 * 480; ++p) {
        const int x = p % 640, y = p / 640;
        if (frame.pixels[p] == track.pixels[p])
            continue;
        const bool first = x >= 255 && x < 400 && y >= 10 && y < 30;
        const bool second = x >= 220 && x < 440 && y >= 200 && y < 220;
        const PALETTEENTRY &e = palette_table[frame.pixels[p]];
        const int level = e.peRed + e.peGreen + e.peBlue;
        ASSERT_TRUE((first && level == 3 * 255) || (second && level == 0)) << x << "," << y;
        ++ink[first ? 0 : 1];
    }
    image_destroy(&track);
    EXPECT_GT(ink[0], 150);
    EXPECT_GT(ink[1], 200);

    const std::string out = test_output_dir();
    std::filesystem::create_directories(out);
    ASSERT_TRUE(testing_save_frame(frame, (out + "/title_text.bmp").c_str()));
    ASSERT_EQ(std::system(("convert '" + out + "/title_text.bmp' '" + out + "/title_text.png'").c_str()), 0);
}

} // namespace
