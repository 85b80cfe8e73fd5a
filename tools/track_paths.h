// The racing line of each track picture, as kart positions (top-left corners of the 56 × 72
// sprites). The asset generator lays each road along this line (the probe centre, 28 and 36
// pixels into the sprite, runs down the middle of the road), so the pictures and the paths cannot
// disagree.
#pragma once

#include <iterator>

struct TrackPoint {
    int x;
    int y;
};

struct TrackPath {
    const TrackPoint *points;
    int count;
};

constexpr int track_count = 3;

// Offset from a kart's top-left corner to the centre of its probe rectangle.
constexpr int track_probe_centre_x = 28;
constexpr int track_probe_centre_y = 36;

// Every path starts on the top straight just ahead of the start grid and runs clockwise, so
// the last leg crosses the finish line (columns 240 to 249) from the left.
inline constexpr TrackPoint track0_points[] = {
    {302, 49},  {547, 49},  {547, 240}, {428, 240}, {428, 382},
    {212, 382}, {147, 314}, {37, 314},  {37, 49},
};
inline constexpr TrackPoint track1_points[] = {
    {302, 49},  {472, 49},  {547, 114}, {547, 240}, {428, 240}, {428, 382},
    {307, 382}, {307, 274}, {157, 274}, {157, 382}, {37, 382},  {37, 49},
};
inline constexpr TrackPoint track2_points[] = {
    {302, 49},  {492, 49},  {550, 107}, {550, 204}, {428, 254}, {428, 382}, {302, 382},
    {262, 270}, {177, 270}, {137, 382}, {102, 382}, {37, 317},  {37, 118},  {106, 49},
};

inline constexpr TrackPath track_paths[track_count] = {
    {track0_points, static_cast<int>(std::size(track0_points))},
    {track1_points, static_cast<int>(std::size(track1_points))},
    {track2_points, static_cast<int>(std::size(track2_points))},
};
