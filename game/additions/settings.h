// The settings file: the players' keys and gamepads, the pause and screenshot keys, the sound's
// volume, the display mode, scaling and presentation, the fair-laps rule, and who drives each kart and how well
// the computer drives. It is read before the documented
// start-up; a missing file is written once with the defaults (which are the documented game) and
// a file that exists is never written. The start-up (start_up.h) puts them in effect.
#pragma once

#include <cstdio>
#include <string>

#include "game/additions/computer_driver.h"
#include "platform/additions/gamepads.h"
#include "platform/presentation.h"

// The keys of a player, by their place in Settings::player_keys.
enum PlayerKey { key_left, key_right, key_up, key_down, key_turbo, player_key_count };
// The documented DirectInput key code that a player's key stands for (race.h); by default the
// key of that code is bound to it.
int race_key(int player, PlayerKey key);

struct Settings {
    int player_keys[2][player_key_count]; // SDL scancodes
    GamepadChoice gamepads[2];
    int pause_key;
    int screenshot_key;
    int volume = 100; // 0 to 100
    bool fullscreen = true;
    bool integer_scaling = false; // false: the largest 4:3 picture that fits
    PresentationPath presentation = PresentationPath::automatic;
    bool fair_laps = false;
    bool computer[2] = {false, false}; // driver = computer, per player
    ComputerLevel computer_level = ComputerLevel::normal;
    bool random_tracks_all = false; // the random track may be one of the player's own
    int network_port = 28420;     // the port a network race hosts on, and joins when none is named
    std::string network_host;     // the host --join calls when it names none
    bool network_rollback = true; // run ahead on a guess of the other's keys; false: lockstep
    int network_rollback_delay = 0; // frames more before a kart answers its own keys, 0 to 2

    Settings(); // the defaults
};

// Reads the text of a settings file over settings. A line it cannot use is named on err with the
// file's name and its line number, once, and ignored; the other lines still count.
void settings_parse(const std::string &text, const std::string &file_name, Settings &settings,
                    std::FILE *err);

// Reads the file into settings; when it does not exist, writes the commented defaults there (its
// folder made first) and leaves settings alone. Problems go to err; the game runs on regardless.
void settings_load(const std::string &file_name, Settings &settings, std::FILE *err);
