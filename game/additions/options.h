// The command line: what a player may choose before the game starts. Without options the game is
// the one it always was: full screen, a random track, its data looked for in the usual places.
#pragma once

#include <cstdio>
#include <string>

#include <optional>

#include "game/additions/computer_driver.h"
#include "platform/presentation.h"

// as_settings: as the settings file says (full screen unless it says otherwise).
enum class StartMode { as_settings, fullscreen, window };
// A race recorded into a replay file, or a replay played back on the screen or as a timed demo.
enum class ReplayMode { none, record, play, timedemo };

struct Options {
    StartMode mode = StartMode::as_settings;     // --window, --fullscreen
    int track = -1;                              // --track N; -1: chosen at random
    std::string track_value;                     // --track NAME or PATH: a player's own track
    std::string check_track;                     // --check-track FILE: check it and exit
    std::string track_template;                  // --write-track-template FILE: write, exit
    std::string data_folder;                     // --data DIR; empty: looked for
    std::string config_file;                     // --config FILE; empty: the usual settings file
    bool computer[2] = {false, false};           // --computer 1|2; none: as the settings file says
    std::optional<ComputerLevel> computer_level; // --level; none: as the settings file says
    std::optional<PresentationPath> presentation; // --presentation; none: as the settings say
    // --record FILE, --play FILE, --timedemo FILE; the last of them counts.
    ReplayMode replay = ReplayMode::none;
    std::string replay_file;
    // --host [PORT], --join [HOST[:PORT]]: a network race; an empty port or host is the settings'.
    bool host = false;
    int host_port = 0; // 0: as the settings say
    bool join = false;
    std::string join_address;
    bool lockstep = false; // --lockstep: a network race waits for every key, whatever the settings
    bool unpaced = false;  // --unpaced: no screens and no 30 ms pace (tests and benchmarks)
    // --rollback-test K: a replay being played goes back K frames (1 to 8) after every frame and
    // races them again, each checked against its first run; 0: off.
    int rollback_test = 0;
};

enum class OptionsResult {
    run,        // start the game with the options
    exit_ok,    // --help or --version was answered
    exit_usage, // a bad option or value: the usage line went to standard error
};

// Reads argv[1..argc-1] into options. --help and --version write to out; a mistake is named on
// err with the usage line. "--name value" and "--name=value" are both accepted.
OptionsResult parse_options(int argc, const char *const *argv, Options &options, std::FILE *out,
                            std::FILE *err);
