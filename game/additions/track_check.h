// Whether a track picture races, and if not why: the start places, the finish line, a lap that
// counts, its length against player 2's lap window, places where the computer would be lost, and
// colours that look like wall or line without being so. Each problem is one line with its place.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "game/additions/track_sight.h"
#include "platform/types.h"

struct TrackProblem {
    std::string text;
    bool warning; // the track still races
};

struct TrackCheck {
    std::vector<TrackProblem> problems; // errors and warnings in the order found
    int plain_lap_frames = 0;           // the fastest lap at the plain speed; 0 when none
    bool has_checkpoint = false;        // a place every lap passes, for the fair-laps rule
    int checkpoint_x = 0, checkpoint_y = 0;

    bool races() const;
    // The first problem that is not a warning; empty when the track races.
    std::string first_reason() const;
};

// A track picture as read from a file: 640 x 480 palette indices, rows top-down, and its palette.
struct TrackPicture {
    std::vector<BYTE> pixels;
    PALETTEENTRY palette[256];
};

// Reads an 8-bit 640 x 480 BMP through the library's loader. False with the reason ("not found",
// "a 24-bit picture; ...", "320 x 200 pixels; ...") when it is not one.
bool track_picture_read(const char *path, TrackPicture &picture, std::string &why);

// Checks the picture as the race reads it. shown is the palette the race puts in effect (the
// game's own), which decides what the eye takes for wall or line; sight is built here and kept
// for the caller.
TrackCheck track_check(const BYTE *pixels, const PALETTEENTRY palette[256],
                       const PALETTEENTRY shown[256], TrackSight &sight);

// --check-track: reads and checks the file, and prints every problem, then on success the lap
// figures. Returns the program's exit code: 0 when it races, 1 when it does not.
int track_check_file(const char *path, const PALETTEENTRY shown[256], std::FILE *out);
