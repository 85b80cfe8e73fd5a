// The player's own tracks: .bmp pictures in the tracks folder of the user's data folder, named
// after their files. Finding the one a --track value or a replay names, drawing one at random,
// and reading and checking it before set-up loads it like a built-in track.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "game/additions/options.h"
#include "game/additions/settings.h"
#include "game/additions/track_check.h"

struct PlayerTrack {
    std::string name; // the file's name without .bmp; empty: a built-in track is raced
    std::string path;
    std::uint64_t hash = 0; // track_hash of its picture
    bool has_checkpoint = false;
    int checkpoint_x = 0, checkpoint_y = 0;
};

// The player's track being raced (an empty name when none).
extern PlayerTrack player_track;

// $XDG_DATA_HOME/dirtwhirl/tracks or ~/.local/share/dirtwhirl/tracks; empty when there is none.
std::string tracks_folder();
// 1 to 64 letters, digits, '-', '_', '.' and spaces: what a replay can name.
bool track_name_valid(const std::string &name);
// FNV-1a, 64 bits, of the 640 x 480 palette indices and then the 256 palette red, green, blue.
std::uint64_t track_hash(const BYTE *pixels, const PALETTEENTRY palette[256]);
// The names of the .bmp files in the folder, sorted; none when it does not exist.
std::vector<std::string> player_track_names(const std::string &folder);

// A --track value other than 0 to 2: a name in the folder (without .bmp), or a path to a picture
// (holding a '/' or ending in .bmp). False with a one-line reason when there is no such track.
bool player_track_find(const std::string &value, const std::string &folder, PlayerTrack &track,
                       std::string &error);
// Reads and checks the track's picture, its hash and checkpoint into track; false with the
// checker's first reason, "PATH: does not race: ...". Warnings go to err.
bool player_track_load(PlayerTrack &track, const PALETTEENTRY shown[256], std::string &error,
                       std::FILE *err);
// The palette the race shows, the intro picture's, from the data folder.
bool game_palette_read(PALETTEENTRY shown[256], std::string &error);

// Before the start-up's resolution: the track a replay to play names (found by name and hash),
// else the one --track names, else, with random_tracks = all, one drawn from the built-in and
// own tracks. Exit code 0 to go on; else 1 (a track that does not race) or 2 (none such, or a
// network race on a player's track) after one line on standard error.
struct TrackChoice {
    int built_in = -1; // a built-in track drawn at random
    PlayerTrack player;
};
int player_track_choose(const Options &options, const Settings &settings, TrackChoice &choice);
// After the start-up's application: the drawn built-in track or the player's track in effect,
// and the fair-laps checkpoint (or the rule off, with a note, when the track has none).
void player_track_apply(const TrackChoice &choice);
