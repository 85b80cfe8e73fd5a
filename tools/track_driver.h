// An automatic player for the race tests, the benchmarks and anything else that plays without a
// person: it holds one kart's keys, pushed through the platform's key seam like real key
// presses, toward the next waypoint of a track's racing line.
#pragma once

#include "engine/display/bob.h"
#include "platform/testing.h"
#include "tools/track_paths.h"

// Keys as testing_key takes them: SDL scancodes, which are the USB keyboard usage numbers.
namespace track_keys {
constexpr int a = 4, b = 5, d = 7, n = 17, s = 22, w = 26;
constexpr int right = 79, left = 80, down = 81, up = 82;
} // namespace track_keys

struct TrackDriver {
    BOB *kart;
    int left, right, up, down;
    int next = 0; // the next waypoint
    DriverKeys held{0, 0};

    // The keys for the next frame: toward the next waypoint, or none while waiting.
    void steer(const TrackPath &path, bool wait = false) {
        if (track_waypoint_reached(kart->x, kart->y, path.points[next]))
            next = (next + 1) % path.count;
        const DriverKeys keys =
            wait ? DriverKeys{0, 0} : track_driver_keys(kart->x, kart->y, path.points[next]);
        if (keys.x != held.x) {
            testing_key(left, keys.x < 0);
            testing_key(right, keys.x > 0);
        }
        if (keys.y != held.y) {
            testing_key(up, keys.y < 0);
            testing_key(down, keys.y > 0);
        }
        held = keys;
    }

    void release_keys() {
        for (int key : {left, right, up, down})
            testing_key(key, false);
        held = DriverKeys{0, 0};
    }
};

// The drivers of the two karts, with the players' keys.
inline TrackDriver player1_driver(BOB *kart) {
    return TrackDriver{kart, track_keys::left, track_keys::right, track_keys::up, track_keys::down};
}
inline TrackDriver player2_driver(BOB *kart) {
    return TrackDriver{kart, track_keys::a, track_keys::d, track_keys::w, track_keys::s};
}
