// The display's platform side: the keyed, stretched copy blit and its clipping, text on 8-bit
// surfaces, and what SDL shows of the primary surface after a flip.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "engine/display/display.h"
#include "engine/display/palette.h"
#include "platform/internal.h"
#include "platform/presentation.h"
#include "platform/testing.h"
#include "platform/text.h"
#include "tests/support/headless.h"

namespace {

constexpr COLORREF red = RGB(250, 10, 10), white = RGB(255, 255, 255);

constexpr BYTE background = 0xEE;

// A surface whose pitch is its width (a row written past the right edge lands in the next row).
void shape(IDirectDrawSurface &surface, int width, int height) {
    surface.width = surface.pitch = width;
    surface.height = height;
    surface.pixels.assign(static_cast<std::size_t>(width) * height, background);
}

// A source whose pixel (x, y) is 1 + x + 16 y, so that every pixel tells where it came from; its
// key is 5 to 6, pixels (4, 0) and (5, 0), between 4 and 7 that are copied.
void shape_source(IDirectDrawSurface &source, int width, int height) {
    shape(source, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            source.pixels[y * width + x] = static_cast<BYTE>(1 + x + 16 * y);
    const DDCOLORKEY key{5, 6};
    ASSERT_EQ(source.SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
}

// Each destination pixel holds its mapped source pixel inside the target, clip and surface, unless
// it is a key pixel of a keyed copy; the background elsewhere.
TEST(Blit, EachDestinationPixelTakesItsSourcePixelInsideTheClipOnly) {
    const RECT none{0, 0, 0, 0}, clip{2, 3, 14, 12}; // none: no clipper
    const DWORD keyed = DDBLT_WAIT | DDBLT_KEYSRC;
    struct Case {
        const char *name;
        int sw, sh, dw, dh;
        RECT clip, to, from;
        DWORD flags = keyed;
    };
    const Case cases[] = {
        {"not keyed", 8, 2, 10, 4, none, {2, 1, 10, 3}, {0, 0, 8, 2}, DDBLT_WAIT},
        {"grown", 10, 9, 24, 20, none, {3, 2, 20, 17}, {1, 0, 6, 6}},
        {"grown from inside", 10, 9, 24, 20, none, {3, 2, 20, 17}, {1, 2, 6, 6}},
        {"shrunk", 10, 9, 24, 20, none, {5, 4, 9, 7}, {0, 0, 10, 9}},
        {"left", 6, 6, 16, 14, clip, {-1, 5, 5, 11}, {0, 0, 6, 6}},
        {"top", 6, 6, 16, 14, clip, {4, 0, 10, 6}, {0, 0, 6, 6}},
        {"right", 6, 6, 16, 14, clip, {11, 4, 17, 10}, {0, 0, 6, 6}},
        {"bottom", 6, 6, 16, 14, clip, {5, 9, 11, 15}, {0, 0, 6, 6}},
        {"stretched over all", 6, 6, 16, 14, clip, {0, 1, 16, 14}, {0, 0, 6, 6}},
        {"shrunk right bottom", 6, 6, 16, 14, clip, {12, 10, 16, 14}, {0, 0, 6, 6}},
        {"far away", 4, 4, 16, 14, clip, {200, 200, 204, 204}, {0, 0, 4, 4}},
        {"clip past the surface", 8, 8, 16, 8, {0, 0, 640, 480}, {12, 4, 20, 12}, {0, 0, 8, 8}},
    };
    auto in = [](const RECT &r, int x, int y) {
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        IDirectDrawSurface from, dest;
        IDirectDrawClipper clipper;
        clipper.rects = {c.clip};
        shape_source(from, c.sw, c.sh);
        shape(dest, c.dw, c.dh);
        const bool clipped = c.clip.right > 0;
        dest.clipper = clipped ? &clipper : nullptr;
        ASSERT_EQ(dest.Blt(&c.to, &from, &c.from, c.flags, nullptr), DD_OK);
        dest.clipper = nullptr;
        const RECT seen = clipped ? c.clip : RECT{0, 0, c.dw, c.dh};
        const int tw = c.to.right - c.to.left, th = c.to.bottom - c.to.top;
        const int fw = c.from.right - c.from.left, fh = c.from.bottom - c.from.top;
        for (int y = 0; y < c.dh; ++y)
            for (int x = 0; x < c.dw; ++x) {
                const bool inside = in(c.to, x, y) && in(seen, x, y);
                const int sx = c.from.left + (x - c.to.left) * fw / tw;
                const int sy = c.from.top + (y - c.to.top) * fh / th;
                const BYTE value = inside ? from.pixels[sy * c.sw + sx] : background;
                const bool key = inside && c.flags == keyed && (value == 5 || value == 6);
                ASSERT_EQ(dest.pixels[y * c.dw + x], key ? background : value)
                    << "at (" << x << ", " << y << ")";
            }
    }
}

TEST(Blit, RectanglesOffTheirSurfacesAreRefusedWithoutAClipper) {
    IDirectDrawSurface from, dest;
    shape_source(from, 4, 4);
    shape(dest, 8, 8);
    const RECT hanging_off{6, 0, 10, 4}, inside{0, 0, 4, 4}, past_source{2, 2, 6, 6},
        inverted{3, 0, 1, 4};
    EXPECT_NE(dest.Blt(&hanging_off, &from, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_NE(dest.Blt(&inside, &from, &past_source, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_NE(dest.Blt(&inside, &from, &inverted, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(dest.pixels, std::vector<BYTE>(64, background));
    ASSERT_EQ(dest.Blt(&inside, &from, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(dest.pixels[3 * 8 + 3], 1 + 3 + 3 * 16);
}

// Text on a surface of exactly width x height bytes, through a grey ramp, red (3) and white (9).
struct TextSurface : ::testing::Test {
    IDirectDrawPalette palette;
    IDirectDrawSurface surface;

    void SetUp() override {
        for (int i = 0; i < 256; ++i)
            palette.entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), 0, PC_NOCOLLAPSE};
        palette.entries[3] = {250, 10, 10, PC_NOCOLLAPSE};
        palette.entries[9] = {255, 255, 255, PC_NOCOLLAPSE};
        clear();
        surface.palette = &palette;
    }
    void clear(int width = 200, int height = 40) { shape(surface, width, height); }

    // Draws the first `length` bytes (all when -1) with a fresh context.
    BOOL text_out(const char *text, int x, int y, COLORREF color, int mode = TRANSPARENT,
                  int length = -1) {
        HDC dc = nullptr;
        EXPECT_EQ(surface.GetDC(&dc), DD_OK);
        if (dc == nullptr)
            return FALSE;
        SetTextColor(dc, color);
        SetBkMode(dc, mode);
        const BOOL result =
            TextOutA(dc, x, y, text, length < 0 ? static_cast<int>(std::strlen(text)) : length);
        EXPECT_EQ(surface.ReleaseDC(dc), DD_OK);
        return result;
    }

    int count(BYTE value) const {
        return static_cast<int>(std::ranges::count(surface.pixels, value));
    }

    std::array<int, 4> ink_box(BYTE ink) const {
        int left = surface.width, top = surface.height, right = -1, bottom = -1;
        for (int y = 0; y < surface.height; ++y)
            for (int x = 0; x < surface.width; ++x)
                if (surface.pixels[y * surface.pitch + x] == ink) {
                    left = std::min(left, x), top = std::min(top, y);
                    right = std::max(right, x), bottom = y;
                }
        return {left, top, right - left + 1, bottom - top + 1};
    }
};

// White is the white entry, not the grey ramp's; only `length` bytes count; opaque text fills its
// box with white; the font is at the game's size. (Other colours: the display layer's tests.)
TEST_F(TextSurface, InkPaperLengthAndTheFontsSize) {
    ASSERT_EQ(text_out("Lap 3 and more", 10, 5, white), TRUE);
    const int longer = count(9);
    clear();
    ASSERT_EQ(text_out("Lap 3", 10, 5, white), TRUE);
    const std::vector<BYTE> lap = surface.pixels;
    EXPECT_GT(count(9), 30);
    EXPECT_LT(count(9), longer); // not the picture of a longer string, cached, that starts alike
    clear();
    ASSERT_EQ(text_out("Lap 3 and more", 10, 5, white, TRANSPARENT, 5), TRUE);
    EXPECT_EQ(surface.pixels, lap);
    clear();
    ASSERT_EQ(text_out("Go", 20, 10, red, OPAQUE), TRUE);
    EXPECT_GT(count(3), 0);
    EXPECT_GT(count(9), count(3));
    EXPECT_EQ(count(3) + count(9) + count(background), 200 * 40);

    // Capitals 9 to 12 pixels, descenders to tops 13 to 16; the title's line centred from x 220.
    clear();
    ASSERT_EQ(text_out("PRESS SPACEBAR TO GO!", 0, 0, white), TRUE);
    EXPECT_NEAR(ink_box(9)[3], 10.5, 1.5);
    EXPECT_NEAR(ink_box(9)[2], 200, 20);
    clear();
    ASSERT_EQ(text_out("Pellowind - 10 gjy", 0, 0, white), TRUE);
    EXPECT_NEAR(ink_box(9)[3], 14.5, 1.5);
}

// Across each edge of a small surface text shows exactly its part drawn whole on a large one.
TEST_F(TextSurface, TextIsClippedAtEveryEdgeAndContextsAreRefusedWhenTheyCannotBeGiven) {
    clear(300, 300);
    ASSERT_EQ(text_out("WWW", 100, 100, red), TRUE);
    const std::vector<BYTE> whole = surface.pixels;
    const int corners[][2] = {{-8, -6}, {20, -6}, {-8, 6}, {20, 6}, {-30, 0}, {5, -10}};
    for (const auto &[x, y] : corners) {
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        clear(30, 12);
        ASSERT_EQ(text_out("WWW", x, y, red), TRUE);
        for (int row = 0; row < 12; ++row)
            for (int column = 0; column < 30; ++column)
                ASSERT_EQ(surface.pixels[row * 30 + column],
                          whole[(row - y + 100) * 300 + column - x + 100])
                    << column << "," << row;
        EXPECT_GT(count(3), 0);
    }
    clear(30, 12); // far away, nothing is drawn
    for (const auto &[x, y] : {std::pair{-1000, 5}, {5, 1000}, {2147483000, 0}, {-2147483000, 0}})
        EXPECT_EQ(text_out("WWW", x, y, red), TRUE) << x << "," << y;

    // One context at a time; a released context draws nothing; no palette, no context.
    HDC dc = nullptr, second = nullptr;
    ASSERT_EQ(surface.GetDC(&dc), DD_OK);
    EXPECT_NE(surface.GetDC(&second), DD_OK);
    EXPECT_EQ(surface.ReleaseDC(dc), DD_OK);
    EXPECT_NE(surface.ReleaseDC(dc), DD_OK);
    EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
    EXPECT_EQ(TextOutA(dc, 0, 0, "x", 1), FALSE);
    EXPECT_EQ(count(background), 30 * 12);
    surface.palette = nullptr;
    EXPECT_NE(surface.GetDC(&dc), DD_OK);
    IDirectDrawSurface primary; // a back buffer draws through its primary surface's palette
    primary.palette = &palette;
    surface.owner = &primary;
    ASSERT_EQ(surface.GetDC(&dc), DD_OK);
    EXPECT_EQ(surface.ReleaseDC(dc), DD_OK);
}

// What the window shows, in ARGB8888 rows. On the dummy driver both paths end in the window's own
// surface: the software renderer draws there too.
struct Screen {
    int width = 0;
    int height = 0;
    std::vector<Uint32> pixels;

    // The colour at the centre of picture pixel (x, y), letterboxed to 4:3 in the middle.
    Uint32 at(int x, int y) const {
        const double scale = std::min(width / 640.0, height / 480.0);
        const int sx = static_cast<int>((width - 640 * scale) / 2 + (x + 0.5) * scale);
        const int sy = static_cast<int>((height - 480 * scale) / 2 + (y + 0.5) * scale);
        return pixels[static_cast<std::size_t>(sy) * width + sx];
    }
};

Screen screen() {
    Screen shot;
    const SDL_Surface *surface = SDL_GetWindowSurface(platform::sdl_window(main_window));
    if (surface == nullptr) {
        ADD_FAILURE() << "no window surface: " << SDL_GetError();
        return shot;
    }
    shot.width = surface->w;
    shot.height = surface->h;
    shot.pixels.resize(static_cast<std::size_t>(shot.width) * shot.height);
    EXPECT_EQ(SDL_ConvertPixels(shot.width, shot.height, surface->format->format, surface->pixels,
                                surface->pitch, SDL_PIXELFORMAT_ARGB8888, shot.pixels.data(),
                                shot.width * 4),
              0);
    return shot;
}

Uint32 argb(const PALETTEENTRY &c) {
    return 0xFF000000u | (Uint32(c.peRed) << 16) | (Uint32(c.peGreen) << 8) | c.peBlue;
}

} // namespace

// Every pixel reaches the screen through the palette; across flips of the same frame, so does
// any change of a pixel, also in the last row, or of the palette.
TEST(Presentation, TheScreenShowsEveryPixelThroughThePaletteAndEveryChange) {
    ASSERT_NE(open_headless_window("test"), nullptr);
    ASSERT_EQ(display_init(640, 480, 8), 1);
    testing_use_virtual_clock(0, 0);
    PALETTEENTRY palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i * 37), 4};
    palette_set_all(palette);
    // Runs of 4 pixels differing along both axes (a wrong column or row shows), every index.
    auto index_at = [](int x, int y) { return BYTE((x / 4 + 3 * (y / 4)) % 256); };
    display_lock_back();
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            back_buffer[y * back_pitch + x] = index_at(x, y);
    display_unlock_back();
    ASSERT_EQ(display_flip(), 1);
    // Only pixels inside a run: nearest-neighbour rounding at run edges is SDL's.
    const Screen shown = screen();
    for (int y = 1; y < 480; y += (y % 4 == 1 ? 1 : 3))
        for (int x = 1 + y % 2; x < 640; x += 4) {
            ASSERT_EQ(shown.at(x, y), argb(palette[index_at(x, y)])) << "pixel " << x << "," << y;
        }

    auto flip_filled = [](BYTE corner) {
        display_fill_surface(back_surface, 1);
        display_lock_back();
        back_buffer[479 * back_pitch + 639] = corner;
        display_unlock_back();
        ASSERT_EQ(display_flip(), 1);
    };
    flip_filled(1);
    flip_filled(1);
    EXPECT_EQ(screen().at(639, 479), argb(palette[1]));
    flip_filled(2);
    EXPECT_EQ(screen().at(639, 479), argb(palette[2]));
    const PALETTEENTRY blue{10, 10, 200, 4};
    palette_set_entry(2, &blue);
    flip_filled(2);
    EXPECT_EQ(screen().at(639, 479), argb(blue));
    EXPECT_EQ(screen().at(320, 240), argb(palette[1]));
}

// The window surface shows what the renderer shows, pixel for pixel and borders included: at the
// mode's size, at a whole multiple, at sizes wider and taller than 4:3, fitted and in whole
// multiples only; and so it does after a frame of which only some rows changed (the first and the
// last, a band, and more bands than the surface path hands over one by one), which that path draws
// alone.
TEST(Presentation, TheWindowSurfaceShowsExactlyWhatTheRendererShows) {
    ASSERT_NE(open_headless_window("test"), nullptr);
    testing_use_virtual_clock(0, 0);
    presentation_start_fullscreen(false);
    PALETTEENTRY palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = PALETTEENTRY{BYTE(i), BYTE(i * 7), BYTE(255 - i), 0};
    // Neighbours differ along both axes, so that a pixel taken from the wrong column or row shows.
    auto index_at = [](int x, int y) { return BYTE((x * 5 + y * 11 + (x / 7) * (y / 5)) % 256); };
    auto changed = [](int y) { return y == 0 || y == 479 || (y >= 200 && y < 233) || y % 23 == 5; };
    auto flip_frame = [&](bool second) {
        display_lock_back();
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                back_buffer[y * back_pitch + x] =
                    BYTE(index_at(x, y) + (second && changed(y) && x % 3 != 0 ? 101 : 0));
        display_unlock_back();
        ASSERT_EQ(display_flip(), 1);
    };
    const int sizes[][2] = {{640, 480}, {1280, 960}, {1000, 700}, {900, 1000}, {1400, 1000}};
    for (const bool integer : {false, true}) {
        presentation_integer_scaling(integer);
        std::vector<Screen> shots[2];
        for (const PresentationPath path :
             {PresentationPath::renderer, PresentationPath::surface}) {
            presentation_path(path);
            ASSERT_EQ(display_init(640, 480, 8), 1);
            palette_set_all(palette);
            flip_frame(false);
            ASSERT_EQ(SDL_GetRenderer(platform::sdl_window(main_window)) != nullptr,
                      path == PresentationPath::renderer);
            bool second = false;
            for (const auto &[width, height] : sizes) {
                SDL_SetWindowSize(platform::sdl_window(main_window), width, height);
                platform::pump_events(); // the resize shows the frame again
                shots[path == PresentationPath::surface].push_back(screen());
                second = !second;
                flip_frame(second);
                shots[path == PresentationPath::surface].push_back(screen());
            }
            display_shutdown();
        }
        for (std::size_t i = 0; i < shots[0].size(); ++i) {
            const auto &[width, height] = sizes[i / 2];
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) +
                         (integer ? ", whole multiples" : ", fitted") +
                         (i % 2 == 0 ? ", whole frame" : ", changed rows"));
            const Screen &drawn = shots[0][i], &surface = shots[1][i];
            ASSERT_EQ(drawn.width, width);
            ASSERT_EQ(surface.width, width);
            ASSERT_EQ(surface.height, height);
            EXPECT_EQ(drawn.at(320, 240), argb(palette[index_at(320, 240)]));
            for (int y = 0; y < surface.height; ++y)
                for (int x = 0; x < surface.width; ++x)
                    ASSERT_EQ(surface.pixels[static_cast<std::size_t>(y) * surface.width + x],
                              drawn.pixels[static_cast<std::size_t>(y) * surface.width + x])
                        << "at (" << x << ", " << y << ")";
        }
    }
    presentation_integer_scaling(false);
    presentation_path(PresentationPath::automatic);
}
