// Makes every asset of the game from code: the intro picture, the three track pictures, the two
// winner pictures, the sixteen kart files, the five sounds and the desktop icon. Usage:
// make_assets <output dir>; it writes images/, cars/, sounds/ and icons/ under that folder. The
// output is deterministic (fixed seeds, our own generator and sine, no time, no library
// transcendentals), so a test can make it again and compare it byte for byte with the committed
// files.
//
// Pictures are painted in RGB and then matched to the nearest palette entry. In the track
// pictures four indices mean something to the race (0 finish line, 24 mud, 29 wall, 42 the
// slippery "turn" terrain): they are never chosen by colour matching, only written where they
// mean that.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "tools/track_paths.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Basics: colours, a seeded generator, sine and smooth noise without the maths library.

struct Color {
    int r;
    int g;
    int b;
};

int clamp255(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

Color mix(Color a, Color b, double t) {
    return {clamp255(static_cast<int>(a.r + (b.r - a.r) * t + 0.5)),
            clamp255(static_cast<int>(a.g + (b.g - a.g) * t + 0.5)),
            clamp255(static_cast<int>(a.b + (b.b - a.b) * t + 0.5))};
}

// Three-stop blend: a to b over the first half of t, b to c over the second.
Color mix3(Color a, Color b, Color c, double t) {
    return t < 0.5 ? mix(a, b, t * 2) : mix(b, c, t * 2 - 1);
}

// Ordered (4 × 4 Bayer) dither: nudges a colour so that smooth gradients break into fine
// patterns instead of bands when matched to 256 colours.
Color dither(Color c, int x, int y, int amount) {
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const int offset = (bayer[y & 3][x & 3] * 2 - 15) * amount / 30;
    return {clamp255(c.r + offset), clamp255(c.g + offset), clamp255(c.b + offset)};
}

Color scale(Color c, double f) {
    return {clamp255(static_cast<int>(c.r * f + 0.5)), clamp255(static_cast<int>(c.g * f + 0.5)),
            clamp255(static_cast<int>(c.b * f + 0.5))};
}

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

// Value noise in [0, 1): hashed lattice values, bilinear between them, cell size `cell`.
double lattice(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777216.0;
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

// ---------------------------------------------------------------------------------------------
// Palettes.

constexpr int finish_index = 0;
constexpr int mud_index = 24;
constexpr int wall_index = 29;
constexpr int ice_index = 42;

constexpr Color black{0, 0, 0};
constexpr Color white{255, 255, 255};
constexpr Color mud_color{118, 74, 38};
constexpr Color wall_color{210, 40, 36};
constexpr Color ice_color{165, 222, 246};

struct Ramp {
    Color from;
    Color mid;
    Color to;
    int count;
};

struct Palette {
    Color entries[256];
    bool reserved[256];
};

// Fills every index that is not reserved, in order, from the ramps; the last ramp's colours
// repeat as a fine grey scale if the ramps leave entries over.
Palette build_palette(const std::vector<Ramp> &ramps) {
    Palette palette{};
    const int reserved[] = {finish_index, mud_index, wall_index, ice_index};
    palette.entries[finish_index] = black;
    palette.entries[mud_index] = mud_color;
    palette.entries[wall_index] = wall_color;
    palette.entries[ice_index] = ice_color;
    for (int index : reserved)
        palette.reserved[index] = true;
    std::vector<Color> colours;
    for (const Ramp &ramp : ramps) {
        for (int i = 0; i < ramp.count; ++i) {
            const double t = ramp.count == 1 ? 0.0 : static_cast<double>(i) / (ramp.count - 1);
            colours.push_back(mix3(ramp.from, ramp.mid, ramp.to, t));
        }
    }
    std::size_t next = 0;
    int left = 0;
    for (int index = 0; index < 256; ++index)
        if (!palette.reserved[index])
            ++left;
    const int spare = left - static_cast<int>(colours.size());
    for (int i = 0; i < spare; ++i) {
        const int v = 40 + i * 180 / (spare > 1 ? spare - 1 : 1);
        colours.push_back({v, v, v + 6});
    }
    for (int index = 0; index < 256; ++index)
        if (!palette.reserved[index])
            palette.entries[index] = colours[next++];
    return palette;
}

// The palette of the intro, the title, the race, the tracks and the karts.
Palette game_palette() {
    return build_palette({
        {{14, 14, 18}, {120, 120, 126}, {250, 250, 250}, 26}, // greys
        {white, white, white, 1},
        {{58, 54, 50}, {104, 98, 90}, {160, 150, 136}, 8},      // warm asphalt
        {{26, 30, 44}, {58, 64, 84}, {112, 120, 144}, 8},       // night asphalt
        {{16, 48, 18}, {64, 134, 40}, {172, 216, 96}, 16},      // grass
        {{6, 30, 16}, {36, 94, 40}, {124, 182, 84}, 10},        // foliage
        {{56, 34, 20}, {100, 66, 38}, {150, 104, 62}, 5},       // bark, wood
        {{150, 98, 52}, {214, 168, 104}, {250, 232, 184}, 16},  // sand
        {{52, 28, 24}, {138, 78, 54}, {218, 162, 122}, 12},     // rock
        {{68, 84, 122}, {168, 188, 222}, {248, 251, 255}, 16},  // snow
        {{4, 6, 20}, {24, 34, 80}, {70, 92, 162}, 12},          // night sky
        {{50, 0, 6}, {214, 26, 30}, {255, 172, 150}, 16},       // red
        {{0, 10, 52}, {32, 84, 224}, {172, 212, 255}, 16},      // blue
        {{92, 40, 0}, {242, 142, 20}, {255, 242, 124}, 16},     // orange, gold
        {{10, 40, 92}, {40, 112, 172}, {152, 212, 242}, 10},    // water
        {{44, 10, 52}, {160, 60, 172}, {242, 172, 242}, 8},     // purple
        {{20, 90, 100}, {70, 170, 180}, {150, 240, 246}, 6},    // lamp cyan
        {{196, 190, 166}, {226, 220, 198}, {252, 248, 232}, 6}, // cream
    });
}

// The sky of a winner picture, from its dark edges to its bright middle, and its 48 palette
// entries: warm for player 1, cool for player 2.
Ramp winner_sky(int player) {
    if (player == 1)
        return {{40, 6, 30}, {150, 30, 70}, {255, 150, 90}, 48};
    return {{4, 10, 40}, {20, 70, 140}, {110, 220, 240}, 48};
}

// The winner pictures bring palettes of their own, in the winner's colours.
Palette winner_palette(int player) {
    const Color kart_dark = player == 1 ? Color{50, 0, 6} : Color{0, 10, 52};
    const Color kart_mid = player == 1 ? Color{214, 26, 30} : Color{32, 84, 224};
    const Color kart_light = player == 1 ? Color{255, 172, 150} : Color{172, 212, 255};
    return build_palette({
        {{14, 14, 18}, {120, 120, 126}, {250, 250, 250}, 24},
        {white, white, white, 1},
        {kart_dark, kart_mid, kart_light, 40},
        winner_sky(player),
        {{92, 40, 0}, {236, 160, 24}, {255, 246, 150}, 32},  // gold
        {{10, 60, 20}, {40, 180, 60}, {180, 250, 160}, 12},  // confetti green
        {{60, 20, 90}, {170, 70, 220}, {240, 190, 255}, 12}, // confetti violet
        {{0, 80, 90}, {30, 200, 210}, {190, 255, 250}, 12},  // confetti cyan
        {{60, 30, 20}, {150, 100, 60}, {230, 200, 160}, 12}, // podium wood and stone
    });
}

// ---------------------------------------------------------------------------------------------
// RGB canvas, matching to a palette, BMP files.

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

struct Matcher {
    const Palette &palette;
    bool avoid_reserved;
    std::unordered_map<std::uint32_t, std::uint8_t> cache;

    std::uint8_t nearest(Color c) {
        const std::uint32_t key = (c.r << 16) | (c.g << 8) | c.b;
        const auto found = cache.find(key);
        if (found != cache.end())
            return found->second;
        int best = -1;
        long best_distance = 0;
        for (int i = 0; i < 256; ++i) {
            if (avoid_reserved && palette.reserved[i])
                continue;
            const Color &p = palette.entries[i];
            // Green counts most and blue least, as the eye weighs them.
            const long distance = 3L * (p.r - c.r) * (p.r - c.r) + 4L * (p.g - c.g) * (p.g - c.g) +
                                  2L * (p.b - c.b) * (p.b - c.b);
            if (best < 0 || distance < best_distance) {
                best = i;
                best_distance = distance;
            }
        }
        cache.emplace(key, static_cast<std::uint8_t>(best));
        return static_cast<std::uint8_t>(best);
    }
};

std::vector<std::uint8_t> to_indices(const Canvas &canvas, const Palette &palette,
                                     bool avoid_reserved) {
    Matcher matcher{palette, avoid_reserved, {}};
    std::vector<std::uint8_t> indices(canvas.pixels.size());
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = canvas.fixed[i] >= 0 ? static_cast<std::uint8_t>(canvas.fixed[i])
                                          : matcher.nearest(canvas.pixels[i]);
    return indices;
}

void put16(std::vector<std::uint8_t> &out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t> &out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

bool write_file(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes) {
    std::FILE *file = std::fopen(path.string().c_str(), "wb");
    bool ok = file != nullptr;
    // A short write (a full disk) or a failing close is as much a failure as a refused open.
    if (ok) {
        ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        ok = std::fclose(file) == 0 && ok;
    }
    if (!ok)
        std::fprintf(stderr, "make_assets: cannot write %s\n", path.string().c_str());
    return ok;
}

// An uncompressed 8-bit BMP, rows bottom-up. Every width used here is a multiple of 4, so the
// rows need no fill bytes (the game's loader takes rows as packed).
bool write_bmp(const std::filesystem::path &path, int width, int height,
               const std::vector<std::uint8_t> &indices, const Palette &palette) {
    const std::uint32_t image_size = static_cast<std::uint32_t>(width * height);
    const std::uint32_t offset = 14 + 40 + 1024;
    std::vector<std::uint8_t> out;
    out.reserve(offset + image_size);
    put16(out, 0x4D42);
    put32(out, offset + image_size);
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, width);
    put32(out, height);
    put16(out, 1);
    put16(out, 8);
    put32(out, 0);
    put32(out, image_size);
    put32(out, 2835); // 72 dots per inch
    put32(out, 2835);
    put32(out, 256);
    put32(out, 0);
    for (const Color &c : palette.entries) {
        out.push_back(static_cast<std::uint8_t>(c.b));
        out.push_back(static_cast<std::uint8_t>(c.g));
        out.push_back(static_cast<std::uint8_t>(c.r));
        out.push_back(0);
    }
    for (int y = height - 1; y >= 0; --y)
        out.insert(out.end(), indices.begin() + y * width, indices.begin() + (y + 1) * width);
    return write_file(path, out);
}

// ---------------------------------------------------------------------------------------------
// Lettering: a 5 × 7 capital font drawn in blocks of `size` pixels. '<' '>' '^' 'v' are arrows.

struct Glyph {
    char ch;
    const char *rows[7];
};

constexpr Glyph font[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'!', {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."}},
    {'-', {".....", ".....", ".....", ".###.", ".....", ".....", "....."}},
    {':', {".....", "..#..", "..#..", ".....", "..#..", "..#..", "....."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
    {'<', {".....", "..#..", ".#...", "#####", ".#...", "..#..", "....."}},
    {'>', {".....", "..#..", "...#.", "#####", "...#.", "..#..", "....."}},
    {'^', {"..#..", ".###.", "#.#.#", "..#..", "..#..", "..#..", "..#.."}},
    {'v', {"..#..", "..#..", "..#..", "..#..", "#.#.#", ".###.", "..#.."}},
};

bool glyph_bit(char ch, int col, int row) {
    if (col < 0 || col > 4 || row < 0 || row > 6)
        return false;
    for (const Glyph &glyph : font)
        if (glyph.ch == ch)
            return glyph.rows[row][col] == '#';
    return false;
}

int text_width(const std::string &text, int size) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * 6 * size - size;
}

// Text with a dark outline one block wide and a drop shadow, filled with a vertical gradient.
void draw_text(Canvas &canvas, const std::string &text, int x, int y, int size, Color top,
               Color bottom, Color outline) {
    auto filled = [&](int px, int py) {
        const int index = (px - x) / (6 * size);
        if (px < x || py < y || index >= static_cast<int>(text.size()))
            return false;
        const int col = (px - x - index * 6 * size) / size;
        return glyph_bit(text[index], col, (py - y) / size);
    };
    const int width = text_width(text, size);
    const int height = 7 * size;
    const int pad = size + 2;
    for (int py = y - pad; py < y + height + pad; ++py)
        for (int px = x - pad; px < x + width + pad; ++px) {
            if (filled(px, py)) {
                canvas.put(px, py, mix(top, bottom, static_cast<double>(py - y) / height));
                continue;
            }
            bool near = false;
            const int reach = size > 2 ? size / 2 + 1 : 1;
            for (int oy = -reach; oy <= reach && !near; ++oy)
                for (int ox = -reach; ox <= reach && !near; ++ox)
                    near = filled(px + ox, py + oy);
            if (near)
                canvas.put(px, py, outline);
            else if (filled(px - reach - 1, py - reach - 1))
                canvas.blend(px, py, black, 0.45);
        }
}

void draw_text_centred(Canvas &canvas, const std::string &text, int cx, int y, int size, Color top,
                       Color bottom, Color outline) {
    draw_text(canvas, text, cx - text_width(text, size) / 2, y, size, top, bottom, outline);
}

// A key cap seen from above with its label.
void draw_key(Canvas &canvas, int x, int y, int w, int h, const std::string &label) {
    canvas.rect(x + 2, y + 3, x + w + 1, y + h + 2, {18, 18, 24});
    canvas.rect(x, y, x + w - 1, y + h - 1, {92, 92, 100});
    canvas.rect(x + 2, y + 2, x + w - 3, y + h - 5, {222, 222, 226});
    canvas.rect(x + 2, y + h - 4, x + w - 3, y + h - 3, {168, 168, 176});
    draw_text_centred(canvas, label, x + w / 2, y + (h - 4 - 14) / 2, 2, {24, 24, 30}, {24, 24, 30},
                      {222, 222, 226});
}

void draw_checker_band(Canvas &canvas, int y0, int y1, int square, int shift) {
    for (int y = y0; y <= y1; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const bool dark = (((x + shift) / square) + ((y - y0) / square)) % 2 == 0;
            canvas.put(x, y, dark ? Color{22, 22, 26} : Color{236, 236, 236});
        }
}

// ---------------------------------------------------------------------------------------------
// Karts: a top-down kart drawn on a pixel grid in its own frame (u forward, v to its right),
// sampled nearest-neighbour at each of the eight headings.

constexpr int kart_width = 56;
constexpr int kart_height = 72;

struct KartColors {
    Color body;
    Color body_dark;
    Color body_light;
    Color helmet;
};

KartColors kart_colors(int player) {
    if (player == 1)
        return {{214, 26, 30}, {120, 8, 14}, {255, 120, 104}, {255, 214, 40}};
    return {{32, 84, 224}, {10, 34, 120}, {120, 170, 255}, {246, 246, 246}};
}

// One pixel of the kart at (u, v), or false where the kart is not. Frames 0 to 2 move the tread
// marks of the tyres along and puff exhaust smoke behind.
bool kart_pixel(int u, int v, int frame, const KartColors &colors, Color *out) {
    if (frame < 0)
        return false;
    const int av = v < 0 ? -v - 1 : v; // mirror so the kart is exactly symmetric
    auto in_circle = [](double du, double dv, double r) { return du * du + dv * dv <= r * r; };
    const Color tyre{34, 34, 38};
    const Color tread{82, 82, 90};
    const Color metal{150, 150, 158};
    const Color dark_metal{70, 70, 78};
    if (in_circle(u + 4.5, av + 0.5, 4.6)) { // helmet, visor toward the front
        *out = (u >= -2 && av <= 2) ? Color{30, 40, 60}
                                    : (u <= -7 ? scale(colors.helmet, 0.8) : colors.helmet);
        return true;
    }
    if (u == 2 && av <= 3) { // steering wheel
        *out = {40, 40, 46};
        return true;
    }
    if (u >= -10 && u <= 3 && av <= 5) { // cockpit
        *out = {46, 46, 54};
        return true;
    }
    const int half = u <= 10 ? 8 : 8 - (u - 10) / 2;
    if (u >= -15 && u <= 20 && av <= half) { // body with a centre stripe and darker edges
        if (av <= 1 && u >= 4)
            *out = {246, 246, 246};
        else if (av >= half - 1)
            *out = colors.body_dark;
        else if (av <= 3)
            *out = colors.body_light;
        else
            *out = colors.body;
        return true;
    }
    if (u >= 19 && u <= 22 && av <= 12) { // front wing
        *out = u == 22 ? colors.body_dark : colors.body;
        return true;
    }
    if (u >= -21 && u <= -18 && av <= 12) { // rear wing
        *out = (u == -21 || av >= 11) ? colors.body_dark : colors.body;
        return true;
    }
    if (u >= -17 && u <= -12 && av <= 6) { // engine
        *out = (u % 2 == 0) ? metal : dark_metal;
        return true;
    }
    if (u >= -9 && u <= 5 && av <= 10) { // side pods
        *out = colors.body_dark;
        return true;
    }
    const bool front_wheel = u >= 9 && u <= 16 && av >= 10 && av <= 15;
    const bool rear_wheel = u >= -17 && u <= -8 && av >= 10 && av <= 16;
    if (front_wheel || rear_wheel) {
        const bool mark = ((u + 30 - frame) % 3) == 0; // tread marks roll back as it drives
        *out = mark ? tread : tyre;
        if (av == 10 || av == (front_wheel ? 15 : 16))
            *out = scale(*out, 0.7);
        return true;
    }
    if (u >= -8 && u <= 9 && (av == 12 || av == 13) && u % 4 != 0) { // axle struts
        *out = dark_metal;
        return true;
    }
    if (u >= -24 && u <= -22 && av >= 3 && av <= 4) { // exhaust pipes
        *out = metal;
        return true;
    }
    if (frame == 1 && (in_circle(u + 26.5, av - 3.5, 2.4) || in_circle(u + 26, v + 4.5, 2.2))) {
        *out = {178, 178, 184};
        return true;
    }
    if (frame == 2 && (in_circle(u + 27, av - 3.5, 2.8) || in_circle(u + 28, v + 0.5, 1.6))) {
        *out = {206, 206, 210};
        return true;
    }
    return false;
}

// Cos and sin of heading h (45 degree steps, counter-clockwise from right).
void heading_vector(int heading, double *c, double *s) {
    constexpr double r = 0.70710678118654752;
    const double cs[8] = {1, r, 0, -r, -1, -r, 0, r};
    const double sn[8] = {0, r, 1, r, 0, -r, -1, -r};
    *c = cs[heading];
    *s = sn[heading];
}

// Draws the kart at a heading into a canvas, with its centre at (cx, cy) and each kart pixel
// `zoom` canvas pixels across, inside the clip rectangle only. With `transparent_index` of 0 or
// more, the clip rectangle's other pixels get that index.
void draw_kart(Canvas &canvas, double cx, double cy, int heading, int frame, int player,
               double zoom, const Rect &clip, int transparent_index) {
    const KartColors colors = kart_colors(player);
    double c = 0;
    double s = 0;
    heading_vector(heading, &c, &s);
    for (int y = clip.y0; y <= clip.y1; ++y)
        for (int x = clip.x0; x <= clip.x1; ++x) {
            const double ox = (x + 0.5 - cx) / zoom;
            const double oy = (y + 0.5 - cy) / zoom;
            // Screen y grows downward: forward is (c, -s) and the kart's right is (s, c).
            const double u = ox * c - oy * s;
            const double v = ox * s + oy * c;
            const int iu = static_cast<int>(u + 100) - 100;
            const int iv = static_cast<int>(v + 100) - 100;
            Color color{};
            // The kart sits 2 pixels ahead of the cell's centre, leaving room for the smoke.
            if (kart_pixel(iu - 2, iv, frame, colors, &color))
                canvas.put(x, y, color);
            else if (transparent_index >= 0)
                canvas.put_index(x, y, transparent_index);
        }
}

bool write_car_file(const std::filesystem::path &path, int player, int heading,
                    const Palette &palette) {
    // Three cells across and two down, each 56 × 72 with a one-pixel border on every side.
    const int width = 1 + 3 * (kart_width + 1);
    const int height = 1 + 2 * (kart_height + 1);
    Canvas canvas(width, height, {96, 96, 104});
    for (int cell = 0; cell < 6; ++cell) {
        const int left = 1 + (cell % 3) * (kart_width + 1);
        const int top = 1 + (cell / 3) * (kart_height + 1);
        const Rect clip{left, top, left + kart_width - 1, top + kart_height - 1};
        // Cells (0,0), (1,0), (2,0) are the three animation frames; (0,1) repeats the first.
        // The two cells left over stay transparent.
        const int frame = cell < 3 ? cell : (cell == 3 ? 0 : -1);
        draw_kart(canvas, left + kart_width / 2.0, top + kart_height / 2.0, heading, frame, player,
                  1.0, clip, finish_index);
    }
    return write_bmp(path, width, height, to_indices(canvas, palette, true), palette);
}

// ---------------------------------------------------------------------------------------------
// Tracks.

constexpr int screen_w = 640;
constexpr int screen_h = 480;
constexpr double road_half_width = 50; // pixels from the racing line to the road's edge
constexpr double wall_width = 6;
constexpr int kerb_width = 5;
constexpr int finish_left = 240; // the chequered finish line covers columns 240 to 249
constexpr int finish_right = 249;
constexpr int finish_bottom = 160;

// The places where the game writes text: the title's white name, its black prompt and the
// race's black lap counts. The tracks put a dark banner, a light sign and a light panel there.
constexpr Rect title_banner{244, 2, 381, 28};
constexpr Rect prompt_sign{212, 192, 436, 224};
constexpr Rect lap_panel{514, 334, 636, 464};

enum class Ground { road, wall, outside };

struct TrackMap {
    std::vector<double> distance; // from the racing line
    std::vector<double> along;    // position along the racing line of the nearest point
    std::vector<double> points_x; // racing line through the probe centres
    std::vector<double> points_y;
    double length = 0;

    Ground ground(int x, int y) const {
        const double d = distance[y * screen_w + x];
        return d <= road_half_width
                   ? Ground::road
                   : (d <= road_half_width + wall_width ? Ground::wall : Ground::outside);
    }
    double dist(int x, int y) const { return distance[y * screen_w + x]; }
    // The point at a distance s along the line.
    void point_at(double s, double *x, double *y) const {
        const int n = static_cast<int>(points_x.size());
        for (int i = 0; i < n; ++i) {
            const double ax = points_x[i], ay = points_y[i];
            const double bx = points_x[(i + 1) % n], by = points_y[(i + 1) % n];
            const double len = std::sqrt((bx - ax) * (bx - ax) + (by - ay) * (by - ay));
            if (s <= len) {
                *x = ax + (bx - ax) * s / len;
                *y = ay + (by - ay) * s / len;
                return;
            }
            s -= len;
        }
        *x = points_x[0];
        *y = points_y[0];
    }
};

TrackMap map_track(const TrackPath &path) {
    TrackMap map;
    for (int i = 0; i < path.count; ++i) {
        map.points_x.push_back(path.points[i].x + track_probe_centre_x + 0.5);
        map.points_y.push_back(path.points[i].y + track_probe_centre_y + 0.5);
    }
    const int n = path.count;
    std::vector<double> start(n);
    for (int i = 0; i < n; ++i) {
        start[i] = map.length;
        const double dx = map.points_x[(i + 1) % n] - map.points_x[i];
        const double dy = map.points_y[(i + 1) % n] - map.points_y[i];
        map.length += std::sqrt(dx * dx + dy * dy);
    }
    map.distance.resize(screen_w * screen_h);
    map.along.resize(screen_w * screen_h);
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x) {
            double best = 1e9;
            double best_along = 0;
            for (int i = 0; i < n; ++i) {
                const double ax = map.points_x[i], ay = map.points_y[i];
                const double bx = map.points_x[(i + 1) % n], by = map.points_y[(i + 1) % n];
                const double px = x + 0.5 - ax, py = y + 0.5 - ay;
                const double ex = bx - ax, ey = by - ay;
                const double len2 = ex * ex + ey * ey;
                double t = (px * ex + py * ey) / len2;
                t = t < 0 ? 0 : (t > 1 ? 1 : t);
                const double qx = px - t * ex, qy = py - t * ey;
                const double d = std::sqrt(qx * qx + qy * qy);
                if (d < best) {
                    best = d;
                    best_along = start[i] + t * std::sqrt(len2);
                }
            }
            map.distance[y * screen_w + x] = best;
            map.along[y * screen_w + x] = best_along;
        }
    return map;
}

struct Setting {
    std::uint32_t seed;
    Color ground_dark;
    Color ground_light;
    Color verge; // the strip just outside the wall
    Color asphalt;
    Color kerb_a;
    Color kerb_b;
    // Terrain patches: kind (mud or the slippery kind) and where along the line, as a fraction.
    struct Patch {
        int index;
        double at;
        double radius;
    } patches[4];
};

// Places scenery: points outside the wall, clear of the text places and of each other.
struct Placer {
    const TrackMap &map;
    Rng rng;
    std::vector<double> xs, ys, rs;

    bool place(double r, double *x, double *y, int tries) {
        for (int t = 0; t < tries; ++t) {
            const double px = rng.range(4, screen_w - 5);
            const double py = rng.range(4, screen_h - 5);
            const int ix = static_cast<int>(px), iy = static_cast<int>(py);
            if (map.dist(ix, iy) < road_half_width + wall_width + r + 6)
                continue;
            if (title_banner.contains(ix, iy, static_cast<int>(r) + 4) ||
                prompt_sign.contains(ix, iy, static_cast<int>(r) + 4) ||
                lap_panel.contains(ix, iy, static_cast<int>(r) + 4))
                continue;
            bool clear = true;
            for (std::size_t i = 0; i < xs.size() && clear; ++i) {
                const double dx = xs[i] - px, dy = ys[i] - py, need = rs[i] + r + 2;
                clear = dx * dx + dy * dy > need * need;
            }
            if (!clear)
                continue;
            xs.push_back(px);
            ys.push_back(py);
            rs.push_back(r);
            *x = px;
            *y = py;
            return true;
        }
        return false;
    }
};

void paint_ground(Canvas &canvas, const TrackMap &map, const Setting &setting) {
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x) {
            const double n =
                0.65 * noise(x, y, 23, setting.seed) + 0.35 * noise(x, y, 5, setting.seed + 1);
            Color c = mix(setting.ground_dark, setting.ground_light, n);
            const double d = map.dist(x, y);
            const double edge = road_half_width + wall_width;
            if (d > edge && d < edge + 14) // a worn verge along the outside of the wall
                c = mix(setting.verge, c, (d - edge) / 14);
            canvas.put(x, y, c);
        }
}

void paint_road(Canvas &canvas, const TrackMap &map, const Setting &setting) {
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x) {
            const Ground g = map.ground(x, y);
            const double d = map.dist(x, y);
            if (g == Ground::wall) {
                canvas.put_index(x, y, wall_index);
            } else if (g == Ground::road) {
                const double n = noise(x, y, 3, setting.seed + 7);
                Color c = scale(setting.asphalt, 0.9 + 0.2 * n);
                // Darker rubber where the karts drive, lighter toward the edges.
                c = scale(c, 0.92 + 0.12 * (d / road_half_width));
                if (d > road_half_width - kerb_width) {
                    const int stripe = static_cast<int>(map.along[y * screen_w + x] / 10);
                    c = stripe % 2 == 0 ? setting.kerb_a : setting.kerb_b;
                }
                canvas.put(x, y, c);
            } else if (d <= road_half_width + wall_width + 2) {
                canvas.blend(x, y, black, 0.45); // the wall's shadow
            }
        }
}

void paint_patches(Canvas &canvas, const TrackMap &map, const Setting &setting) {
    Rng rng{setting.seed * 7919u + 17u};
    for (const Setting::Patch &patch : setting.patches) {
        double cx = 0, cy = 0;
        map.point_at(patch.at * map.length, &cx, &cy);
        // A blob of overlapping circles, kept inside the kerbs.
        double bx[4], by[4], br[4];
        for (int i = 0; i < 4; ++i) {
            bx[i] = cx + (i == 0 ? 0 : rng.range(-12, 12));
            by[i] = cy + (i == 0 ? 0 : rng.range(-12, 12));
            br[i] = patch.radius * (i == 0 ? 1.0 : 0.5 + 0.3 * rng.unit());
        }
        const int reach = static_cast<int>(patch.radius) + 16;
        for (int y = static_cast<int>(cy) - reach; y <= static_cast<int>(cy) + reach; ++y)
            for (int x = static_cast<int>(cx) - reach; x <= static_cast<int>(cx) + reach; ++x) {
                if (!canvas.inside(x, y) || map.dist(x, y) > road_half_width - kerb_width - 3)
                    continue;
                bool in = false;
                bool near = false;
                for (int i = 0; i < 4; ++i) {
                    const double dx = x + 0.5 - bx[i], dy = y + 0.5 - by[i];
                    const double d2 = dx * dx + dy * dy;
                    in = in || d2 <= br[i] * br[i];
                    near = near || d2 <= (br[i] + 2) * (br[i] + 2);
                }
                if (in)
                    canvas.put_index(x, y, patch.index);
                else if (near) // a darker rim sets the patch off the road
                    canvas.put(x, y, scale(setting.asphalt, 0.6));
            }
    }
}

void paint_finish_and_grid(Canvas &canvas, const TrackMap &map) {
    // Only across the top straight: the road may pass these columns again lower down.
    for (int y = 0; y < finish_bottom; ++y)
        for (int x = finish_left; x <= finish_right; ++x) {
            if (map.ground(x, y) != Ground::road)
                continue;
            const bool dark = ((x - finish_left) / 5 + y / 5) % 2 == 0;
            if (dark)
                canvas.put_index(x, y, finish_index);
            else
                canvas.put(x, y, {244, 244, 244});
        }
    // Start boxes: white brackets behind each kart's starting place.
    const int box_y[2] = {23, 70};
    for (int k = 0; k < 2; ++k) {
        const int top = box_y[k] + 14;
        const int bottom = box_y[k] + 58;
        const int left = 235 + 24;
        canvas.rect(left, top, left + 2, bottom, {236, 236, 236});
        canvas.rect(left, top, left + 14, top + 2, {236, 236, 236});
        canvas.rect(left, bottom - 2, left + 14, bottom, {236, 236, 236});
    }
}

void paint_panels(Canvas &canvas) {
    // Dark banner behind the white title, with a gold trim on top and at the ends.
    canvas.rect(title_banner.x0, title_banner.y0, title_banner.x1, title_banner.y1, {16, 20, 44});
    canvas.rect(title_banner.x0, title_banner.y0, title_banner.x1, title_banner.y0 + 1,
                {240, 180, 40});
    canvas.rect(title_banner.x0, title_banner.y0, title_banner.x0 + 1, title_banner.y1,
                {240, 180, 40});
    canvas.rect(title_banner.x1 - 1, title_banner.y0, title_banner.x1, title_banner.y1,
                {240, 180, 40});
    // Light sign behind the prompt: a board with a dark frame and a shadow.
    const Rect &s = prompt_sign;
    for (int y = s.y0 + 4; y <= s.y1 + 4; ++y)
        for (int x = s.x0 + 4; x <= s.x1 + 4; ++x)
            canvas.blend(x, y, black, 0.4);
    canvas.rect(s.x0, s.y0, s.x1, s.y1, {40, 40, 48});
    canvas.rect(s.x0 + 2, s.y0 + 2, s.x1 - 2, s.y1 - 2, {246, 242, 226});
    // The pit building's light roof behind the lap counts, with a chequered flag painted on it.
    const Rect &p = lap_panel;
    for (int y = p.y0 + 5; y <= p.y1 + 5; ++y)
        for (int x = p.x0 + 5; x <= p.x1 + 3; ++x)
            canvas.blend(x, y, black, 0.4);
    canvas.rect(p.x0, p.y0, p.x1, p.y1, {52, 52, 60});
    canvas.rect(p.x0 + 3, p.y0 + 3, p.x1 - 3, p.y1 - 3, {232, 228, 214});
    for (int y = 396; y < 428; ++y)
        for (int x = 548; x < 600; ++x)
            canvas.put(x, y,
                       ((x - 548) / 8 + (y - 396) / 8) % 2 == 0 ? Color{30, 30, 36}
                                                                : Color{250, 250, 250});
    canvas.rect(544, 392, 546, 434, {110, 80, 50});
}

void paint_tree(Canvas &canvas, double x, double y, double r, Color leaf, Rng &rng) {
    canvas.shadow_disc(x + r * 0.45, y + r * 0.45, r, 0.35);
    canvas.ball(x, y, r, scale(leaf, 0.8), 0.6);
    for (int i = 0; i < 4; ++i) {
        const double a = rng.unit() * 2 * pi;
        const double d = r * 0.45;
        canvas.ball(x + d * det_sin(a + pi / 2), y + d * det_sin(a), r * 0.55, leaf, 0.7);
    }
    canvas.ball(x - r * 0.2, y - r * 0.2, r * 0.35, scale(leaf, 1.2), 0.5);
}

void paint_rock(Canvas &canvas, double x, double y, double r, Rng &rng) {
    canvas.shadow_disc(x + r * 0.4, y + r * 0.4, r, 0.4);
    const Color rock{150, 90, 62};
    for (int i = 0; i < 3; ++i) {
        const double ox = rng.range(-3, 3) * r / 8, oy = rng.range(-3, 3) * r / 8;
        canvas.ball(x + ox, y + oy, r * (0.6 + 0.1 * i), scale(rock, 0.8 + 0.15 * i), 0.8);
    }
}

void paint_cactus(Canvas &canvas, double x, double y, double r) {
    canvas.shadow_disc(x + r * 0.6, y + r * 0.6, r * 0.8, 0.35);
    const Color green{62, 132, 52};
    canvas.ball(x - r * 0.7, y, r * 0.45, green, 0.6);
    canvas.ball(x + r * 0.7, y + r * 0.2, r * 0.45, green, 0.6);
    canvas.ball(x, y, r * 0.7, green, 0.7);
    for (int i = -1; i <= 1; ++i) // ribs
        canvas.rect(static_cast<int>(x) + i * 3, static_cast<int>(y - r * 0.5),
                    static_cast<int>(x) + i * 3, static_cast<int>(y + r * 0.5), {120, 180, 90});
}

void paint_pine(Canvas &canvas, double x, double y, double r) {
    canvas.shadow_disc(x + r * 0.5, y + r * 0.5, r, 0.35);
    for (int ring = 0; ring < 3; ++ring) {
        const double rr = r * (1 - ring * 0.28);
        canvas.ball(x, y, rr, ring % 2 == 0 ? Color{22, 70, 44} : Color{40, 100, 58}, 0.6);
    }
    for (int i = 0; i < 8; ++i) { // snow caught on the branches
        const double a = i * pi / 4;
        canvas.disc(x + r * 0.55 * det_sin(a + pi / 2), y + r * 0.55 * det_sin(a), r * 0.16,
                    {236, 244, 255});
    }
    canvas.disc(x - r * 0.15, y - r * 0.15, r * 0.18, {250, 252, 255});
}

void paint_lamp(Canvas &canvas, const TrackMap &map, double x, double y) {
    for (int py = static_cast<int>(y) - 40; py <= static_cast<int>(y) + 40; ++py)
        for (int px = static_cast<int>(x) - 40; px <= static_cast<int>(x) + 40; ++px) {
            if (!canvas.inside(px, py) || map.ground(px, py) == Ground::wall)
                continue;
            const double dx = px - x, dy = py - y;
            const double d2 = dx * dx + dy * dy;
            if (d2 < 1600)
                canvas.blend(px, py, {255, 220, 140}, 0.45 * (1 - d2 / 1600));
        }
    canvas.disc(x, y, 4, {60, 60, 70});
    canvas.disc(x, y, 2.5, {255, 246, 200});
}

std::vector<std::uint8_t> paint_track(int number, const Palette &palette) {
    const TrackMap map = map_track(track_paths[number]);
    static const Setting settings[track_count] = {
        // Green countryside: mown grass, red and white kerbs, mud puddles and slick patches.
        {11,
         {44, 104, 34},
         {92, 160, 60},
         {120, 110, 70},
         {92, 92, 98},
         {232, 232, 232},
         {196, 30, 34},
         {{mud_index, 0.19, 20},
          {ice_index, 0.47, 18},
          {mud_index, 0.63, 18},
          {ice_index, 0.80, 18}}},
        // Desert canyon: sand, rocks and cacti; warm road with yellow and white kerbs.
        {23,
         {196, 146, 86},
         {238, 206, 146},
         {150, 100, 60},
         {128, 110, 92},
         {240, 236, 226},
         {232, 150, 24},
         {{ice_index, 0.15, 17},
          {mud_index, 0.33, 20},
          {ice_index, 0.58, 18},
          {mud_index, 0.83, 20}}},
        // Snowy night: blue snow, lamps, pines; dark road with blue and white kerbs.
        {37,
         {74, 88, 128},
         {150, 168, 208},
         {56, 64, 96},
         {52, 58, 78},
         {226, 232, 246},
         {40, 90, 220},
         {{ice_index, 0.2, 20},
          {mud_index, 0.40, 18},
          {ice_index, 0.6, 19},
          {mud_index, 0.85, 18}}},
    };
    const Setting &setting = settings[number];
    Canvas canvas(screen_w, screen_h, black);
    paint_ground(canvas, map, setting);
    Placer placer{map, Rng{setting.seed * 2654435761u + 1}, {}, {}, {}};
    Rng rng{setting.seed + 99};
    double x = 0, y = 0;
    if (number == 0) {
        // Mown stripes in the grass and a pond in the infield.
        for (int py = 0; py < screen_h; ++py)
            for (int px = 0; px < screen_w; ++px)
                if (((px + py) / 24) % 2 == 0)
                    canvas.put(px, py, scale(canvas.at(px, py), 1.08));
        if (placer.place(34, &x, &y, 4000)) {
            for (int py = static_cast<int>(y) - 40; py <= static_cast<int>(y) + 40; ++py)
                for (int px = static_cast<int>(x) - 50; px <= static_cast<int>(x) + 50; ++px) {
                    const double dx = (px - x) / 44.0, dy = (py - y) / 30.0;
                    const double e = dx * dx + dy * dy;
                    if (e <= 1)
                        canvas.put(px, py, mix({30, 90, 150}, {110, 180, 220}, e));
                    else if (e <= 1.15)
                        canvas.put(px, py, {150, 130, 80});
                }
        }
        for (int i = 0; i < 40; ++i) {
            const double r = rng.range(9, 16);
            if (placer.place(r, &x, &y, 300))
                paint_tree(canvas, x, y, r, {52, 130, 44}, rng);
        }
        for (int i = 0; i < 160; ++i) { // flowers
            const int fx = rng.range(0, screen_w - 1), fy = rng.range(0, screen_h - 1);
            if (map.dist(fx, fy) > road_half_width + wall_width + 4 &&
                !prompt_sign.contains(fx, fy, 3) && !lap_panel.contains(fx, fy, 6) &&
                !title_banner.contains(fx, fy, 3))
                canvas.disc(fx, fy, 1.5, i % 3 == 0 ? Color{250, 240, 120} : Color{250, 250, 250});
        }
    } else if (number == 1) {
        // Wind ripples in the sand, then rocks and cacti.
        for (int py = 0; py < screen_h; ++py)
            for (int px = 0; px < screen_w; ++px) {
                const double w = det_sin((px * 0.3 + py) * 0.35 + 6 * noise(px, py, 40, 5));
                if (w > 0.7)
                    canvas.put(px, py, scale(canvas.at(px, py), 0.9));
            }
        for (int i = 0; i < 26; ++i) {
            const double r = rng.range(8, 18);
            if (placer.place(r, &x, &y, 300))
                paint_rock(canvas, x, y, r, rng);
        }
        for (int i = 0; i < 18; ++i) {
            const double r = rng.range(8, 12);
            if (placer.place(r, &x, &y, 300))
                paint_cactus(canvas, x, y, r);
        }
    } else {
        // Night: the snow darkens away from the lamps, pines stand in it.
        for (int i = 0; i < 30; ++i) {
            const double r = rng.range(10, 17);
            if (placer.place(r, &x, &y, 300))
                paint_pine(canvas, x, y, r);
        }
    }
    paint_road(canvas, map, setting);
    paint_patches(canvas, map, setting);
    paint_finish_and_grid(canvas, map);
    if (number == 2) {
        const double lamps[][2] = {{150, 160}, {400, 160}, {150, 280}, {300, 300}, {520, 160},
                                   {20, 460},  {620, 20},  {520, 470}, {20, 20}};
        for (const auto &lamp : lamps)
            if (map.dist(static_cast<int>(lamp[0]), static_cast<int>(lamp[1])) >
                road_half_width + wall_width + 8)
                paint_lamp(canvas, map, lamp[0], lamp[1]);
    }
    paint_panels(canvas);
    return to_indices(canvas, palette, true);
}

// ---------------------------------------------------------------------------------------------
// Intro and winner pictures.

// A swirl of dust: puffs along a spiral, fading outward.
void paint_whirl(Canvas &canvas, double cx, double cy, Color dust, Rng &rng) {
    for (int i = 0; i < 420; ++i) {
        const double t = i / 420.0;
        const double a = t * 5 * pi;
        const double r = 20 + t * 300;
        const double x = cx + r * det_sin(a + pi / 2) * 1.2 + rng.range(-6, 6);
        const double y = cy + r * det_sin(a) * 0.55 + rng.range(-4, 4);
        const double size = 4 + t * 10;
        for (int py = static_cast<int>(y - size); py <= static_cast<int>(y + size); ++py)
            for (int px = static_cast<int>(x - size); px <= static_cast<int>(x + size); ++px) {
                const double dx = px - x, dy = py - y;
                const double d2 = (dx * dx + dy * dy) / (size * size);
                if (d2 < 1)
                    canvas.blend(px, py, dust, 0.18 * (1 - d2) * (1 - t * 0.6));
            }
    }
}

std::vector<std::uint8_t> paint_intro(const Palette &palette) {
    Canvas canvas(screen_w, screen_h, black);
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x)
            canvas.put(x, y,
                       dither(mix3({8, 10, 34}, {30, 26, 70}, {70, 34, 40}, y / 480.0), x, y, 14));
    Rng rng{4242};
    paint_whirl(canvas, 320, 110, {214, 168, 104}, rng);
    draw_checker_band(canvas, 0, 15, 8, 0);
    draw_checker_band(canvas, 464, 479, 8, 4);

    draw_text_centred(canvas, "DIRTWHIRL", 320, 40, 9, {255, 240, 110}, {242, 120, 20},
                      {40, 16, 4});
    draw_text_centred(canvas, "TWO PLAYER KART RACE", 320, 118, 2, {240, 240, 240}, {200, 200, 210},
                      {10, 10, 20});

    // Player panels: kart, name, keys.
    for (int player = 1; player <= 2; ++player) {
        const int left = player == 1 ? 40 : 340;
        const Color frame = player == 1 ? Color{214, 26, 30} : Color{32, 84, 224};
        canvas.rect(left, 150, left + 259, 345, scale(frame, 0.5));
        canvas.rect(left + 3, 153, left + 256, 342, {18, 20, 36});
        draw_text(canvas, player == 1 ? "PLAYER 1" : "PLAYER 2", left + 16, 166, 3,
                  scale(frame, 1.3), frame, {10, 10, 20});
        draw_kart(canvas, left + 210, 190, 1, 1, player, 1.2, {left + 160, 154, left + 255, 240},
                  -1);
        const int kx = left + 30;
        const int ky = 210;
        const char *up = player == 1 ? "^" : "W";
        const char *lf = player == 1 ? "<" : "A";
        const char *dn = player == 1 ? "v" : "S";
        const char *rt = player == 1 ? ">" : "D";
        draw_key(canvas, kx + 44, ky, 40, 36, up);
        draw_key(canvas, kx, ky + 42, 40, 36, lf);
        draw_key(canvas, kx + 44, ky + 42, 40, 36, dn);
        draw_key(canvas, kx + 88, ky + 42, 40, 36, rt);
        draw_text(canvas, "STEER", kx + 140, ky + 54, 2, {230, 230, 230}, {200, 200, 200},
                  {10, 10, 20});
        draw_key(canvas, kx + 44, ky + 88, 40, 36, player == 1 ? "N" : "B");
        draw_text(canvas, "TURBO", kx + 96, ky + 100, 2, {255, 220, 90}, {240, 150, 30},
                  {10, 10, 20});
    }

    draw_text_centred(canvas, "FIRST TO 10 LAPS WINS", 320, 362, 3, {255, 246, 160}, {240, 170, 40},
                      {30, 12, 0});
    // A chequered flag at each side of the rule.
    for (int side = 0; side < 2; ++side) {
        const int fx = side == 0 ? 34 : 574;
        for (int y = 356; y < 388; ++y)
            for (int x = fx; x < fx + 32; ++x)
                canvas.put(x, y,
                           ((x - fx) / 8 + (y - 356) / 8) % 2 == 0 ? Color{20, 20, 24}
                                                                   : Color{246, 246, 246});
    }
    draw_text_centred(canvas, "PRESS ENTER TO START", 320, 412, 3, {255, 255, 255}, {200, 220, 255},
                      {10, 10, 40});
    return to_indices(canvas, palette, false);
}

