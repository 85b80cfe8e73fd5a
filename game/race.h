// One frame of the race: redraw, read the keys, move and resolve both karts, draw, show, pace.
#pragma once

// 1 after an ordinary frame; 5 when a lap counter has reached 10 (that frame is not shown).
int race_frame();

// Draws every text a race frame can show once, off screen, so that the text layer has them all
// rendered before the race and no race frame allocates for a new lap count.
void race_prepare_texts();

#include "platform/types.h"

// 1 when some pixel of the rectangle (x1, y1)-(x2, y2), corners included and clamped to the
// 640 x 480 screen, has the palette index color; else 0.
int scan_color(int x1, int y1, int x2, int y2, int color, BYTE *buffer, int pitch);
