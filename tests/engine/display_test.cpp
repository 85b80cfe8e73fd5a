// The display device, text on its surfaces (the title screen as seen is the program checks'), the
// palette utilities, and the raster primitives on plain 640 x 480 memory clipped to the screen.

#include <set>

#include "engine_test_support.h"

namespace {

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
                  (std::array<int, 4>{r, g, b, PC_NOCOLLAPSE}))
            << i;
    }
    EXPECT_EQ(
        0, std::memcmp(main_palette->entries, palette_table, sizeof palette_table)); // the device
    EXPECT_TRUE(all_bytes(primary_surface->pixels, 0) && all_bytes(back_surface->pixels, 0));
}

TEST_F(DisplayTest, LocksDoNotNestAndPublishMemory) {
    BYTE *first = display_lock_back();
    ASSERT_NE(first, nullptr);
    EXPECT_GE(back_pitch, 640);
    EXPECT_EQ(display_lock_back(), first);
    EXPECT_EQ(display_unlock_back(), 1);
    EXPECT_TRUE(back_buffer == nullptr && back_pitch == 0);
    EXPECT_EQ(display_unlock_back() + display_unlock_primary(), 0);
    ASSERT_NE(display_lock_primary(), nullptr);
    EXPECT_EQ((std::array{display_unlock_primary(), primary_pitch}), (std::array{1, 0}));
    EXPECT_NE(display_lock_back(), nullptr); // the lock really ended
    display_unlock_back();

    IDirectDrawSurface *surface = display_create_surface(50, 8, DDSCAPS_SYSTEMMEMORY);
    ASSERT_NE(surface, nullptr);
    int pitch = 12345;
    EXPECT_EQ(display_lock_surface(nullptr, &pitch), nullptr);
    EXPECT_EQ(pitch + display_unlock_surface(nullptr, nullptr), 12345); // no pitch for no surface
    BYTE *memory = display_lock_surface(surface, &pitch);
    ASSERT_NE(memory, nullptr);
    EXPECT_TRUE(pitch >= 50 && surface_desc.lpSurface == memory);
    display_unlock_surface(surface, memory);
    surface->Release();
    IDirectDrawSurface *dot = display_create_surface(1, 1, DDSCAPS_SYSTEMMEMORY); // the smallest
    ASSERT_NE(dot, nullptr);
    dot->Release();
    for (const auto &[width, height] : {std::pair{0, 8}, {8, 0}})
        EXPECT_EQ(display_create_surface(width, height, 0), nullptr) << width << "x" << height;
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
    testing_fail("Flip", 3); // lost surfaces are restored; a flip that keeps failing is given up
    EXPECT_EQ((std::array{display_flip(), int(primary_surface->IsLost())}),
              (std::array{1, int(DD_OK)}));
    testing_fail("Flip", 1000000);
    EXPECT_EQ(display_flip(), 0);
}

TEST_F(DisplayTest, ClipListHeaderAndBound) {
    const RECT screen{0, 0, 640, 480};
    ASSERT_NE(main_clipper = display_attach_clipper(back_surface, 1, &screen), nullptr);
    EXPECT_EQ(header(main_clipper), (std::array<long, 8>{32, 1, 1, 16, 0, 0, 640, 480}));
    EXPECT_EQ(back_surface->clipper, main_clipper);

    IDirectDrawSurface *other = display_create_surface(50, 10, DDSCAPS_SYSTEMMEMORY);
    IDirectDrawClipper *none = display_attach_clipper(other, 0, nullptr);
    ASSERT_TRUE(other && none);
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
        EXPECT_EQ((std::pair{count(100), count(0)}),
                  (std::pair{2 * ink, int(surface->pixels.size()) - 2 * ink}));
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
    EXPECT_EQ(draw_text_rgb(nullptr, 30, 40, 0xFFFFFF, back_surface) +
                  draw_text_rgb("Lap 1", 30, 40, 0xFFFFFF, nullptr),
              0);
}