std::vector<std::uint8_t> paint_winner(int player, const Palette &palette) {
    Canvas canvas(screen_w, screen_h, black);
    const Ramp sky = winner_sky(player);
    // Rays of light behind the trophy: alternate wedges, brighter toward the middle.
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x) {
            const double dx = x - 320.0, dy = y - 250.0;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double ray = det_sin(12 * (dy >= 0 ? 1 : -1) * (dx / (d + 1e-9)) + d * 0.004);
            double t = 1 - d / 420;
            t = t < 0 ? 0 : t;
            canvas.put(
                x, y,
                dither(mix3(sky.from, sky.mid, sky.to, t * (ray > 0 ? 0.85 : 0.6)), x, y, 12));
        }
    Rng rng{static_cast<std::uint32_t>(900 + player)};
    const Color confetti[] = {{40, 180, 60},  {170, 70, 220},  {30, 200, 210},
                              {236, 160, 24}, {250, 250, 250}, {214, 26, 30}};
    for (int i = 0; i < 220; ++i) {
        const int x = rng.range(0, screen_w - 1), y = rng.range(0, screen_h - 1);
        const Color c = confetti[rng.range(0, 5)];
        if (rng.range(0, 1) == 0)
            canvas.rect(x, y, x + 5, y + 2, c);
        else
            canvas.rect(x, y, x + 2, y + 5, c);
    }
    // Podium with the winner's number.
    canvas.rect(200, 360, 440, 440, {150, 100, 60});
    canvas.rect(200, 360, 440, 368, {230, 200, 160});
    canvas.rect(120, 395, 200, 440, {120, 80, 48});
    canvas.rect(440, 410, 520, 440, {120, 80, 48});
    draw_text_centred(canvas, player == 1 ? "1" : "2", 320, 380, 6, {255, 246, 150}, {236, 160, 24},
                      {60, 30, 10});
    // Trophy: a gold cup with handles on a stand.
    const Color gold{236, 170, 30};
    canvas.rect(290, 330, 350, 345, scale(gold, 0.6));
    canvas.rect(308, 290, 332, 330, scale(gold, 0.8));
    for (int y = 180; y < 290; ++y) {
        const double t = (y - 180) / 110.0;
        const int half = static_cast<int>(70 * std::sqrt(1 - t * t * 0.9) * (1 - t * 0.6)) + 8;
        for (int x = 320 - half; x <= 320 + half; ++x) {
            const double shade = 1.25 - 0.6 * (x - (320 - half)) / (2.0 * half);
            canvas.put(x, y, scale(gold, shade));
        }
    }
    for (int side = -1; side <= 1; side += 2)
        for (int y = 190; y < 250; ++y)
            for (int x = 0; x < 30; ++x) {
                const double dx = x - 15.0, dy = y - 215.0;
                const double e = dx * dx / 225 + dy * dy / 900;
                if (e <= 1 && e >= 0.45)
                    canvas.put(320 + side * (80 + x), y, scale(gold, 0.9));
            }
    canvas.rect(250, 176, 390, 184, scale(gold, 1.3));
    // The winning kart beside the podium, and the words.
    draw_kart(canvas, 120, 330, 1, 1, player, 1.4, {60, 270, 180, 390}, -1);
    draw_kart(canvas, 530, 330, 3, 1, player, 1.4, {470, 270, 590, 390}, -1);
    draw_text_centred(canvas, player == 1 ? "PLAYER 1 WINS!" : "PLAYER 2 WINS!", 320, 60, 6,
                      {255, 255, 255}, {255, 230, 140}, {20, 10, 30});
    draw_text_centred(canvas, "PRESS Q TO QUIT", 320, 452, 3, {255, 255, 255}, {220, 220, 230},
                      {10, 10, 20});
    return to_indices(canvas, palette, false);
}

