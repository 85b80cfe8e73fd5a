// The game's window: its class WINXCLASS with the window procedure, and the 64 x 48 borderless
// pop-up titled "Dirtwhirl v1.0" that the display takes over.
#pragma once

#include <string>

#include "platform/window.h"

// The destroy message becomes the quit message, which ends the race loop.
LRESULT window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Registers WINXCLASS and creates the game's window as the entry point does, and sets
// main_window and main_instance. Null when either fails; why then says which, in words.
HWND open_game_window(HINSTANCE instance, std::string *why);
