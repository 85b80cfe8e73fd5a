// One frame of the race: redraw, read the keys, move and resolve both karts, draw, show, pace.
#pragma once

// 1 after an ordinary frame; 5 when a lap counter has reached 10 (that frame is not shown).
int race_frame();

// Draws every text a race frame can show once, off screen, so that the text layer has them all
// rendered before the race and no race frame allocates for a new lap count.
void race_prepare_texts();

#include "platform/types.h"

// The palette indices the race frame looks for in the track picture under a kart.
constexpr int wall_color = 29;
constexpr int finish_color = 0;
constexpr int turn_color = 42;
constexpr int mud_color = 24;

// The probe rectangle lies this far inside the kart's sprite on every side.
constexpr int probe_inset = 16;
// Karts touch when they are this close or closer on both axes.
constexpr int contact_distance = 32;
// A lap counts only when the player's lap timer exceeds this.
constexpr int player1_lap_limit = 150;
constexpr int player2_lap_limit = 250;

// 1 when some pixel of the rectangle (x1, y1)-(x2, y2), corners included and clamped to the
// 640 x 480 screen, has the palette index color; else 0.
int scan_color(int x1, int y1, int x2, int y2, int color, BYTE *buffer, int pitch);
