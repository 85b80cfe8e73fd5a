// What a driver reads from a track picture: where a kart may stand (its probe rectangle clear of
// walls), where it touches the finish line or terrain, and how long it takes from each place to
// complete the lap. Places are the karts' top-left corners whose probe lies on the screen.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types.h"

// Times are counted in 1/420 of a frame, so that a pixel at every speed is a whole number.
constexpr int sight_frame = 420;

// The time from every place to the end of the lap, and a whole lap's time from where a kart
// reaches the line.
struct LapTimes {
    std::vector<std::int32_t> left;
    std::int32_t lap = 0;
};

struct TrackSight {
    static constexpr int left = -16, top = -16; // the first place on each axis
    static constexpr int width = 616, height = 440;
    static constexpr std::int32_t unreachable = 1 << 29;

    std::vector<std::uint8_t> flags; // per place: clear, on the finish line, on terrain
    LapTimes plain;                  // at the plain speed everywhere
    LapTimes racing;                 // taking terrain's speed into account

    bool inside(int x, int y) const {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
    int index(int x, int y) const { return (y - top) * width + (x - left); }
    // Nothing of the place is a wall (and it lies on the screen).
    bool clear(int x, int y) const { return inside(x, y) && (flags[index(x, y)] & 1) != 0; }
    bool on_finish(int x, int y) const { return inside(x, y) && (flags[index(x, y)] & 2) != 0; }
    bool on_terrain(int x, int y) const { return inside(x, y) && (flags[index(x, y)] & 4) != 0; }
    // Time left in the lap at a place; unreachable for one that is not clear.
    std::int32_t time_at(const LapTimes &times, int x, int y) const {
        return clear(x, y) ? times.left[index(x, y)] : unreachable;
    }
};

// Reads a 640 x 480 picture of palette indices, one row after another.
void track_sight_build(TrackSight *sight, const BYTE *pixels);
// Times every place from the flags alone, at the plain speed or taking terrain's into account;
// for flags changed after the build (a place closed to test whether a lap can avoid it).
void track_sight_time(const TrackSight &sight, LapTimes &lap_times, bool use_terrain);