TEST(DisplayInit, ModesAreStoredOrRefusedAndEveryFailingStepReturnsZero) {
    ASSERT_NE(open_headless_window("test"), nullptr);
    ASSERT_EQ(display_init(800, 600, 8), 1);
    EXPECT_EQ((std::array{screen_width, screen_height, clip_right, clip_bottom}),
              (std::array{800, 600, 639, 479})); // the clip rectangle stays the 640 x 480 screen's
    ASSERT_TRUE(display_lock_back() && display_lock_primary());
    display_shutdown(); // with both buffers locked: nothing of them stays published
    EXPECT_TRUE(!back_buffer && !primary_buffer && back_pitch == 0 && primary_pitch == 0);
    // Sizes of nothing, past 4096 or another depth are refused, the mode left as it was.
    for (const auto &[width, height, bpp] : {std::array{0, 480, 8},
                                             {640, 0, 8},
                                             {4097, 480, 8},
                                             {640, 4097, 8},
                                             {640, 480, 16},
                                             {-640, 480, 8}}) {
        EXPECT_EQ(display_init(width, height, bpp), 0) << width << "x" << height << "x" << bpp;
        EXPECT_EQ((std::array{screen_width, screen_height, screen_bpp}), (std::array{800, 600, 8}));
        display_shutdown();
    }
    for (const char *step :
         {"DirectDrawCreate", "SetCooperativeLevel", "SetDisplayMode", "CreateSurface",
          "GetAttachedSurface", "CreatePalette", "SetPalette"}) {
        testing_fail(step);
        EXPECT_EQ(display_init(640, 480, 8), 0) << step;
        display_shutdown();
        testing_clear_faults();
    }
    testing_fail("SetDisplayMode"); // the shutdown then releases the display object alone, once
    EXPECT_EQ(display_init(640, 480, 8), 0);
    EXPECT_EQ(primary_surface, nullptr);
    testing_record_calls(true);
    EXPECT_EQ(display_shutdown(), 1);
    EXPECT_EQ(testing_recorded_calls(), std::vector<std::string>{"IDirectDraw::Release"});
    testing_clear_recorded_calls();
    display_shutdown();
    EXPECT_TRUE(testing_recorded_calls().empty());
    testing_record_calls(false);
}

void fill_pattern(PALETTEENTRY *palette) {
    for (int i = 0; i < 256; ++i)
        palette[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i * 7), BYTE(i % 5)};
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
    // Numbers keep their low eight bits whatever their size (10^26 - 1 modulo 256 is 255).
    const char numbers[] = "256 -1 99999999999999999999999999 257";
    ASSERT_EQ(
        palette_load_memory(reinterpret_cast<const BYTE *>(numbers), sizeof numbers - 1, loaded),
        1);
    EXPECT_EQ(colour(loaded[0]), (std::vector<int>{0, 255, 255, 1}));
}

using Palette = DisplayTest;

TEST_F(Palette, SetAllRotateAndEntriesKeepTheDeviceAndTheTableEqual) {
    PALETTEENTRY pattern[256];
    fill_pattern(pattern);
    ASSERT_EQ(palette_set_all(pattern), 1);
    EXPECT_EQ(std::memcmp(palette_table, pattern, sizeof pattern) |
                  std::memcmp(main_palette->entries, pattern, sizeof pattern),
              0);

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
    // Out-of-range requests (also past the int range) touch nothing; rotating one entry changes
    // nothing.
    EXPECT_EQ(palette_set_entry(256, &red) + palette_set_entry(-1, &red) +
                  palette_get_entry(256, &read),
              0);
    for (const auto &[first, count, result] : {std::array{250, 10, 0},
                                               {100, INT_MAX, 0},
                                               {INT_MAX, 1, 0},
                                               {-1, 2, 0},
                                               {0, 257, 0},
                                               {256, 1, 0},
                                               {INT_MIN, INT_MAX, 0},
                                               {5, 0, 0},
                                               {255, 1, 1},
                                               {7, 1, 1}})
        EXPECT_EQ(palette_rotate(first, count), result) << first << ", " << count;
    EXPECT_EQ(std::memcmp(copy, palette_table, sizeof copy) |
                  std::memcmp(main_palette->entries, palette_table, sizeof palette_table),
              0);
    // The device palette's table holds 256 entries: requests past it are refused untouched.
    PALETTEENTRY out[257];
    for (auto [first, count, result] : {std::tuple{0u, 256u, DD_OK},
                                        {256u, 0u, DD_OK},
                                        {255u, 2u, DDERR_INVALIDPARAMS},
                                        {257u, 0u, DDERR_INVALIDPARAMS},
                                        {1u, 0xFFFFFFFFu, DDERR_INVALIDPARAMS}}) {
        EXPECT_EQ(main_palette->GetEntries(0, first, count, out), result) << first << "+" << count;
        EXPECT_EQ(main_palette->SetEntries(0, first, count, copy), result) << first << "+" << count;
    }
    EXPECT_EQ(0, std::memcmp(copy, main_palette->entries, sizeof copy));
    IDirectDrawPalette *fresh = nullptr; // made without DDPCAPS_INITIALIZE: black, entries or not
    ASSERT_EQ(dd_object->CreatePalette(DDPCAPS_8BIT, copy, &fresh, nullptr), DD_OK);
    EXPECT_TRUE(all_bytes(fresh->entries, sizeof fresh->entries, 0));
    fresh->Release();
}

