// The palettes, built from colour ramps around the reserved indices, and nearest-colour matching.
#include "tools/make_assets/palette.h"

#include <unordered_map>

namespace assets {
namespace {

constexpr Color mud_color{118, 74, 38};
constexpr Color wall_color{210, 40, 36};
constexpr Color ice_color{165, 222, 246};

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

} // namespace

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

Ramp winner_sky(int player) {
    if (player == 1)
        return {{40, 6, 30}, {150, 30, 70}, {255, 150, 90}, 48};
    return {{4, 10, 40}, {20, 70, 140}, {110, 220, 240}, 48};
}

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

std::vector<std::uint8_t> to_indices(const Canvas &canvas, const Palette &palette,
                                     bool avoid_reserved) {
    Matcher matcher{palette, avoid_reserved, {}};
    std::vector<std::uint8_t> indices(canvas.pixels.size());
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = canvas.fixed[i] >= 0 ? static_cast<std::uint8_t>(canvas.fixed[i])
                                          : matcher.nearest(canvas.pixels[i]);
    return indices;
}

} // namespace assets
