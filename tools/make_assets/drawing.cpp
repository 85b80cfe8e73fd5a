// Colours, sine and noise, computed the same way on every machine.
#include "tools/make_assets/drawing.h"

namespace assets {
namespace {

int clamp255(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

double lattice(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777216.0;
}

} // namespace

Color mix(Color a, Color b, double t) {
    return {clamp255(static_cast<int>(a.r + (b.r - a.r) * t + 0.5)),
            clamp255(static_cast<int>(a.g + (b.g - a.g) * t + 0.5)),
            clamp255(static_cast<int>(a.b + (b.b - a.b) * t + 0.5))};
}

Color mix3(Color a, Color b, Color c, double t) {
    return t < 0.5 ? mix(a, b, t * 2) : mix(b, c, t * 2 - 1);
}

Color dither(Color c, int x, int y, int amount) {
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const int offset = (bayer[y & 3][x & 3] * 2 - 15) * amount / 30;
    return {clamp255(c.r + offset), clamp255(c.g + offset), clamp255(c.b + offset)};
}

Color scale(Color c, double f) {
    return {clamp255(static_cast<int>(c.r * f + 0.5)), clamp255(static_cast<int>(c.g * f + 0.5)),
            clamp255(static_cast<int>(c.b * f + 0.5))};
}

double det_sin(double x) {
    const double turns = x / (2 * pi);
    x -= 2 * pi * static_cast<double>(static_cast<long long>(turns + (turns < 0 ? -0.5 : 0.5)));
    if (x > pi / 2)
        x = pi - x;
    else if (x < -pi / 2)
        x = -pi - x;
    const double x2 = x * x;
    return x * (1 - x2 / 6 * (1 - x2 / 20 * (1 - x2 / 42 * (1 - x2 / 72 * (1 - x2 / 110)))));
}

double noise(int x, int y, int cell, std::uint32_t seed) {
    const int cx = x / cell;
    const int cy = y / cell;
    const double fx = (x % cell) / static_cast<double>(cell);
    const double fy = (y % cell) / static_cast<double>(cell);
    const double sx = fx * fx * (3 - 2 * fx);
    const double sy = fy * fy * (3 - 2 * fy);
    const double top = lattice(cx, cy, seed) * (1 - sx) + lattice(cx + 1, cy, seed) * sx;
    const double bottom = lattice(cx, cy + 1, seed) * (1 - sx) + lattice(cx + 1, cy + 1, seed) * sx;
    return top * (1 - sy) + bottom * sy;
}

} // namespace assets
