// The keyed, stretched copy blit: key pixels skipped, every destination pixel mapped to its
// source pixel, and the copy clipped by the destination's clipper and the surface itself without
// shifting the picture.
#include <gtest/gtest.h>

#include <vector>

#include "platform/display.h"

namespace {

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
    source.has_color_key = true;
    source.color_key = {5, 6};
}

// Every destination pixel against what the copy must leave there: the mapped source pixel inside
// the target, the clip and the surface unless it is a key pixel of a keyed copy, the background
// elsewhere (all of it for a copy wholly outside the clip; right and bottom edges are exclusive).
TEST(Blit, EachDestinationPixelTakesItsSourcePixelInsideTheClipOnly) {
    const RECT none{0, 0, 0, 0}; // no clipper
    const RECT clip{2, 3, 14, 12};
    const DWORD keyed = DDBLT_WAIT | DDBLT_KEYSRC;
    struct Case {
        const char *name;
        int sw, sh, dw, dh;
        RECT clip, to, from;
        DWORD flags = keyed;
    };
    const Case cases[] = {
        {"not keyed", 8, 2, 10, 4, none, {2, 1, 10, 3}, {0, 0, 8, 2}, DDBLT_WAIT},
        // Enlarged from a rectangle away from the origin; shrunk, skipping rows and columns.
        {"grown", 10, 9, 24, 20, none, {3, 2, 20, 17}, {1, 0, 6, 6}},
        {"grown from inside", 10, 9, 24, 20, none, {3, 2, 20, 17}, {1, 2, 6, 6}},
        {"shrunk", 10, 9, 24, 20, none, {5, 4, 9, 7}, {0, 0, 10, 9}},
        // The 6 x 6 source 1:1 and stretched, across each edge and corner of the clip.
        {"left", 6, 6, 16, 14, clip, {-1, 5, 5, 11}, {0, 0, 6, 6}},
        {"top", 6, 6, 16, 14, clip, {4, 0, 10, 6}, {0, 0, 6, 6}},
        {"right", 6, 6, 16, 14, clip, {11, 4, 17, 10}, {0, 0, 6, 6}},
        {"bottom", 6, 6, 16, 14, clip, {5, 9, 11, 15}, {0, 0, 6, 6}},
        {"top left", 6, 6, 16, 14, clip, {-2, -1, 4, 5}, {0, 0, 6, 6}},
        {"bottom right", 6, 6, 16, 14, clip, {10, 8, 16, 14}, {0, 0, 6, 6}},
        {"stretched left", 6, 6, 16, 14, clip, {-3, 4, 6, 11}, {0, 0, 6, 6}},
        {"stretched over all", 6, 6, 16, 14, clip, {0, 1, 16, 14}, {0, 0, 6, 6}},
        {"shrunk right bottom", 6, 6, 16, 14, clip, {12, 10, 16, 14}, {0, 0, 6, 6}},
        {"just right of", 4, 4, 16, 14, clip, {14, 3, 18, 7}, {0, 0, 4, 4}},
        {"just below", 4, 4, 16, 14, clip, {2, 12, 6, 16}, {0, 0, 4, 4}},
        {"just left of", 4, 4, 16, 14, clip, {-2, 3, 2, 7}, {0, 0, 4, 4}},
        {"just above", 4, 4, 16, 14, clip, {2, -1, 6, 3}, {0, 0, 4, 4}},
        {"far away", 4, 4, 16, 14, clip, {200, 200, 204, 204}, {0, 0, 4, 4}},
        {"clip past the surface", 8, 8, 16, 8, {0, 0, 640, 480}, {12, 4, 20, 12}, {0, 0, 8, 8}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        IDirectDrawSurface from, dest;
        IDirectDrawClipper clipper;
        shape_source(from, c.sw, c.sh);
        shape(dest, c.dw, c.dh);
        const bool clipped = c.clip.right > 0;
        if (clipped) {
            clipper.rects = {c.clip};
            dest.clipper = &clipper;
        }
        ASSERT_EQ(dest.Blt(&c.to, &from, &c.from, c.flags, nullptr), DD_OK);
        dest.clipper = nullptr;
        const RECT seen = clipped ? c.clip : RECT{0, 0, c.dw, c.dh};
        const int tw = c.to.right - c.to.left, th = c.to.bottom - c.to.top;
        const int fw = c.from.right - c.from.left, fh = c.from.bottom - c.from.top;
        for (int y = 0; y < c.dh; ++y)
            for (int x = 0; x < c.dw; ++x) {
                const bool inside = x >= c.to.left && x < c.to.right && y >= c.to.top &&
                                    y < c.to.bottom && x >= seen.left && x < seen.right &&
                                    y >= seen.top && y < seen.bottom;
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
    // A null source rectangle is the whole source.
    ASSERT_EQ(dest.Blt(&inside, &from, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(dest.pixels[3 * 8 + 3], 1 + 3 + 3 * 16);
}

} // namespace
