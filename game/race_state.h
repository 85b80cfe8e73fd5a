// The race game's records and counters: the pictures, the two karts and their animation
// sequences, the sounds, and the six race timers, lap counts, terrain and moved flags that set-up
// and the race frame fill and use.
#pragma once

#include "engine/display/bitmap.h"
#include "engine/display/bob.h"

extern BitmapFile load_bitmap;
extern BitmapImage track_image;
extern BitmapImage intro_image;
extern BitmapImage winner1_image;
extern BitmapImage winner2_image;

extern BOB kart1;
extern BOB kart2;
// Eight sequences of four frames: sequence i is 4i, 4i + 1, 4i, 4i + 2.
extern int kart1_animations[8][4];
extern int kart2_animations[8][4];

extern int boing_sound;
extern int mud_sound;
extern int turn_sound;
extern int ice_sound;
extern int engine_sound;

extern int player1_laps;
extern int player2_laps;
extern int player1_lap_timer;
extern int player2_lap_timer;
extern int player1_bump_timer;
extern int player2_bump_timer;
extern int player1_terrain_timer;
extern int player2_terrain_timer;
extern int player1_on_terrain;
extern int player2_on_terrain;
extern int player1_moved;
extern int player2_moved;
