// Screen transitions: nine full-screen effects, run to their end before returning. Five fade or
// tint the palette; four erase the picture in locked 8-bit surface memory by columns, rows or
// random pixels. Every step is paced by the frame clock, 12 ms apart.
#pragma once

#include "platform/types.h"

constexpr int FADE_TO_BLACK = 0;
constexpr int FADE_TO_WHITE = 1;
constexpr int WIPE_COLUMNS = 2;
constexpr int WIPE_ROWS = 3;
constexpr int DISSOLVE_PIXELS = 4;
constexpr int WIPE_ROWS_AND_COLUMNS = 5;
constexpr int TINT_TO_BLUE = 6;
constexpr int TINT_TO_RED = 7;
constexpr int TINT_TO_GREEN = 8;

// The buffer and pitch (locked memory of a screen_width x screen_height surface) are used by the
// erasing kinds only; any other kind than the nine does nothing. The changed palette stays in
// force afterwards.
void screen_transition(int kind, BYTE *buffer, int pitch);
