// What the game starts with, resolved once: the settings file, then the command line, then a
// replay to play (which holds the documented race on its own track), into one record that is put
// in effect in one call before the documented start-up.
#pragma once

#include <string>

#include "game/additions/net_race.h"
#include "game/additions/options.h"
#include "game/additions/settings.h"

struct StartUp {
    Settings settings; // keys, gamepads, volume, display, fair laps, drivers and level in effect
    int track = -1;    // 0 to 2; -1: drawn at random by set-up
    ReplayMode replay = ReplayMode::none;
    std::string replay_file;
    NetChoice net;         // a network race: hosting or joining
    bool unpaced = false;  // no screens, no 30 ms pace
    int rollback_test = 0; // frames a playback goes back after every frame; 0: none
};

// --unpaced: the race starts at once, runs without its 30 ms pace, and no screen follows it.
extern bool start_unpaced;

// The settings file to read: the one named by --config, else settings.ini in the configuration
// folder; empty when there is none to read.
std::string start_up_settings_file(const Options &options);

// The command line goes before the settings file: its display mode, presentation, drivers and
// level replace theirs when given. A replay being played (replay_track 0 to 2, replay_player_track
// for a player's track, loaded by player_tracks; -1 for none) races its own track with the
// fair-laps rule off and nobody but the replay at the wheel; one being recorded keeps the drivers
// but not the rule.
StartUp start_up_resolve(const Settings &settings, const Options &options, int replay_track);

// Starts the gamepads with the players' choices: each pad holds its player's race keys, Start
// stands for Enter and space, Back for Escape.
bool start_up_gamepads(const GamepadChoice choices[2], const char *mappings_file);

// Puts the record in effect: the bindings, gamepads, volume and display in the platform, the lap
// rule, drivers and track for the race, and the replay to record or play.
void start_up_apply(const StartUp &start_up);
