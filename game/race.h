// One frame of the race: redraw, read the keys, move and resolve both karts, draw, show, pace.
#pragma once

// 1 after an ordinary frame; 5 when a lap counter has reached 10 (that frame is not shown).
int race_frame();

// Draws every text a race frame can show once, off screen, so that the text layer has them all
// rendered before the race and no race frame allocates for a new lap count.
void race_prepare_texts();

#include "platform/input.h"
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

// The keys the race reads for each player, by DirectInput key code: player 1 the arrows and N,
// player 2 W A S D and B.
struct RaceKeys {
    BYTE left, right, up, down, turbo;
};
constexpr RaceKeys race_keys[2] = {{DIK_LEFT, DIK_RIGHT, DIK_UP, DIK_DOWN, DIK_N},
                                   {DIK_A, DIK_D, DIK_W, DIK_S, DIK_B}};

// Pixels a kart moves in a frame on each axis it steers along: plain, with its turbo key, and on
// terrain (while no turbo key is held), straight and diagonally.
struct Steps {
    int step;
    int diagonal_step;
};
constexpr Steps plain_steps{5, 4};
constexpr Steps turbo_steps{10, 5};
constexpr Steps terrain_steps{7, 7};

// A lap rule in place of the documented one (the fair-laps setting): after each resolved move it
// sees the kart's top-left corner, it decides whether a lap on the finish line counts, and it is
// told when one did. Null: the documented rule, the lap timer above the player's limit.
struct LapRule {
    void (*note)(int player, int kart_x, int kart_y); // player 0 or 1
    bool (*due)(int player, int lap_timer);
    void (*counted)(int player);
};
extern const LapRule *race_lap_rule;

// 1 when some pixel of the rectangle (x1, y1)-(x2, y2), corners included and clamped to the
// 640 x 480 screen, has the palette index color; else 0.
int scan_color(int x1, int y1, int x2, int y2, int color, BYTE *buffer, int pitch);
