// The program's top, which only the executable's entry includes: the documented sequence and the
// command line in front of it.
#pragma once

#include "platform/window.h"

// The whole program; returns its exit code.
int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show);

// The command line, the data folder and the start-up's choices first, then WinMain: exits 0 after
// --help or --version, 2 on a bad option or replay and 1 when no folder holds the data, each
// before any window opens.
int program_main(int argc, char **argv, HINSTANCE instance);
