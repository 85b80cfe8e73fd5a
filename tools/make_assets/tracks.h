// The three track pictures: each road laid along its racing line, with walls, kerbs, terrain
// patches, the finish line and scenery.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/make_assets/palette.h"

namespace assets {

// Track `number` (0 to 2) as palette indices, screen_w × screen_h.
std::vector<std::uint8_t> paint_track(int number, const Palette &palette);

} // namespace assets