// ---------------------------------------------------------------------------------------------
// The desktop icon: the two karts racing up-right through the intro's dust whirl on a rounded
// square of its night sky, with a chequered strip. Painted at four times the size and averaged
// down, so its edges are smooth; written as an RGBA PNG with stored (uncompressed) deflate
// blocks, which needs no compression library and gives the same bytes everywhere.

constexpr int icon_size = 128;
constexpr int icon_supersample = 4;

std::uint32_t crc32_of(const std::uint8_t *data, std::size_t size, std::uint32_t crc) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put32_big(std::vector<std::uint8_t> &out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void put_png_chunk(std::vector<std::uint8_t> &out, const char type[4],
                   const std::vector<std::uint8_t> &data) {
    put32_big(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32_big(out, crc32_of(out.data() + start, out.size() - start, 0));
}

// rgba: width * height * 4 bytes, rows top-down.
bool write_png(const std::filesystem::path &path, int width, int height,
               const std::vector<std::uint8_t> &rgba) {
    std::vector<std::uint8_t> raw; // each row after filter type 0
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgba.begin() + y * width * 4, rgba.begin() + (y + 1) * width * 4);
    }
    std::vector<std::uint8_t> zlib{0x78, 0x01};
    for (std::size_t at = 0; at < raw.size(); at += 65535) {
        const std::size_t length = std::min<std::size_t>(65535, raw.size() - at);
        zlib.push_back(at + length == raw.size() ? 1 : 0); // the last block says so
        put16(zlib, static_cast<unsigned>(length));
        put16(zlib, static_cast<unsigned>(~length & 0xFFFF));
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + length);
    }
    std::uint32_t a = 1, b = 0; // Adler-32 of the uncompressed data
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32_big(zlib, (b << 16) | a);

    std::vector<std::uint8_t> header;
    put32_big(header, static_cast<std::uint32_t>(width));
    put32_big(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter, no interlace
    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    put_png_chunk(out, "IHDR", header);
    put_png_chunk(out, "IDAT", zlib);
    put_png_chunk(out, "IEND", {});
    return write_file(path, out);
}

