// The optional fair-laps rule (off unless the settings turn it on): a lap counts only when the
// kart has also passed its track's checkpoint, on the far side of the track, since its last
// counted lap, so wiggling across the finish line gains nothing; and both players count laps with
// the same window, player 1's 150 frames, so player 2's fast laps count too.
#pragma once

// Turns the rule on or off for the race (off at start).
void fair_laps_enable(bool on);
bool fair_laps_enabled();
// The track of this race (0 to 2), whose checkpoint counts.
void fair_laps_track(int track_index);
// A kart is at the checkpoint within this many pixels of it on both axes.
constexpr int fair_laps_checkpoint_reach = 60;

// A player's track: the checkpoint the track checker found (a kart's top-left corner).
void fair_laps_checkpoint(int x, int y);

// After a player's move (0 player 1, 1 player 2), with the kart's top-left corner: notes the
// checkpoint when the kart is at it. Nothing while the rule is off.
void fair_laps_note(int player, int kart_x, int kart_y);
// Under the rule, whether the player's lap counts now: the lap timer above 150 and the checkpoint
// passed since the last counted lap.
bool fair_lap_due(int player, int lap_timer);
// The player's lap counted: the checkpoint is to be passed again.
void fair_lap_counted(int player);

// Which players have passed the checkpoint since their last counted lap: part of the race's state
// when a race is gone back over.
struct FairLapsProgress {
    bool passed[2];
};
FairLapsProgress fair_laps_progress();
void fair_laps_restore(const FairLapsProgress &progress);
