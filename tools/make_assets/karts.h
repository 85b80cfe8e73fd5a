// Karts: a top-down kart drawn on a pixel grid in its own frame (u forward, v to its right),
// sampled nearest-neighbour at each of the eight headings.
#pragma once

#include <filesystem>

#include "tools/make_assets/drawing.h"
#include "tools/make_assets/palette.h"

namespace assets {

constexpr int kart_width = 56;
constexpr int kart_height = 72;

// Draws the kart at a heading into a canvas, with its centre at (cx, cy) and each kart pixel
// `zoom` canvas pixels across, inside the clip rectangle only. With `transparent_index` of 0 or
// more, the clip rectangle's other pixels get that index.
void draw_kart(Canvas &canvas, double cx, double cy, int heading, int frame, int player,
               double zoom, const Rect &clip, int transparent_index);

// A car file: the kart of a player at one heading, its three frames in cells of 56 × 72.
bool write_car_file(const std::filesystem::path &path, int player, int heading,
                    const Palette &palette);

} // namespace assets