// 640 x 480 bytes with no slack (the sanitizer sees any access outside), or a wider pitch.
struct Screen {
    int pitch;
    std::vector<BYTE> bytes;
    explicit Screen(int pitch_bytes = 640) : pitch(pitch_bytes), bytes(pitch_bytes * 480, 0) {}
    BYTE *data() { return bytes.data(); }
    BYTE at(int x, int y) const { return bytes[y * pitch + x]; }
    std::set<std::pair<int, int>> set_pixels() const {
        std::set<std::pair<int, int>> out;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < pitch; ++x)
                if (at(x, y) != 0)
                    out.insert({x, y});
        return out;
    }
};

TEST(Spans, SpansAreSwappedAndClipped) {
    Screen wide(648), screen, tall;
    draw_hline(700, -20, 5, 9, wide.data(), wide.pitch);
    auto pixels = wide.set_pixels();
    EXPECT_TRUE(pixels.size() == 640 && pixels.count({0, 5}) && pixels.count({639, 5}));
    draw_vline(7, 7, 3, 4, screen.data(), screen.pitch);
    EXPECT_EQ(screen.set_pixels(), (std::set<std::pair<int, int>>{{3, 7}}));
    draw_vline(600, -30, 639, 4, tall.data(), tall.pitch);
    pixels = tall.set_pixels();
    EXPECT_TRUE(pixels.size() == 480 && pixels.count({639, 0}) && pixels.count({639, 479}));

    Screen untouched; // spans wholly outside (from, to, at) draw nothing
    for (const auto &[from, to, at] : {std::array{700, -20, 480}, {-5, -1, 10}, {640, 900, 10}})
        draw_hline(from, to, at, 9, untouched.data(), untouched.pitch);
    for (const auto &[from, to, at] : {std::array{0, 10, 640}, {0, 10, -1}, {480, 500, 5}})
        draw_vline(from, to, at, 4, untouched.data(), untouched.pitch);
    clip_left = clip_top = 10, clip_right = 600, clip_bottom = 400; // just past a narrower clip
    for (const auto &[row, column] : {std::pair{9, 9}, {401, 601}}) {
        draw_hline(0, 639, row, 9, untouched.data(), untouched.pitch);
        draw_vline(0, 479, column, 4, untouched.data(), untouched.pitch);
    }
    clip_left = clip_top = 0, clip_right = 639, clip_bottom = 479;
    EXPECT_TRUE(untouched.set_pixels().empty());
}

TEST(ClipLine, EndPointsAreClippedOnceEachAndCornersUseTheHalfStep) {
    // x1, y1, x2, y2, the result, and the end points after (unchanged when refused).
    int cases[][9] = {
        {-10, 10, 10, 10, 1, 0, 10, 10, 10},   // one end left of the rectangle
        {3, 4, 600, 470, 1, 3, 4, 600, 470},   // both ends inside
        {-10, 5, 5, -10, 0, -10, 5, 5, -10},   // the ends clip to (0, -4) and (-5, 0), outside
        {-5, -5, -1, -20, 0, -5, -5, -1, -20}, // both above and left: refused before clipping
        // Right of the rectangle: y = 140 + (639 - 700) * (100 - 140) / (600 - 700), truncated.
        {600, 100, 700, 140, 1, 600, 100, 639, 116},
        // Below and right: the bottom-edge crossing (645) misses, so the right edge is taken.
        {600, 470, 700, 490, 1, 600, 470, 639, 478},
        // Across the top edge at x = -1, which the half step makes 0: the corner, not (0, 1).
        {-4, -3, 4, 5, 1, 0, 0, 4, 5},
        {4, 5, -4, -3, 1, 4, 5, 0, 0},
        // Far-off points: differences whose products exceed 64 bits.
        {-2000000000, -2000000000, 2000000000, 2000000000, 1, 0, 0, 479, 479}};
    for (auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << "," << c[1] << " " << c[2] << "," << c[3]);
        EXPECT_EQ(clip_line(&c[0], &c[1], &c[2], &c[3]), c[4]);
        EXPECT_EQ(std::vector<int>(c, c + 4), std::vector<int>(c + 5, c + 9));
    }
}

