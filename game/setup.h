// Set-up and tear-down of everything the race needs: the display, the keyboard, the track and
// intro pictures, the two karts, the sounds and the back buffer's clipper.
#pragma once

#include <string>

#include "engine/display/bitmap.h"

// The size of a kart's sprite.
constexpr int kart_width = 56;
constexpr int kart_height = 72;
// Where the karts stand when the race starts (their sprites' top-left corners), just right of the
// finish line of the built-in tracks.
constexpr int kart1_start_x = 235, kart1_start_y = 70;
constexpr int kart2_start_x = 235, kart2_start_y = 23;

// Chosen before set-up, from the command line: the folder the data files are read from (empty:
// the working directory, with the plain relative names) and the track (-1: one at random).
extern std::string data_folder;
extern int chosen_track;
// A track picture to race on in place of the built-in ones (a player's own); empty: none.
extern std::string chosen_track_file;
// The built-in track game_init loaded, 0 to 2; -1 before, or when it loaded chosen_track_file.
extern int race_track;

// A data file's name as the loaders get it, such as "images/intro.bmp" inside data_folder.
std::string data_file(const char *name);

// 1 when all is built; 0 (after saying what failed, and for a file its full name and why, on
// standard error) otherwise.
int game_init();
int game_shutdown();

// Loads a 640 x 480 picture through load_bitmap into image and puts its palette in effect;
// 0 when the file is missing or unreadable.
int load_full_screen_picture(const char *file_name, BitmapImage *image);
