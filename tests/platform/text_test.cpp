// Text on a surface: device contexts and their refusals, the palette index nearest to the text
// colour, the background left alone, clipping at the surface's edges and the size of the font.
#include "platform/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/testing.h"

namespace {

constexpr COLORREF red = RGB(250, 10, 10), white = RGB(255, 255, 255);

// A surface of exactly width x height bytes (pitch = width) filled with a background index, drawn
// through a grey ramp with a red entry (3) and a white one (9).
struct TextSurface : ::testing::Test {
    IDirectDrawPalette palette;
    IDirectDrawSurface surface;
    static constexpr BYTE background = 77;

    void SetUp() override {
        for (int i = 0; i < 256; ++i)
            palette.entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), 0, PC_NOCOLLAPSE};
        palette.entries[3] = {250, 10, 10, PC_NOCOLLAPSE};
        palette.entries[9] = {255, 255, 255, PC_NOCOLLAPSE};
        clear();
        surface.palette = &palette;
    }
    void TearDown() override { testing_clear_faults(); }

    void clear(int width = 200, int height = 40) {
        surface.width = surface.pitch = width;
        surface.height = height;
        surface.pixels.assign(static_cast<std::size_t>(width) * height, background);
    }

    // Draws the first `length` bytes (all when -1) with a fresh context; returns TextOutA's result.
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

    int count(BYTE value) const { return static_cast<int>(std::ranges::count(surface.pixels, value)); }

    // The first and last rows and columns that hold the index.
    struct Box {
        int top, bottom, left, right;
    };
    Box ink_box(BYTE ink) const {
        Box box{surface.height, -1, surface.width, -1};
        for (int y = 0; y < surface.height; ++y)
            for (int x = 0; x < surface.width; ++x)
                if (surface.pixels[y * surface.pitch + x] == ink)
                    box = {std::min(box.top, y), y, std::min(box.left, x), std::max(box.right, x)};
        return box;
    }
};

TEST_F(TextSurface, InkIsTheNearestIndexOnTheBackgroundOrOnWhitePaper) {
    ASSERT_EQ(text_out("Lap 3", 10, 5, RGB(240, 20, 5)), TRUE);
    const int ink = count(3);
    EXPECT_GT(ink, 30);
    EXPECT_EQ(ink + count(background), 200 * 40); // solid: ink or the untouched background
    const Box box = ink_box(3);
    EXPECT_GE(box.left, 10);
    EXPECT_GE(box.top, 5);
    // White goes to the exact white entry, not to the near-white grey ramp.
    clear();
    ASSERT_EQ(text_out("Lap 3", 10, 5, white), TRUE);
    EXPECT_EQ(count(9), ink);
    // Opaque: the text's box is filled with the white entry.
    clear();
    ASSERT_EQ(text_out("Go", 20, 10, red, OPAQUE), TRUE);
    EXPECT_GT(count(3), 0);
    EXPECT_GT(count(9), count(3));
    EXPECT_EQ(count(3) + count(9) + count(background), 200 * 40);
}

TEST_F(TextSurface, FontIsBoldSansAtGameSize) {
    ASSERT_EQ(text_out("PRESS SPACEBAR TO GO!", 0, 0, white), TRUE);
    const Box caps = ink_box(9);
    EXPECT_GE(caps.bottom - caps.top + 1, 9);
    EXPECT_LE(caps.bottom - caps.top + 1, 12);
    // About a third of the 640-pixel screen: the title centres it by starting at x 220.
    EXPECT_GE(caps.right - caps.left + 1, 180);
    EXPECT_LE(caps.right - caps.left + 1, 220);
    clear();
    ASSERT_EQ(text_out("Pellowind - 10 gjy", 0, 0, white), TRUE);
    const Box full = ink_box(9);
    EXPECT_GE(full.bottom - full.top + 1, 13);
    EXPECT_LE(full.bottom - full.top + 1, 16);
}

// Across each edge and corner of a 30 x 12 surface the text shows exactly the part of it that
// lands there, as drawn whole on a large surface; far away nothing is drawn.
TEST_F(TextSurface, TextIsClippedAtEveryEdgeWithoutShifting) {
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
    for (const auto &[x, y] : {std::pair{-1000, 5}, {5, 1000}, {2147483000, 0}, {-2147483000, 0}}) {
        clear(30, 12);
        EXPECT_EQ(text_out("WWW", x, y, red), TRUE) << x << "," << y;
        EXPECT_EQ(count(background), 30 * 12);
    }
}

TEST_F(TextSurface, RecentlyEvictedStringsDrawTheSameAgain) {
    ASSERT_EQ(text_out("Pellowind - 3", 0, 0, red), TRUE);
    const std::vector<BYTE> first = surface.pixels;
    // More distinct strings than the cache holds, then the first one again.
    for (int i = 0; i < 40; ++i) {
        clear();
        ASSERT_EQ(text_out(("Pellowind - " + std::to_string(i + 10)).c_str(), 0, 0, red), TRUE);
    }
    clear();
    ASSERT_EQ(text_out("Pellowind - 3", 0, 0, red), TRUE);
    EXPECT_EQ(surface.pixels, first);
    // Only the first `length` bytes count.
    clear();
    EXPECT_EQ(text_out("Pellowind - 3 and more", 0, 0, red, TRANSPARENT, 13), TRUE);
    EXPECT_EQ(surface.pixels, first);
}

TEST_F(TextSurface, ContextsAreRefusedWhereTheSurfaceCannotGiveOne) {
    HDC dc = nullptr, second = nullptr;
    testing_fail("GetDC");
    EXPECT_NE(surface.GetDC(&dc), DD_OK);
    EXPECT_EQ(dc, nullptr);
    surface.locked = true;
    EXPECT_NE(surface.GetDC(&dc), DD_OK);
    surface.locked = false;

    ASSERT_EQ(surface.GetDC(&dc), DD_OK);
    EXPECT_NE(surface.GetDC(&second), DD_OK); // one context per surface at a time
    EXPECT_EQ(surface.ReleaseDC(dc), DD_OK);
    EXPECT_NE(surface.ReleaseDC(dc), DD_OK);
    // A released context no longer draws.
    EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), 0);
    EXPECT_EQ(TextOutA(dc, 0, 0, "x", 1), FALSE);
    EXPECT_EQ(count(background), 200 * 40);

    // A back buffer draws through its primary surface's palette; without any palette, no context.
    IDirectDrawSurface primary;
    primary.palette = &palette;
    surface.palette = nullptr;
    EXPECT_NE(surface.GetDC(&dc), DD_OK);
    surface.owner = &primary;
    ASSERT_EQ(surface.GetDC(&dc), DD_OK);
    EXPECT_EQ(surface.ReleaseDC(dc), DD_OK);
}

} // namespace
