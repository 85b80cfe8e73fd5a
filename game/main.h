// The program's skeleton: the window, the screen sequence (intro, title, race, winner) and the
// race game's globals that set-up and the race frame fill and use.
#pragma once

#include <string>

#include "engine/display/bitmap.h"
#include "engine/display/bob.h"
#include "platform/window.h"

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

LRESULT window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Until Enter (the drivers chosen at start-up) or C (the computer in kart 2); resets the laps.
int intro_screen();
int title_screen();
int winner1_screen();
int winner2_screen();
// The winner picture of the player with more laps (player 2's when they are equal), until Q.
int winner_screen_for_laps();

// The race loop: one message, the computer drivers' keys and one race frame per pass (neither
// while paused). Returns the exit code: the quit message's parameter, or 0 after a won race. A
// watcher (a replay) is called after every race frame with its result; when it returns false the
// race ends there, with 0.
int race_loop(bool (*after_frame)(int frame_result) = nullptr);

// Registers WINXCLASS and creates the game's window (64 x 48, borderless, "Dirtwhirl v1.0") as
// the entry point does, and sets main_window and main_instance. Null when either fails; why then
// says which, in words.
HWND open_game_window(HINSTANCE instance, std::string *why);

// The whole program; returns its exit code.
int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show);

// The command line and the data folder first, then WinMain: exits 0 after --help or --version,
// 2 on a bad option and 1 when no folder holds the data, each before any window opens.
int program_main(int argc, char **argv, HINSTANCE instance);
