// The race game's records and counters, with their starting values.
#include "game/race_state.h"

BitmapFile load_bitmap;
BitmapImage track_image;
BitmapImage intro_image;
BitmapImage winner1_image;
BitmapImage winner2_image;

BOB kart1;
BOB kart2;
int kart1_animations[8][4] = {{0, 1, 0, 2},     {4, 5, 4, 6},     {8, 9, 8, 10},
                              {12, 13, 12, 14}, {16, 17, 16, 18}, {20, 21, 20, 22},
                              {24, 25, 24, 26}, {28, 29, 28, 30}};
int kart2_animations[8][4] = {{0, 1, 0, 2},     {4, 5, 4, 6},     {8, 9, 8, 10},
                              {12, 13, 12, 14}, {16, 17, 16, 18}, {20, 21, 20, 22},
                              {24, 25, 24, 26}, {28, 29, 28, 30}};

int boing_sound = 0;
int mud_sound = 0;
int turn_sound = 0;
int ice_sound = 0;
int engine_sound = 0;

int player1_laps = 0;
int player2_laps = 0;
int player1_lap_timer = 0;
int player2_lap_timer = 0;
// The first bump of either kart sounds at once; player 2's first terrain sound waits.
int player1_bump_timer = 59;
int player2_bump_timer = 59;
int player1_terrain_timer = 59;
int player2_terrain_timer = 0;
int player1_on_terrain = 0;
int player2_on_terrain = 0;
int player1_moved = 0;
int player2_moved = 0;
