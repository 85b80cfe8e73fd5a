// The settings file: the players' keys and gamepads, the pause and screenshot keys, the sound's
// volume, the display mode and scaling, and the fair-laps rule. It is read before the documented
// start-up; a missing file is written once with the defaults (which are the documented game) and
// a file that exists is never written.
#pragma once

#include <cstdio>
#include <string>

#include "platform/gamepads.h"

// The keys of a player, by their place in Settings::player_keys.
enum PlayerKey { key_left, key_right, key_up, key_down, key_turbo, player_key_count };

struct Settings {
    int player_keys[2][player_key_count]; // SDL scancodes
    GamepadChoice gamepads[2];
    int pause_key;
    int screenshot_key;
    int volume = 100; // 0 to 100
    bool fullscreen = true;
    bool integer_scaling = false; // false: the largest 4:3 picture that fits
    bool fair_laps = false;

    Settings(); // the defaults
};

// The user's configuration folder: $XDG_CONFIG_HOME/dirtwhirl, else ~/.config/dirtwhirl; empty
// when neither variable names a folder.
std::string config_folder();

// Reads the text of a settings file over settings. A line it cannot use is named on err with the
// file's name and its line number, once, and ignored; the other lines still count.
void settings_parse(const std::string &text, const std::string &file_name, Settings &settings,
                    std::FILE *err);

// Reads the file into settings; when it does not exist, writes the commented defaults there (its
// folder made first) and leaves settings alone. Problems go to err; the game runs on regardless.
void settings_load(const std::string &file_name, Settings &settings, std::FILE *err);

// Hands the settings to the platform (bindings, gamepads, volume, display) and the race (fair
// laps); screenshots go to $XDG_PICTURES_DIR/dirtwhirl, else the configuration folder.
void settings_apply(const Settings &settings);

// The start-up's one call: the file named by --config (when option_file is not empty) or the
// one in the configuration folder, loaded and applied.
void settings_start(const std::string &option_file);
