// The fair-laps rule: one checkpoint per track and a flag per player.
#include "game/additions/fair_laps.h"

#include <cstdlib>

#include "game/race.h"

namespace {

constexpr int lap_window = player1_lap_limit; // player 1's documented limit, for both players

// A point of each track's racing line (a kart's top-left corner on the middle of the road) on its
// bottom straight, the far side from the finish line on the top straight. A kart is at the
// checkpoint within 60 pixels of it on both axes: wider than the road there, and longer along it
// than the largest step (10), so no kart slips past between two frames.
struct Checkpoint {
    int x, y;
};
constexpr Checkpoint checkpoints[3] = {{320, 382}, {367, 382}, {365, 382}};

bool enabled = false;
Checkpoint checkpoint = checkpoints[0];
bool passed[2] = {false, false};

const LapRule fair_rule{fair_laps_note, fair_lap_due, fair_lap_counted};

} // namespace

void fair_laps_enable(bool on) {
    enabled = on;
    race_lap_rule = on ? &fair_rule : nullptr;
}

bool fair_laps_enabled() {
    return enabled;
}

void fair_laps_track(int track_index) {
    if (track_index >= 0 && track_index < 3)
        checkpoint = checkpoints[track_index];
}

void fair_laps_checkpoint(int x, int y) {
    checkpoint = {x, y};
}

void fair_laps_note(int player, int kart_x, int kart_y) {
    if (enabled && std::abs(kart_x - checkpoint.x) <= fair_laps_checkpoint_reach &&
        std::abs(kart_y - checkpoint.y) <= fair_laps_checkpoint_reach)
        passed[player] = true;
}

bool fair_lap_due(int player, int lap_timer) {
    return passed[player] && lap_timer > lap_window;
}

void fair_lap_counted(int player) {
    passed[player] = false;
}

FairLapsProgress fair_laps_progress() {
    return FairLapsProgress{{passed[0], passed[1]}};
}

void fair_laps_restore(const FairLapsProgress &progress) {
    passed[0] = progress.passed[0];
    passed[1] = progress.passed[1];
}
