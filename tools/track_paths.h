// The racing line of each track picture, as kart positions (top-left corners of the 56 × 72
// sprites), and the automatic driver that follows it. The asset generator lays each road along
// this line (the probe centre, 28 and 36 pixels into the sprite, runs down the middle of the
// road), so the pictures and the paths cannot disagree. The race tests use the driver to play
// whole races without a person at the keys.
#pragma once

#include <cstdlib>
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

// The keys the driver holds to head from a kart position toward a waypoint: -1, 0 or +1 on each
// axis (x: left, right; y: up, down). It picks the nearest of the eight directions (the octant
// borders at slopes 0.4 and 2.5), so a slanted leg is driven as a mix of straight and diagonal
// moves that stays close to the line.
struct DriverKeys {
    int x;
    int y;
};

inline DriverKeys track_driver_keys(int kart_x, int kart_y, TrackPoint target) {
    const int dx = target.x - kart_x;
    const int dy = target.y - kart_y;
    const int ax = std::abs(dx);
    const int ay = std::abs(dy);
    DriverKeys keys{0, 0};
    if (ax > 2 && 5 * ax > 2 * ay)
        keys.x = dx > 0 ? 1 : -1;
    if (ay > 2 && 5 * ay > 2 * ax)
        keys.y = dy > 0 ? 1 : -1;
    return keys;
}

// A waypoint counts as reached within 8 pixels on both axes, less than the largest step (10),
// so the driver never circles a point it keeps stepping over.
inline bool track_waypoint_reached(int kart_x, int kart_y, TrackPoint target) {
    return std::abs(target.x - kart_x) <= 8 && std::abs(target.y - kart_y) <= 8;
}