// Inside the rounded square (corner radius a fifth of the side), in supersampled pixels.
bool in_icon_shape(int x, int y, int side) {
    const double r = side / 5.0;
    const double px = x + 0.5, py = y + 0.5;
    const double cx = px < r ? r : (px > side - r ? side - r : px);
    const double cy = py < r ? r : (py > side - r ? side - r : py);
    return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r;
}

bool write_icon(const std::filesystem::path &path) {
    const int side = icon_size * icon_supersample;
    Canvas canvas(side, side, black);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            canvas.put(x, y, mix3({8, 10, 34}, {30, 26, 70}, {70, 34, 40}, y / double(side)));
    Rng rng{4242};
    for (int layer = 0; layer < 3; ++layer) // thicker than the intro's, to show at a small size
        paint_whirl(canvas, side / 2.0, side * 0.40, {214, 168, 104}, rng);
    for (int y = side * 13 / 16; y < side * 14 / 16; ++y)
        for (int x = 0; x < side; ++x) {
            const int square = side / 16;
            const bool dark = (x / square + (y - side * 13 / 16) / square) % 2 == 0;
            canvas.put(x, y, dark ? Color{22, 22, 26} : Color{236, 236, 236});
        }
    const double zoom = 4.4;
    draw_kart(canvas, side * 0.36, side * 0.40, 1, 1, 1, zoom, {0, 0, side - 1, side - 1}, -1);
    draw_kart(canvas, side * 0.62, side * 0.64, 1, 2, 2, zoom, {0, 0, side - 1, side - 1}, -1);

    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(icon_size) * icon_size * 4);
    constexpr int samples = icon_supersample * icon_supersample;
    for (int y = 0; y < icon_size; ++y)
        for (int x = 0; x < icon_size; ++x) {
            int r = 0, g = 0, b = 0, covered = 0;
            for (int sy = 0; sy < icon_supersample; ++sy)
                for (int sx = 0; sx < icon_supersample; ++sx) {
                    const int px = x * icon_supersample + sx, py = y * icon_supersample + sy;
                    if (!in_icon_shape(px, py, side))
                        continue;
                    const Color &c = canvas.at(px, py);
                    r += c.r, g += c.g, b += c.b, ++covered;
                }
            std::uint8_t *out = &rgba[(static_cast<std::size_t>(y) * icon_size + x) * 4];
            if (covered > 0) {
                out[0] = static_cast<std::uint8_t>((r + covered / 2) / covered);
                out[1] = static_cast<std::uint8_t>((g + covered / 2) / covered);
                out[2] = static_cast<std::uint8_t>((b + covered / 2) / covered);
            }
            out[3] = static_cast<std::uint8_t>((covered * 255 + samples / 2) / samples);
        }
    return write_png(path, icon_size, icon_size, rgba);
}

