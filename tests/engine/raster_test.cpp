// Raster primitives on plain 640 x 480 memory clipped to (0, 0)-(639, 479): spans, line clipping
// and drawing, filled rectangles and the colour scan.

#include <set>

#include "engine_test_support.h"

namespace {

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
        // Across the top edge at x = -4 + 3 * 8 / 8 = -1; the half step makes that 0, inside, so
        // the corner ends at (0, 0) instead of on the left edge at (0, 1).
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
    // One pixel per column from x0 in steps of dx, in the given rows.
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

    // Clipped: only what lies inside the rectangle.
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
        ASSERT_EQ(surface.pixels[p], x >= 10 && x < 20 && y >= 10 && y < 15 ? 0xC7 : 0) << x << "," << y;
    }
    EXPECT_EQ(draw_rectangle(0, 0, 5, 5, 1, nullptr), 1);
}

TEST(ScanColorRange, ClampsToTheScreenAndFindsInclusiveUnsignedRanges) {
    Screen screen; // no byte past the screen
    screen.bytes[479 * 640 + 639] = 200;
    screen.bytes[450 * 640 + 599] = 29;
    // Corners, the range and the result: (600, 400)-(700, 500) is clamped to columns 600..639.
    for (auto [x1, y1, x2, y2, low, high, found] :
         {std::array{600, 400, 700, 500, 150, 0x1FF, 1}, {600, 400, 700, 500, 200, 200, 1},
          {600, 400, 700, 500, 201, 255, 0}, {700, 500, 600, 400, 150, 255, 0},
          {600, 400, 700, 500, 29, 29, 0}, {-50, -50, 599, 450, 29, 29, 1}})
        EXPECT_EQ(scan_color_range(x1, y1, x2, y2, low, high, screen.data(), screen.pitch), found)
            << x1 << "," << y1 << " " << low << ".." << high;
}

} // namespace
