// The computer's lap times on a track, found by racing it: the track raced headless (no window is
// shown, no sound device opened), as fast as the machine can, with the computer at both wheels,
// once at each level.
#pragma once

#include <cstdio>
#include <string>

#include "platform/window.h"

struct TrackTrial {
    // Player 1's fastest lap in frames at easy, normal and hard, of the laps between its first
    // and its fourth counted lap; 0 when it counted too few within the frames allowed.
    int lap_frames[3] = {0, 0, 0};
};

// Races the picture at path; false with why when the game cannot be set up on it.
bool track_trial(HINSTANCE instance, const std::string &path, TrackTrial &trial, std::string &why);
// --check-track, once the track races: the trial's laps in one line on out ("PATH: the
// computer's fastest lap: easy N frames (S s), ..."); the program's exit code, 0, or 1 after
// saying on standard error why the game could not be set up.
int track_trial_print(HINSTANCE instance, const std::string &path, std::FILE *out);
