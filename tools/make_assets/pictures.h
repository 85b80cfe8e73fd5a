// The full-screen pictures: the intro and the two winner pictures.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/make_assets/drawing.h"
#include "tools/make_assets/palette.h"

namespace assets {

// A swirl of dust: puffs along a spiral, fading outward.
void paint_whirl(Canvas &canvas, double cx, double cy, Color dust, Rng &rng);

std::vector<std::uint8_t> paint_intro(const Palette &palette);

std::vector<std::uint8_t> paint_winner(int player, const Palette &palette);

} // namespace assets