TEST(DrawLine, BothBranchesSetTheirDocumentedPixelsAndClippedLinesStayInside) {
    using Pixels = std::set<std::pair<int, int>>;
    auto line = [](int x1, int y1, int x2, int y2) {
        Screen screen;
        EXPECT_EQ(draw_line(x1, y1, x2, y2, 1, screen.data(), screen.pitch), 1);
        return screen.set_pixels();
    };
    auto columns = [](int x0, int dx, std::initializer_list<int> rows) {
        Pixels out;
        for (int y : rows) {
            out.insert({x0, y});
            x0 += dx;
        }
        return out;
    };
    // Mostly horizontal: the last pixel a row short of y2, both ways.
    EXPECT_EQ(line(0, 0, 10, 5), columns(0, 1, {0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4}));
    EXPECT_EQ(line(10, 5, 0, 0), columns(10, -1, {5, 5, 5, 4, 4, 3, 3, 2, 2, 1, 1}));
    EXPECT_EQ(line(0, 0, 10, 1), columns(0, 1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Mostly vertical (and equal steps): sideways at once, ending on (x2, y2).
    Pixels steep = columns(1, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    steep.insert({0, 0});
    EXPECT_EQ(line(0, 0, 1, 10), steep);
    EXPECT_EQ(line(0, 0, 3, 3), columns(0, 1, {0, 1, 2, 3}));
    EXPECT_EQ(line(5, 5, 5, 5), (Pixels{{5, 5}}));

    Screen screen;
    EXPECT_EQ(draw_clipped_line(-100, 240, 800, 240, 3, screen.data(), screen.pitch), 1);
    EXPECT_EQ(draw_clipped_line(-100, -5, 800, -5, 3, screen.data(), screen.pitch), 1);
    EXPECT_EQ(screen.set_pixels().size(), 640u);
}

TEST(DrawRectangle, FillsWithRightAndBottomExclusive) {
    IDirectDrawSurface surface;
    surface.width = surface.pitch = 32;
    surface.height = 24;
    surface.pixels.assign(32 * 24, 0);
    EXPECT_EQ(draw_rectangle(10, 10, 20, 15, 0x1C7, &surface), 1);
    for (int p = 0; p < 32 * 24; ++p) {
        const int x = p % 32, y = p / 32;
        ASSERT_EQ(surface.pixels[p], x >= 10 && x < 20 && y >= 10 && y < 15 ? 0xC7 : 0)
            << x << "," << y;
    }
    EXPECT_EQ(draw_rectangle(0, 0, 5, 5, 1, nullptr), 1);
}

TEST(ScanColorRange, ClampsToTheScreenAndFindsInclusiveUnsignedRanges) {
    Screen screen; // no byte past the screen
    screen.bytes[479 * 640 + 639] = 200;
    screen.bytes[450 * 640 + 599] = 29;
    // Corners, the range and the result: (600, 400)-(700, 500) is clamped to columns 600..639.
    for (auto [x1, y1, x2, y2, low, high, found] : {std::array{600, 400, 700, 500, 150, 0x1FF, 1},
                                                    {600, 400, 700, 500, 200, 200, 1},
                                                    {600, 400, 700, 500, 201, 255, 0},
                                                    {700, 500, 600, 400, 150, 255, 0},
                                                    {600, 400, 700, 500, 29, 29, 0},
                                                    {-50, -50, 599, 450, 29, 29, 1}})
        EXPECT_EQ(scan_color_range(x1, y1, x2, y2, low, high, screen.data(), screen.pitch), found)
            << x1 << "," << y1 << " " << low << ".." << high;
}

} // namespace
