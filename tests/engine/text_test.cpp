// Text on the display's surfaces (the title screen as seen is the program checks' screenshot).
#include "engine/display/bob.h"
#include "engine/display/raster.h"
#include "engine_test_support.h"

namespace {

using DisplayText = DisplayTest;

// Surfaces without a palette of their own (off-screen, a BOB frame) draw with the screen's palette.
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
        const int ink = count(100);
        EXPECT_GT(ink, 20);
        ASSERT_EQ(draw_text_rgb("Lap 1", 60, 2, RGB(0, 143, 1), surface), 1);
        EXPECT_EQ((std::pair{count(100), count(0)}), (std::pair{2 * ink, int(surface->pixels.size()) - 2 * ink}));
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
    EXPECT_EQ(draw_text_rgb(nullptr, 30, 40, 0xFFFFFF, back_surface) + draw_text_rgb("Lap 1", 30, 40, 0xFFFFFF, nullptr), 0);
}

} // namespace
