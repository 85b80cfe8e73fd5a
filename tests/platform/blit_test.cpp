// The keyed, stretched copy blit: key pixels skipped, every destination pixel mapped to its
// source pixel, and the copy clipped by the destination's clipper and the surface itself without
// shifting the picture.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/display.h"

namespace {

constexpr BYTE background = 0xEE;

class BlitTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK); }

    void TearDown() override {
        for (IDirectDrawSurface *surface : surfaces)
            surface->Release();
        for (IDirectDrawClipper *clipper : clippers)
            clipper->Release();
        dd->Release();
    }

    IDirectDrawSurface *make_surface(int width, int height, BYTE fill) {
        DDSURFACEDESC desc{};
        desc.dwSize = DDSURFACEDESC_SIZE;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = static_cast<DWORD>(width);
        desc.dwHeight = static_cast<DWORD>(height);
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        IDirectDrawSurface *surface = nullptr;
        EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
        surfaces.push_back(surface);
        std::memset(surface->pixels.data(), fill, surface->pixels.size());
        return surface;
    }

    // A source whose pixel (x, y) is 1 + x + 16 y, so that every pixel tells where it came from;
    // the key (0 to 0) never matches it.
    IDirectDrawSurface *make_source(int width, int height) {
        IDirectDrawSurface *source = make_surface(width, height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                source->pixels[y * source->pitch + x] = static_cast<BYTE>(1 + x + 16 * y);
        const DDCOLORKEY key{0, 0};
        source->SetColorKey(DDCKEY_SRCBLT, &key);
        return source;
    }

    void clip_to(IDirectDrawSurface *surface, const std::vector<RECT> &rects) {
        IDirectDrawClipper *clipper = nullptr;
        ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
        clippers.push_back(clipper);
        std::vector<char> region(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
        RGNDATAHEADER header{RGNDATAHEADER_SIZE, RDH_RECTANGLES, static_cast<DWORD>(rects.size()),
                             static_cast<DWORD>(rects.size() * sizeof(RECT)), RECT{0, 0, 0, 0}};
        std::memcpy(region.data(), &header, sizeof header);
        std::memcpy(region.data() + sizeof header, rects.data(), rects.size() * sizeof(RECT));
        ASSERT_EQ(clipper->SetClipList(reinterpret_cast<const RGNDATA *>(region.data()), 0), DD_OK);
        ASSERT_EQ(surface->SetClipper(clipper), DD_OK);
    }

    static BYTE at(const IDirectDrawSurface *surface, int x, int y) {
        return surface->pixels[static_cast<std::size_t>(y) * surface->pitch + x];
    }

    // Compares every destination pixel with what the copy of `from` onto `to`, limited to
    // `visible`, must leave there: the mapped source pixel inside, the background outside.
    static void expect_copy(const IDirectDrawSurface *dest, const IDirectDrawSurface *source,
                            const RECT &to, const RECT &from, const RECT &visible) {
        const int dw = to.right - to.left, dh = to.bottom - to.top;
        const int sw = from.right - from.left, sh = from.bottom - from.top;
        for (int y = 0; y < dest->height; ++y)
            for (int x = 0; x < dest->width; ++x) {
                const bool drawn = x >= to.left && x < to.right && y >= to.top && y < to.bottom &&
                                   x >= visible.left && x < visible.right && y >= visible.top &&
                                   y < visible.bottom;
                BYTE want = background;
                if (drawn)
                    want = at(source, from.left + (x - to.left) * sw / dw,
                              from.top + (y - to.top) * sh / dh);
                ASSERT_EQ(at(dest, x, y), want) << "at (" << x << ", " << y << ")";
            }
    }

    IDirectDraw *dd = nullptr;
    std::vector<IDirectDrawSurface *> surfaces;
    std::vector<IDirectDrawClipper *> clippers;
};

TEST_F(BlitTest, KeyedCopySkipsKeyPixelsOnly) {
    IDirectDrawSurface *source = make_source(4, 2);
    source->pixels[1] = 0;                 // (1, 0)
    source->pixels[source->pitch + 2] = 0; // (2, 1)
    IDirectDrawSurface *dest = make_surface(8, 4, background);
    const RECT to{2, 1, 6, 3};

    ASSERT_EQ(dest->Blt(&to, source, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(at(dest, 3, 1), background);
    EXPECT_EQ(at(dest, 4, 2), background);
    EXPECT_EQ(at(dest, 2, 1), 1);
    EXPECT_EQ(at(dest, 5, 2), 1 + 3 + 16);

    // Without the key flag the zeros are copied like any other value.
    ASSERT_EQ(dest->Blt(&to, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(at(dest, 3, 1), 0);
    EXPECT_EQ(at(dest, 4, 2), 0);
}

TEST_F(BlitTest, StretchMapsEachDestinationPixelToItsSourcePixel) {
    IDirectDrawSurface *source = make_source(10, 9);
    IDirectDrawSurface *dest = make_surface(24, 20, background);
    const RECT whole_dest{0, 0, 24, 20};

    // Enlarged from a rectangle that does not start at the origin.
    const RECT grown_to{3, 2, 20, 17}, grown_from{1, 2, 6, 6};
    ASSERT_EQ(dest->Blt(&grown_to, source, &grown_from, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
    expect_copy(dest, source, grown_to, grown_from, whole_dest);

    // Shrunk: rows and columns of the source are skipped, never averaged.
    std::memset(dest->pixels.data(), background, dest->pixels.size());
    const RECT shrunk_to{5, 4, 9, 7}, shrunk_from{0, 0, 10, 9};
    ASSERT_EQ(dest->Blt(&shrunk_to, source, &shrunk_from, DDBLT_WAIT | DDBLT_KEYSRC, nullptr),
              DD_OK);
    expect_copy(dest, source, shrunk_to, shrunk_from, whole_dest);
}

TEST_F(BlitTest, ClipperCutsAtEveryEdgeWithoutShiftingThePicture) {
    const RECT clip{2, 3, 14, 12};
    struct Case {
        const char *name;
        RECT to;
    };
    // The 6 x 6 source drawn 1:1 and stretched, across each edge and corner of the clip.
    const Case cases[] = {
        {"left", {-1, 5, 5, 11}},
        {"top", {4, 0, 10, 6}},
        {"right", {11, 4, 17, 10}},
        {"bottom", {5, 9, 11, 15}},
        {"top left", {-2, -1, 4, 5}},
        {"bottom right", {10, 8, 16, 14}},
        {"stretched left", {-3, 4, 6, 11}},
        {"stretched over all", {0, 1, 16, 14}},
        {"shrunk right bottom", {12, 10, 16, 14}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        IDirectDrawSurface *source = make_source(6, 6);
        IDirectDrawSurface *dest = make_surface(16, 14, background);
        clip_to(dest, {clip});
        const RECT from{0, 0, 6, 6};
        ASSERT_EQ(dest->Blt(&c.to, source, &from, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
        expect_copy(dest, source, c.to, from, clip);
    }
}

TEST_F(BlitTest, BlitWhollyOutsideTheClipWritesNothing) {
    IDirectDrawSurface *source = make_source(4, 4);
    IDirectDrawSurface *dest = make_surface(16, 16, background);
    clip_to(dest, {RECT{0, 0, 12, 12}});
    const std::vector<BYTE> before = dest->pixels;
    // Right and bottom of the clip are exclusive: a blit starting at 12 lies outside.
    for (const RECT to : {RECT{12, 0, 16, 4}, RECT{0, 12, 4, 16}, RECT{-4, 0, 0, 4},
                          RECT{0, -4, 4, 0}, RECT{200, 200, 204, 204}}) {
        EXPECT_EQ(dest->Blt(&to, source, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
        EXPECT_EQ(dest->pixels, before);
    }
}

TEST_F(BlitTest, ClipListLargerThanTheSurfaceStopsAtItsEdges) {
    // A surface whose pitch equals its width: a row written past the right edge would land at
    // the start of the next row.
    IDirectDrawSurface *dest = make_surface(16, 8, background);
    ASSERT_EQ(dest->pitch, 16);
    clip_to(dest, {RECT{0, 0, 640, 480}});
    IDirectDrawSurface *source = make_source(8, 8);
    const RECT to{12, 4, 20, 12};
    ASSERT_EQ(dest->Blt(&to, source, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
    expect_copy(dest, source, to, RECT{0, 0, 8, 8}, RECT{0, 0, 16, 8});
}

TEST_F(BlitTest, RectanglesOffTheirSurfacesAreRefusedWithoutAClipper) {
    IDirectDrawSurface *source = make_source(4, 4);
    IDirectDrawSurface *dest = make_surface(8, 8, background);
    const std::vector<BYTE> before = dest->pixels;
    const RECT hanging_off{6, 0, 10, 4};
    EXPECT_NE(dest->Blt(&hanging_off, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const RECT inside{0, 0, 4, 4}, past_source{2, 2, 6, 6}, inverted{3, 0, 1, 4};
    EXPECT_NE(dest->Blt(&inside, source, &past_source, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_NE(dest->Blt(&inside, source, &inverted, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(dest->pixels, before);
}

} // namespace
