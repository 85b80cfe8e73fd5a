// A track to start drawing from: the smallest closed circuit that races, with the karts' start
// places and their probe rectangles marked, in the game's palette; and that palette as a GIMP
// palette file beside it, so a paint program offers exactly the game's colours.
#pragma once

#include <string>

#include "platform/types.h"

// Writes FILE and, beside it, the palette (FILE's name with .gpl in place of .bmp). False with
// a one-line reason.
bool track_template_write(const std::string &file, const PALETTEENTRY palette[256],
                          std::string &error);
// The palette file's name beside the template.
std::string track_template_palette_file(const std::string &file);
