// What every picture is painted with: colours, a seeded generator, sine and smooth noise without
// the maths library, and an RGB canvas.
#pragma once

#include <cstdint>
#include <vector>

namespace assets {

// The size of the full-screen pictures.
constexpr int screen_w = 640;
constexpr int screen_h = 480;

struct Color {
    int r;
    int g;
    int b;
};

constexpr Color black{0, 0, 0};
constexpr Color white{255, 255, 255};

Color mix(Color a, Color b, double t);

// Three-stop blend: a to b over the first half of t, b to c over the second.
Color mix3(Color a, Color b, Color c, double t);

// Ordered (4 × 4 Bayer) dither: nudges a colour so that smooth gradients break into fine
// patterns instead of bands when matched to 256 colours.
Color dither(Color c, int x, int y, int amount);

Color scale(Color c, double f);

struct Rng {
    std::uint32_t state;
    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int range(int lo, int hi) { return lo + static_cast<int>(next() % (hi - lo + 1)); }
    double unit() { return (next() >> 8) / 16777216.0; }
};

constexpr double pi = 3.14159265358979323846;

// Sine from a polynomial after folding into [-pi/2, pi/2]: the same bits on every machine (the
// square root, also used, is exactly rounded everywhere).
double det_sin(double x);

// Value noise in [0, 1): hashed lattice values, bilinear between them, cell size `cell`.
double noise(int x, int y, int cell, std::uint32_t seed);

struct Rect {
    int x0;
    int y0;
    int x1;
    int y1;
    bool contains(int x, int y, int margin) const {
        return x >= x0 - margin && x <= x1 + margin && y >= y0 - margin && y <= y1 + margin;
    }
};

struct Canvas {
    int width;
    int height;
    std::vector<Color> pixels;
    std::vector<int> fixed; // a palette index written as is, or -1 to match the colour

    Canvas(int w, int h, Color fill) : width(w), height(h), pixels(w * h, fill), fixed(w * h, -1) {}
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    Color &at(int x, int y) { return pixels[y * width + x]; }
    // Painting never changes a pixel that carries a fixed index: once a wall, finish line or
    // terrain pixel is down, later scenery, lights and shadows leave it alone.
    void put(int x, int y, Color c) {
        if (inside(x, y) && fixed[y * width + x] < 0)
            at(x, y) = c;
    }
    void blend(int x, int y, Color c, double alpha) {
        if (inside(x, y))
            put(x, y, mix(at(x, y), c, alpha));
    }
    void put_index(int x, int y, int index) {
        if (inside(x, y))
            fixed[y * width + x] = index;
    }
    void rect(int x0, int y0, int x1, int y1, Color c) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                put(x, y, c);
    }
    // Calls paint(x, y, dx, dy) for every pixel whose centre lies within r of (cx, cy), with the
    // centre's offset from (cx, cy).
    template <typename Paint> void each_in_disc(double cx, double cy, double r, Paint paint) {
        for (int y = static_cast<int>(cy - r) - 1; y <= static_cast<int>(cy + r) + 1; ++y)
            for (int x = static_cast<int>(cx - r) - 1; x <= static_cast<int>(cx + r) + 1; ++x) {
                const double dx = x + 0.5 - cx;
                const double dy = y + 0.5 - cy;
                if (dx * dx + dy * dy <= r * r)
                    paint(x, y, dx, dy);
            }
    }
    void disc(double cx, double cy, double r, Color c) {
        each_in_disc(cx, cy, r, [&](int x, int y, double, double) { put(x, y, c); });
    }
    // A ball lit from the top left: lighter toward the light, darker away from it.
    void ball(double cx, double cy, double r, Color c, double contrast) {
        each_in_disc(cx, cy, r, [&](int x, int y, double dx, double dy) {
            put(x, y, scale(c, 1 - contrast * (dx + dy) / (2 * r)));
        });
    }
    void shadow_disc(double cx, double cy, double r, double alpha) {
        each_in_disc(cx, cy, r, [&](int x, int y, double, double) { blend(x, y, black, alpha); });
    }
};

} // namespace assets
