// Text on a surface: device contexts and their refusals, the palette index nearest to the text
// colour, the background left alone, clipping at the surface's edges and the size of the font.
#include "platform/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/testing.h"

namespace {

// A surface of exactly width x height bytes (pitch = width), so that a write past an edge is
// caught by the address sanitizer, filled with a background index.
struct TextSurface : ::testing::Test {
    IDirectDrawPalette palette;
    IDirectDrawSurface surface;
    static constexpr BYTE background = 77;

    void SetUp() override {
        for (int i = 0; i < 256; ++i)
            palette.entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), 0, PC_NOCOLLAPSE};
        palette.entries[3] = {250, 10, 10, PC_NOCOLLAPSE};   // red
        palette.entries[9] = {255, 255, 255, PC_NOCOLLAPSE}; // white
        make_surface(200, 40);
        surface.palette = &palette;
    }
    void TearDown() override { testing_clear_faults(); }

    void make_surface(int width, int height) {
        surface.width = width;
        surface.height = height;
        surface.pitch = width;
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

    int count(BYTE value) const {
        int n = 0;
        for (BYTE b : surface.pixels)
            n += b == value;
        return n;
    }

    // The first and last rows and columns that hold ink of the given index.
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

TEST_F(TextSurface, InkIsTheNearestIndexAndTheBackgroundStays) {
    ASSERT_EQ(text_out("Lap 3", 10, 5, RGB(240, 20, 5)), TRUE);
    const int ink = count(3);
    EXPECT_GT(ink, 30);
    // Solid rendering: every pixel is either ink or the untouched background.
    EXPECT_EQ(ink + count(background), 200 * 40);
    const Box box = ink_box(3);
    EXPECT_GE(box.left, 10);
    EXPECT_GE(box.top, 5);

    // White goes to the exact white entry, not to the near-white grey ramp.
    make_surface(200, 40);
    ASSERT_EQ(text_out("Lap 3", 10, 5, RGB(255, 255, 255)), TRUE);
    EXPECT_EQ(count(9), ink);
}

TEST_F(TextSurface, OpaqueModeFillsTheTextBoxWithWhite) {
    ASSERT_EQ(text_out("Go", 20, 10, RGB(250, 10, 10), OPAQUE), TRUE);
    const int ink = count(3);
    const int paper = count(9);
    EXPECT_GT(ink, 0);
    EXPECT_GT(paper, ink);
    EXPECT_EQ(ink + paper + count(background), 200 * 40);
}

TEST_F(TextSurface, FontIsBoldSansAtGameSize) {
    ASSERT_EQ(text_out("PRESS SPACEBAR TO GO!", 0, 0, RGB(255, 255, 255)), TRUE);
    const Box caps = ink_box(9);
    const int cap_height = caps.bottom - caps.top + 1;
    EXPECT_GE(cap_height, 9);
    EXPECT_LE(cap_height, 12);
    // About a third of the 640-pixel screen: the title centres it by starting at x 220.
    EXPECT_GE(caps.right - caps.left + 1, 180);
    EXPECT_LE(caps.right - caps.left + 1, 220);

    make_surface(200, 40);
    ASSERT_EQ(text_out("Pellowind - 10 gjy", 0, 0, RGB(255, 255, 255)), TRUE);
    const Box full = ink_box(9);
    const int full_height = full.bottom - full.top + 1;
    EXPECT_GE(full_height, 13);
    EXPECT_LE(full_height, 16);
}

TEST_F(TextSurface, TextIsClippedAtEveryEdge) {
    make_surface(30, 12);
    const std::pair<int, int> corners[] = {{-8, -6},        {20, -6},        {-8, 6},
                                           {20, 6},         {-1000, 5},      {5, 1000},
                                           {2147483000, 0}, {-2147483000, 0}};
    for (auto [x, y] : corners)
        EXPECT_EQ(text_out("WWW", x, y, RGB(250, 10, 10)), TRUE) << x << "," << y;
    EXPECT_GT(count(3), 0);
}

TEST_F(TextSurface, RecentlyEvictedStringsDrawTheSameAgain) {
    ASSERT_EQ(text_out("Pellowind - 3", 0, 0, RGB(250, 10, 10)), TRUE);
    const std::vector<BYTE> first = surface.pixels;
    // More distinct strings than the cache holds, then the first one again.
    for (int i = 0; i < 40; ++i) {
        make_surface(200, 40);
        const std::string text = "Pellowind - " + std::to_string(i + 10);
        ASSERT_EQ(text_out(text.c_str(), 0, 0, RGB(250, 10, 10)), TRUE);
    }
    make_surface(200, 40);
    ASSERT_EQ(text_out("Pellowind - 3", 0, 0, RGB(250, 10, 10)), TRUE);
    EXPECT_EQ(surface.pixels, first);
    // Only the first `length` bytes count.
    make_surface(200, 40);
    EXPECT_EQ(text_out("Pellowind - 3 and more", 0, 0, RGB(250, 10, 10), TRANSPARENT, 13), TRUE);
    EXPECT_EQ(surface.pixels, first);
}

TEST_F(TextSurface, ContextsAreRefusedWhereTheSurfaceCannotGiveOne) {
    HDC dc = nullptr;
    testing_fail("GetDC");
    EXPECT_NE(surface.GetDC(&dc), DD_OK);
    EXPECT_EQ(dc, nullptr);

    surface.locked = true;
    EXPECT_NE(surface.GetDC(&dc), DD_OK);
    surface.locked = false;

    ASSERT_EQ(surface.GetDC(&dc), DD_OK);
    HDC second = nullptr;
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
