// The desktop icon: the two karts racing up-right through the intro's dust whirl on a rounded
// square of its night sky, with a chequered strip.
#pragma once

#include <filesystem>

namespace assets {

bool write_icon(const std::filesystem::path &path);

} // namespace assets
