// Saving and putting back the race's state.
#include "game/additions/race_snapshot.h"

#include "game/race_state.h"

namespace {

// The counters in a fixed order, for both directions alike.
std::array<int *, 12> counters() {
    return {&player1_laps,          &player2_laps,          &player1_lap_timer,
            &player2_lap_timer,     &player1_bump_timer,    &player2_bump_timer,
            &player1_terrain_timer, &player2_terrain_timer, &player1_on_terrain,
            &player2_on_terrain,    &player1_moved,         &player2_moved};
}

} // namespace

void race_snapshot_save(RaceSnapshot &snapshot) {
    snapshot.kart1 = kart1;
    snapshot.kart2 = kart2;
    const auto fields = counters();
    for (std::size_t i = 0; i < fields.size(); ++i)
        snapshot.counters[i] = *fields[i];
    snapshot.fair_laps = fair_laps_progress();
}

void race_snapshot_restore(const RaceSnapshot &snapshot) {
    kart1 = snapshot.kart1;
    kart2 = snapshot.kart2;
    const auto fields = counters();
    for (std::size_t i = 0; i < fields.size(); ++i)
        *fields[i] = snapshot.counters[i];
    fair_laps_restore(snapshot.fair_laps);
}
