// Set-up and tear-down of everything the race needs: the display, the keyboard, the track and
// intro pictures, the two karts, the sounds and the back buffer's clipper.
#pragma once

#include "engine/display/bitmap.h"

// The track of the race, 0 to 2: chosen at random by game_init while it is -1 (at program start),
// else the one game_init loads.
extern int race_track;

// 1 when all is built; 0 (after saying what failed on standard error) otherwise.
int game_init();
int game_shutdown();

// Loads a 640 x 480 picture through load_bitmap into image and puts its palette in effect;
// 0 when the file is missing or unreadable.
int load_full_screen_picture(const char *file_name, BitmapImage *image);
