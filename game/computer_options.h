// The command-line options that seat the computer: --computer 1|2 (either kart, or both for a
// race of the computer against itself) and --level easy|normal|hard.
#pragma once

// Reads the options into computer_drives and computer_level, passing over every other argument.
// 0 (after saying what is wrong on standard error) for a missing or impossible value.
int computer_options_read(int argc, char **argv);
