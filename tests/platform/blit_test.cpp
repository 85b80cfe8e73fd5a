// The keyed, stretched copy blit: key pixels skipped, every destination pixel mapped to its
// source pixel, and the copy clipped by the destination's clipper and the surface itself without
// shifting the picture.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/display.h"

namespace {

constexpr BYTE background = 0xEE;
constexpr DWORD keyed = DDBLT_WAIT | DDBLT_KEYSRC;

class BlitTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK); }
    void TearDown() override {
        for (IDirectDrawSurface *surface : surfaces)
            surface->Release();
        dd->Release();
    }

    // A surface filled with the background; with `clip`, a clipper of that one rectangle.
    IDirectDrawSurface *surface(int width, int height, const RECT *clip = nullptr) {
        DDSURFACEDESC desc{};
        desc.dwSize = DDSURFACEDESC_SIZE;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = static_cast<DWORD>(width);
        desc.dwHeight = static_cast<DWORD>(height);
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        IDirectDrawSurface *made = nullptr;
        EXPECT_EQ(dd->CreateSurface(&desc, &made, nullptr), DD_OK);
        surfaces.push_back(made);
        std::memset(made->pixels.data(), background, made->pixels.size());
        if (clip != nullptr) {
            IDirectDrawClipper *clipper = nullptr;
            EXPECT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
            struct {
                RGNDATAHEADER header;
                RECT rect;
            } region{{RGNDATAHEADER_SIZE, RDH_RECTANGLES, 1, sizeof(RECT), RECT{}}, *clip};
            EXPECT_EQ(clipper->SetClipList(reinterpret_cast<const RGNDATA *>(&region), 0), DD_OK);
            EXPECT_EQ(made->SetClipper(clipper), DD_OK);
            clipper->Release(); // the surface holds it
        }
        return made;
    }

    // A source whose pixel (x, y) is 1 + x + 16 y, so that every pixel tells where it came from;
    // the key (0 to 0) never matches it.
    IDirectDrawSurface *source(int width, int height) {
        IDirectDrawSurface *made = surface(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                made->pixels[y * made->pitch + x] = static_cast<BYTE>(1 + x + 16 * y);
        const DDCOLORKEY key{0, 0};
        made->SetColorKey(DDCKEY_SRCBLT, &key);
        return made;
    }

    static BYTE at(const IDirectDrawSurface *surface, int x, int y) {
        return surface->pixels[static_cast<std::size_t>(y) * surface->pitch + x];
    }

    IDirectDraw *dd = nullptr;
    std::vector<IDirectDrawSurface *> surfaces;
};

TEST_F(BlitTest, KeyedCopySkipsKeyPixelsOnly) {
    IDirectDrawSurface *from = source(4, 2);
    from->pixels[1] = 0;               // (1, 0)
    from->pixels[from->pitch + 2] = 0; // (2, 1)
    IDirectDrawSurface *dest = surface(8, 4);
    const RECT to{2, 1, 6, 3};
    ASSERT_EQ(dest->Blt(&to, from, nullptr, keyed, nullptr), DD_OK);
    EXPECT_EQ(at(dest, 3, 1), background);
    EXPECT_EQ(at(dest, 4, 2), background);
    EXPECT_EQ(at(dest, 2, 1), 1);
    EXPECT_EQ(at(dest, 5, 2), 1 + 3 + 16);
    // Without the key flag the zeros are copied like any other value.
    ASSERT_EQ(dest->Blt(&to, from, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(at(dest, 3, 1), 0);
    EXPECT_EQ(at(dest, 4, 2), 0);
}

// Every destination pixel against what the copy must leave there: the mapped source pixel inside
// the target, the clip and the surface, the background elsewhere (all of it, for a copy wholly
// outside the clip; right and bottom edges are exclusive).
TEST_F(BlitTest, EachDestinationPixelTakesItsSourcePixelInsideTheClipOnly) {
    const RECT none{0, 0, 0, 0}; // no clipper
    const RECT clip{2, 3, 14, 12};
    struct Case {
        const char *name;
        int sw, sh, dw, dh;
        RECT clip, to, from;
    };
    const Case cases[] = {
        // Enlarged from a rectangle away from the origin; shrunk, skipping rows and columns.
        {"grown", 10, 9, 24, 20, none, {3, 2, 20, 17}, {1, 2, 6, 6}},
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
        // A clip larger than a surface whose pitch is its width: a row written past the right
        // edge would land at the start of the next row.
        {"clip past the surface", 8, 8, 16, 8, {0, 0, 640, 480}, {12, 4, 20, 12}, {0, 0, 8, 8}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        IDirectDrawSurface *from = source(c.sw, c.sh);
        const bool clipped = c.clip.right > 0;
        IDirectDrawSurface *dest = surface(c.dw, c.dh, clipped ? &c.clip : nullptr);
        ASSERT_EQ(dest->pitch, c.dw);
        ASSERT_EQ(dest->Blt(&c.to, from, &c.from, keyed, nullptr), DD_OK);
        const RECT seen = clipped ? c.clip : RECT{0, 0, c.dw, c.dh};
        const int tw = c.to.right - c.to.left, th = c.to.bottom - c.to.top;
        const int fw = c.from.right - c.from.left, fh = c.from.bottom - c.from.top;
        for (int y = 0; y < c.dh; ++y)
            for (int x = 0; x < c.dw; ++x) {
                const bool drawn = x >= c.to.left && x < c.to.right && y >= c.to.top &&
                                   y < c.to.bottom && x >= seen.left && x < seen.right &&
                                   y >= seen.top && y < seen.bottom;
                const BYTE want = drawn ? at(from, c.from.left + (x - c.to.left) * fw / tw,
                                             c.from.top + (y - c.to.top) * fh / th)
                                        : background;
                ASSERT_EQ(at(dest, x, y), want) << "at (" << x << ", " << y << ")";
            }
    }
}

TEST_F(BlitTest, RectanglesOffTheirSurfacesAreRefusedWithoutAClipper) {
    IDirectDrawSurface *from = source(4, 4);
    IDirectDrawSurface *dest = surface(8, 8);
    const std::vector<BYTE> before = dest->pixels;
    const RECT hanging_off{6, 0, 10, 4}, inside{0, 0, 4, 4}, past_source{2, 2, 6, 6},
        inverted{3, 0, 1, 4};
    EXPECT_NE(dest->Blt(&hanging_off, from, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_NE(dest->Blt(&inside, from, &past_source, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_NE(dest->Blt(&inside, from, &inverted, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(dest->pixels, before);
}

} // namespace