// ---------------------------------------------------------------------------------------------
// Sounds: 8-bit unsigned mono at 11025 samples per second.

constexpr int sample_rate = 11025;

std::vector<std::uint8_t> to_samples(const std::vector<double> &wave) {
    std::vector<std::uint8_t> out(wave.size());
    for (std::size_t i = 0; i < wave.size(); ++i) {
        const double v = wave[i] < -1 ? -1 : (wave[i] > 1 ? 1 : wave[i]);
        out[i] = static_cast<std::uint8_t>(128 + static_cast<int>(v * 127 + (v < 0 ? -0.5 : 0.5)));
    }
    return out;
}

bool write_wav(const std::filesystem::path &path, const std::vector<double> &wave) {
    const std::vector<std::uint8_t> samples = to_samples(wave);
    const std::uint32_t n = static_cast<std::uint32_t>(samples.size());
    std::vector<std::uint8_t> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + n + (n & 1));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, sample_rate);
    put32(out, sample_rate); // bytes per second
    put16(out, 1);           // block align
    put16(out, 8);           // bits per sample
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, n);
    out.insert(out.end(), samples.begin(), samples.end());
    if (n & 1)
        out.push_back(0); // chunks are padded to an even length
    return write_file(path, out);
}

// The engine: one firing every 30 ms, a buzz whose every partial is a multiple of 100/3 Hz, so
// the wave repeats every 30 ms exactly. The race restarts the sound every 30 ms frame, and the
// restart reaches the mix at the sound device's next 5 ms update, so it cuts the wave 25, 30 or
// 35 ms after the last restart: each firing runs from 6.5 to 24 ms past its 30 ms mark and the
// wave is silent between, so that every such cut, and the restart itself, falls in silence.
std::vector<double> engine_wave() {
    const int length = 2756; // 250 ms
    std::vector<double> wave(length);
    const double base = 200.0 / 3; // 66.7 Hz, a low two-stroke rumble
    const double partials[][2] = {{1, 0.50}, {2, 0.32}, {3, 0.22},  {4, 0.12},
                                  {6, 0.08}, {9, 0.05}, {0.5, 0.18}};
    const double period_ms = 30;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / sample_rate;
        double v = 0;
        for (const auto &p : partials)
            v += p[1] * det_sin(2 * pi * base * p[0] * t);
        const double ms = 1000.0 * t;
        const double phase_ms = ms - period_ms * static_cast<int>(ms / period_ms);
        double firing = 0;
        if (phase_ms >= 6.5 && phase_ms < 8.5) {
            firing = (phase_ms - 6.5) / 2;
        } else if (phase_ms >= 8.5 && phase_ms < 24) {
            const double left = 1 - (phase_ms - 8.5) / 15.5;
            firing = 0.6 * left * left + 0.4 * left;
        }
        const double fade = i > length - 800 ? (length - i) / 800.0 : 1.0;
        wave[i] = 0.95 * v * firing * fade;
    }
    return wave;
}

