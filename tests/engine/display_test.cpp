// The display device: default palette, locks, flips, clip lists, refused modes, failed inits, text
// (the title screen as seen is the program checks' screenshot).

#include "engine_test_support.h"

namespace {

// The clip list header: size, type, count, region size, bound.
std::array<long, 8> header(const IDirectDrawClipper *clipper) {
    const RGNDATAHEADER &h = clipper->header;
    return {h.dwSize,       h.iType,       h.nCount,        h.nRgnSize,
            h.rcBound.left, h.rcBound.top, h.rcBound.right, h.rcBound.bottom};
}

TEST_F(DisplayTest, DefaultPaletteIsFourRampsAndBothBuffersStartBlack) {
    // Four ramps of 64 (red, green, blue, grey) in steps of 4, all marked no-collapse.
    const int entries[][4] = {
        {0, 0, 0, 0},   {1, 4, 0, 0},     {63, 252, 0, 0}, {64, 0, 0, 0},     {127, 0, 252, 0},
        {128, 0, 0, 0}, {191, 0, 0, 252}, {192, 0, 0, 0},  {200, 32, 32, 32}, {255, 252, 252, 252}};
    for (const auto [i, r, g, b] : entries) {
        const PALETTEENTRY &e = palette_table[i];
        EXPECT_EQ((std::array<int, 4>{e.peRed, e.peGreen, e.peBlue, e.peFlags}),
                  (std::array<int, 4>{r, g, b, PC_NOCOLLAPSE})) << i;
    }
    EXPECT_EQ(0, std::memcmp(main_palette->entries, palette_table, sizeof palette_table)); // the device
    EXPECT_TRUE(all_bytes(primary_surface->pixels, 0) && all_bytes(back_surface->pixels, 0));
    EXPECT_EQ((std::array{screen_width, screen_height, screen_bpp}), (std::array{640, 480, 8}));
}

TEST_F(DisplayTest, LocksDoNotNestAndPublishMemoryAndSurfacesAreKeyedOnZero) {
    BYTE *first = display_lock_back();
    ASSERT_NE(first, nullptr);
    EXPECT_GE(back_pitch, 640);
    EXPECT_EQ(display_lock_back(), first);
    EXPECT_EQ(display_unlock_back(), 1);
    EXPECT_TRUE(back_buffer == nullptr && back_pitch == 0);
    EXPECT_EQ(display_unlock_back() + display_unlock_primary(), 0);
    EXPECT_NE(display_lock_back(), nullptr); // the lock really ended
    display_unlock_back();

    IDirectDrawSurface *surface = display_create_surface(50, 8, DDSCAPS_SYSTEMMEMORY);
    ASSERT_NE(surface, nullptr);
    EXPECT_TRUE(surface->has_color_key && surface->color_key.dwColorSpaceLowValue == 0 &&
                surface->color_key.dwColorSpaceHighValue == 0 && surface->caps & DDSCAPS_OFFSCREENPLAIN);
    int pitch = 12345;
    EXPECT_EQ(display_lock_surface(nullptr, &pitch), nullptr);
    EXPECT_EQ(pitch + display_unlock_surface(nullptr, nullptr), 12345); // no pitch for no surface
    BYTE *memory = display_lock_surface(surface, &pitch);
    ASSERT_NE(memory, nullptr);
    EXPECT_TRUE(pitch >= 50 && surface_desc.lpSurface == memory);
    display_unlock_surface(surface, memory);
    surface->Release();
    testing_fail("CreateSurface");
    EXPECT_EQ(display_create_surface(8, 8, 0), nullptr);
}

TEST_F(DisplayTest, FlipIsRefusedWhileLockedAndShowsTheBackBufferAfter) {
    testing_capture_frames(true);
    display_fill_surface(back_surface, 7);
    display_lock_back();
    const unsigned shown_before = testing_last_frame().serial;
    EXPECT_EQ((std::array{unsigned(display_flip()), testing_last_frame().serial}),
              (std::array{0u, shown_before}));
    display_unlock_back();
    display_lock_primary();
    EXPECT_EQ(display_flip(), 0);
    display_unlock_primary();
    EXPECT_EQ(display_flip(), 1);
    ASSERT_EQ(testing_last_frame().width, 640);
    // The back buffer is still the drawing target, and now holds the old front.
    EXPECT_TRUE(all_bytes(testing_last_frame().pixels, 7) && all_bytes(back_surface->pixels, 0) &&
                all_bytes(primary_surface->pixels, 7));
    // Lost surfaces are restored, and a flip that keeps failing is given up.
    testing_fail("Flip", 3);
    EXPECT_EQ(display_flip(), 1);
    EXPECT_EQ(primary_surface->IsLost(), DD_OK);
    testing_fail("Flip", 1000000);
    EXPECT_EQ(display_flip(), 0);
    testing_clear_faults();
    EXPECT_EQ(display_flip(), 1);
}

TEST_F(DisplayTest, ClipListHeaderAndBound) {
    const RECT screen{0, 0, 640, 480};
    ASSERT_NE(main_clipper = display_attach_clipper(back_surface, 1, &screen), nullptr);
    EXPECT_EQ(header(main_clipper), (std::array<long, 8>{32, 1, 1, 16, 0, 0, 640, 480}));
    EXPECT_EQ(back_surface->clipper, main_clipper);

    IDirectDrawSurface *other = display_create_surface(50, 10, DDSCAPS_SYSTEMMEMORY);
    ASSERT_NE(other, nullptr);
    IDirectDrawClipper *none = display_attach_clipper(other, 0, nullptr);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(header(none), (std::array<long, 8>{32, 1, 0, 0, 64000, 64000, -64000, -64000}));
    display_fill_surface(other, 9); // an empty clip list lets nothing through
    EXPECT_TRUE(all_bytes(other->pixels, 0));
    none->Release();
    const RECT rects[2] = {{10, 20, 30, 40}, {-5, 25, 15, 100}};
    IDirectDrawClipper *two = display_attach_clipper(other, 2, rects);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(header(two), (std::array<long, 8>{32, 1, 2, 32, -5, 20, 30, 100}));
    two->Release();
    other->Release();
    testing_fail("SetClipList");
    EXPECT_EQ(display_attach_clipper(back_surface, 2, rects), nullptr);
}

// Surfaces without a palette of their own (off-screen, a BOB frame) draw with the screen's palette.
TEST_F(DisplayTest, TextRgbAndIndexedTextDrawThroughThePrimarySurfacesPalette) {
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

TEST_F(DisplayTest, TextNoDeviceContextMeansNothingDrawn) {
    testing_fail("GetDC");
    EXPECT_EQ(draw_text_rgb("Lap 1", 30, 40, RGB(255, 255, 255), back_surface), 0);
    display_lock_back(); // a locked surface gives no device context either
    EXPECT_EQ(draw_text_rgb("Lap 1", 30, 40, RGB(255, 255, 255), back_surface), 0);
    display_unlock_back();
    EXPECT_TRUE(all_bytes(back_surface->pixels, 0));
    EXPECT_EQ(draw_text_rgb(nullptr, 30, 40, 0xFFFFFF, back_surface) + draw_text_rgb("Lap 1", 30, 40, 0xFFFFFF, nullptr), 0);
}

TEST(DisplayInit, ModesAreStoredOrRefusedAndEveryFailingStepReturnsZero) {
    ASSERT_NE(open_test_window(), nullptr);
    ASSERT_EQ(display_init(800, 600, 8), 1);
    EXPECT_EQ( // the clip rectangle stays the 640 x 480 screen's
        (std::array{screen_width, screen_height, clip_right, clip_bottom}),
              (std::array{800, 600, 639, 479}));
    display_shutdown();
    // Sizes of nothing, past 4096 or another depth are refused, the mode left as it was.
    for (const auto &[width, height, bpp] : {std::array{0, 480, 8}, {640, 0, 8}, {4097, 480, 8},
                                             {640, 4097, 8}, {640, 480, 16}, {-640, 480, 8}}) {
        EXPECT_EQ(display_init(width, height, bpp), 0) << width << "x" << height << "x" << bpp;
        EXPECT_EQ((std::array{screen_width, screen_height, screen_bpp}), (std::array{800, 600, 8}));
        display_shutdown();
    }
    for (const char *step : {"DirectDrawCreate", "SetCooperativeLevel", "SetDisplayMode",
                             "CreateSurface", "GetAttachedSurface", "CreatePalette", "SetPalette"}) {
        testing_fail(step);
        EXPECT_EQ(display_init(640, 480, 8), 0) << step;
        display_shutdown();
        testing_clear_faults();
    }
    // Shutdown after a failed mode releases only the display object, and only once.
    testing_fail("SetDisplayMode");
    EXPECT_EQ(display_init(640, 480, 8), 0);
    EXPECT_EQ(primary_surface, nullptr);
    testing_record_calls(true);
    EXPECT_EQ(display_shutdown(), 1);
    EXPECT_EQ(testing_recorded_calls(), std::vector<std::string>{"IDirectDraw::Release"});
    testing_clear_recorded_calls();
    display_shutdown();
    EXPECT_TRUE(testing_recorded_calls().empty());
    testing_record_calls(false);
    EXPECT_EQ(display_init(640, 480, 8), 1);
    display_shutdown();
}

} // namespace
