// Screenshots: what is on the screen, saved as an uncompressed 8-bit BMP with its palette (the
// layout the bitmap loader reads) under a name with the date and time, never over another file.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

// The folder screenshots go to; it is made when the first one is saved. None are saved until a
// folder is set.
void screenshot_folder(const char *folder);

// An uncompressed 8-bit BMP of width x height palette indices whose rows lie pitch bytes apart,
// with the 256 colours of the palette: the layout the bitmap loader reads.
std::vector<BYTE> bmp_8bit(const BYTE *pixels, int width, int height, int pitch,
                           const PALETTEENTRY *palette);

namespace platform {

// Inside the platform (the screenshot key): saves the screen and says on standard error where,
// or why it could not. Returns the file's name, empty when nothing was saved.
std::string save_screenshot();

} // namespace platform