// The bump: a spring that drops in pitch, wobbling as it goes, and dies away.
std::vector<double> boing_wave() {
    const int length = 4410; // 400 ms
    std::vector<double> wave(length);
    double phase = 0;
    double level = 0.9;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / length;
        const double wobble = 1 + 0.12 * det_sin(2 * pi * 14 * i / sample_rate);
        const double freq = (620 - 420 * t) * wobble;
        phase += 2 * pi * freq / sample_rate;
        const double attack = i < 40 ? i / 40.0 : 1.0;
        const double release = i > length - 400 ? (length - i) / 400.0 : 1.0;
        wave[i] = level * attack * release * (0.8 * det_sin(phase) + 0.2 * det_sin(2 * phase));
        level *= 0.99935;
    }
    return wave;
}

// Mud: a low wet squelch, noise through a resonant low-pass whose pitch slides up and down.
std::vector<double> mud_wave() {
    const int length = 3308; // 300 ms
    std::vector<double> wave(length);
    Rng rng{777};
    double low = 0, band = 0;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / length;
        const double cutoff = 180 + 520 * det_sin(pi * t) * det_sin(pi * t);
        const double f = 2 * det_sin(pi * cutoff / sample_rate);
        const double in = rng.unit() * 2 - 1;
        low += f * band;
        band += f * (in - low - 0.25 * band);
        const double envelope = (t < 0.08 ? t / 0.08 : 1.0) * (1 - t) * (1 - t);
        const double bloop = det_sin(2 * pi * (90 + 160 * t) * i / sample_rate);
        wave[i] = envelope * (0.45 * low + 0.35 * bloop);
    }
    return wave;
}

