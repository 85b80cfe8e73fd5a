// The palettes, and matching a painted canvas to one. In the track pictures four indices mean
// something to the race (0 finish line, 24 mud, 29 wall, 42 the slippery "turn" terrain): they
// are never chosen by colour matching, only written where they mean that.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/make_assets/drawing.h"

namespace assets {

constexpr int finish_index = 0;
constexpr int mud_index = 24;
constexpr int wall_index = 29;
constexpr int ice_index = 42;

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

// The palette of the intro, the title, the race, the tracks and the karts.
Palette game_palette();

// The sky of a winner picture, from its dark edges to its bright middle, and its 48 palette
// entries: warm for player 1, cool for player 2.
Ramp winner_sky(int player);

// The winner pictures bring palettes of their own, in the winner's colours.
Palette winner_palette(int player);

// The canvas as palette indices: its fixed indices as they are, every other pixel the nearest
// colour (leaving out the reserved entries when `avoid_reserved`).
std::vector<std::uint8_t> to_indices(const Canvas &canvas, const Palette &palette,
                                     bool avoid_reserved);

} // namespace assets
