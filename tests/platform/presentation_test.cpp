// What reaches the screen: the primary surface's pixels through the palette, scaled onto the
// window. Read back from SDL's renderer after a flip.
#include <gtest/gtest.h>

#include <SDL.h>

#include <vector>

#include "engine/display/display.h"
#include "engine/display/palette.h"
#include "platform/events.h"
#include "platform/testing.h"
#include "tests/support/headless.h"

TEST(Presentation, TheScreenShowsEveryPixelThroughThePalette) {
    ASSERT_NE(open_test_window(), nullptr);
    ASSERT_EQ(display_init(640, 480, 8), 1);
    PALETTEENTRY palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i * 37), 4};
    palette_set_all(palette);
    // Runs of 4 pixels, different along both axes, so that a pixel read from the wrong column
    // or row (within an 8-pixel read, or a row off by the pitch) shows another colour.
    auto index_at = [](int x, int y) { return BYTE((x / 4 + 3 * (y / 4)) % 256); };
    display_lock_back();
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            back_buffer[y * back_pitch + x] = index_at(x, y);
    display_unlock_back();
    ASSERT_EQ(display_flip(), 1);

    SDL_Renderer *renderer = SDL_GetRenderer(platform::sdl_window(main_window));
    ASSERT_NE(renderer, nullptr);
    int width = 0, height = 0;
    ASSERT_EQ(SDL_GetRendererOutputSize(renderer, &width, &height), 0);
    std::vector<Uint32> shown(static_cast<std::size_t>(width) * height);
    ASSERT_EQ(
        SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, shown.data(), width * 4),
        0);
    // The picture is letterboxed to 4:3 in the middle of the output.
    const double scale = std::min(width / 640.0, height / 480.0);
    const double left = (width - 640 * scale) / 2, top = (height - 480 * scale) / 2;
    int compared = 0;
    for (int oy = 0; oy < height; oy += 7) {
        for (int ox = 0; ox < width; ox += 5) {
            const double lx = (ox + 0.5 - left) / scale, ly = (oy + 0.5 - top) / scale;
            const int x = static_cast<int>(lx), y = static_cast<int>(ly);
            // Only pixels well inside a run: nearest-neighbour rounding at run edges is SDL's.
            if (lx < 0 || ly < 0 || x >= 640 || y >= 480 || x % 4 == 0 || x % 4 == 3 ||
                y % 4 == 0 || y % 4 == 3)
                continue;
            const PALETTEENTRY &c = palette[index_at(x, y)];
            const Uint32 expected =
                0xFF000000u | (Uint32(c.peRed) << 16) | (Uint32(c.peGreen) << 8) | c.peBlue;
            ASSERT_EQ(shown[static_cast<std::size_t>(oy) * width + ox], expected)
                << "screen " << ox << "," << oy << " shows pixel " << x << "," << y;
            ++compared;
        }
    }
    EXPECT_GT(compared, 1000);
    display_shutdown();
}

// The colour on the screen at picture pixel (x, y).
Uint32 on_screen(int x, int y) {
    SDL_Renderer *renderer = SDL_GetRenderer(platform::sdl_window(main_window));
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(renderer, &width, &height);
    const double scale = std::min(width / 640.0, height / 480.0);
    SDL_Rect at{static_cast<int>((width - 640 * scale) / 2 + (x + 0.5) * scale),
                static_cast<int>((height - 480 * scale) / 2 + (y + 0.5) * scale), 1, 1};
    Uint32 colour = 0;
    SDL_RenderReadPixels(renderer, &at, SDL_PIXELFORMAT_ARGB8888, &colour, 4);
    return colour;
}

// A flip of the frame the screen already shows is not handed over again; any change of a pixel,
// also in the last row, or of the palette is.
TEST(Presentation, EveryChangeReachesTheScreenAcrossFlipsOfTheSameFrame) {
    ASSERT_NE(open_test_window(), nullptr);
    ASSERT_EQ(display_init(640, 480, 8), 1);
    testing_use_virtual_clock(0, 0);
    PALETTEENTRY palette[256] = {};
    palette[1] = {200, 10, 10, 4};
    palette[2] = {10, 200, 10, 4};
    palette_set_all(palette);
    auto flip_filled = [](BYTE corner) {
        display_fill_surface(back_surface, 1);
        display_lock_back();
        back_buffer[479 * back_pitch + 639] = corner;
        display_unlock_back();
        ASSERT_EQ(display_flip(), 1);
    };
    flip_filled(1);
    flip_filled(1);
    EXPECT_EQ(on_screen(639, 479), 0xFFC80A0Au);
    flip_filled(2);
    EXPECT_EQ(on_screen(639, 479), 0xFF0AC80Au);
    const PALETTEENTRY blue{10, 10, 200, 4};
    palette_set_entry(2, &blue);
    flip_filled(2);
    EXPECT_EQ(on_screen(639, 479), 0xFF0A0AC8u);
    EXPECT_EQ(on_screen(320, 240), 0xFFC80A0Au);
    testing_use_real_clock();
    display_shutdown();
}