// The slippery patch: a tyre screech, a high wavering whistle over hiss.
std::vector<double> turn_wave() {
    const int length = 3970; // 360 ms
    std::vector<double> wave(length);
    Rng rng{4321};
    double phase = 0;
    double hiss = 0;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / length;
        const double freq =
            1650 + 160 * det_sin(2 * pi * 23 * i / sample_rate) - 300 * t + 60 * (rng.unit() - 0.5);
        phase += 2 * pi * freq / sample_rate;
        const double noise_in = rng.unit() * 2 - 1;
        hiss = noise_in - 0.6 * hiss; // tilt the noise toward the highs
        const double envelope = (t < 0.05 ? t / 0.05 : 1.0) * (t > 0.7 ? (1 - t) / 0.3 : 1.0);
        wave[i] = envelope * (0.45 * det_sin(phase) + 0.15 * det_sin(2 * phase) + 0.15 * hiss);
    }
    return wave;
}

// Ice: a dry crackle, sparse sharp clicks in a soft hiss.
std::vector<double> ice_wave() {
    const int length = 4410; // 400 ms
    std::vector<double> wave(length);
    Rng rng{2468};
    double ring = 0, previous = 0;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / length;
        if (rng.range(0, 99) < 3)
            ring += (rng.unit() - 0.5) * 1.6;
        ring *= 0.86;
        const double in = rng.unit() * 2 - 1;
        const double high = in - previous; // high-passed hiss
        previous = in;
        const double envelope = (t < 0.02 ? t / 0.02 : 1.0) * (1 - t);
        wave[i] = envelope * (ring + 0.12 * high);
    }
    return wave;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_assets <output dir>\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    std::error_code error;
    for (const char *folder : {"images", "cars", "sounds", "icons"}) {
        std::filesystem::create_directories(root / folder, error);
        if (error) {
            std::fprintf(stderr, "make_assets: cannot make %s: %s\n",
                         (root / folder).string().c_str(), error.message().c_str());
            return 1;
        }
    }
    const Palette palette = game_palette();
    bool ok =
        write_bmp(root / "images" / "intro.bmp", screen_w, screen_h, paint_intro(palette), palette);
    for (int track = 0; track < track_count; ++track)
        ok = write_bmp(root / "images" / ("track" + std::to_string(track) + ".bmp"), screen_w,
                       screen_h, paint_track(track, palette), palette) &&
             ok;
    for (int player = 1; player <= 2; ++player) {
        const Palette own = winner_palette(player);
        ok = write_bmp(root / "images" / ("win" + std::to_string(player) + ".bmp"), screen_w,
                       screen_h, paint_winner(player, own), own) &&
             ok;
        for (int heading = 0; heading < 8; ++heading)
            ok = write_car_file(
                     root / "cars" /
                         ("car" + std::to_string(player) + std::to_string(heading) + ".BMP"),
                     player, heading, palette) &&
                 ok;
    }
    ok = write_wav(root / "sounds" / "boing.wav", boing_wave()) && ok;
    ok = write_wav(root / "sounds" / "mud.wav", mud_wave()) && ok;
    ok = write_wav(root / "sounds" / "turn.wav", turn_wave()) && ok;
    ok = write_wav(root / "sounds" / "ice.wav", ice_wave()) && ok;
    ok = write_wav(root / "sounds" / "engine.wav", engine_wave()) && ok;
    ok = write_icon(root / "icons" / "io.github.dirtwhirl.Dirtwhirl.png") && ok;
    return ok ? 0 : 1;
}
