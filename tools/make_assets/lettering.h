// Lettering: a 5 × 7 capital font drawn in blocks of `size` pixels. '<' '>' '^' 'v' are arrows.
#pragma once

#include <string>

#include "tools/make_assets/drawing.h"

namespace assets {

// Text with a dark outline one block wide and a drop shadow, filled with a vertical gradient.
void draw_text(Canvas &canvas, const std::string &text, int x, int y, int size, Color top,
               Color bottom, Color outline);

void draw_text_centred(Canvas &canvas, const std::string &text, int cx, int y, int size, Color top,
                       Color bottom, Color outline);

// A key cap seen from above with its label.
void draw_key(Canvas &canvas, int x, int y, int w, int h, const std::string &label);

void draw_checker_band(Canvas &canvas, int y0, int y1, int square, int shift);

} // namespace assets
