// The state that decides a race, saved whole before a frame and put back to race frames again:
// both karts' records, the six race timers, lap counts, terrain and moved flags, and the fair-laps
// rule's progress. Everything else a frame reads is either fixed for the race (the track, the
// karts' pictures and sequences) or filled anew by the frame itself (the keys it reads, the move
// it resolves), so these decide the next frame wholly.
#pragma once

#include <array>
#include <cstdint>

#include "engine/display/bob.h"
#include "game/additions/fair_laps.h"

struct RaceSnapshot {
    BOB kart1;
    BOB kart2;
    std::array<int, 12> counters;
    FairLapsProgress fair_laps;
};

void race_snapshot_save(RaceSnapshot &snapshot);
void race_snapshot_restore(const RaceSnapshot &snapshot);

// The snapshots before each of the last frames, by frame number: a frame can be gone back to
// while it is one of the last `kept`.
template <int kept> struct RaceSnapshots {
    std::array<RaceSnapshot, kept> before{};
    RaceSnapshot &of(std::size_t frame) { return before[frame % kept]; }
};
