// The five sounds, as waves in [-1, 1] at sample_rate.
#pragma once

#include <vector>

namespace assets {

// The engine: one firing every 30 ms, a buzz whose every partial is a multiple of 100/3 Hz, so
// the wave repeats every 30 ms exactly. The race restarts the sound every 30 ms frame, and the
// restart reaches the mix at the sound device's next 5 ms update, so it cuts the wave 25, 30 or
// 35 ms after the last restart: each firing runs from 6.5 to 24 ms past its 30 ms mark and the
// wave is silent between, so that every such cut, and the restart itself, falls in silence.
std::vector<double> engine_wave();

// The bump: a spring that drops in pitch, wobbling as it goes, and dies away.
std::vector<double> boing_wave();

// Mud: a low wet squelch, noise through a resonant low-pass whose pitch slides up and down.
std::vector<double> mud_wave();

// The slippery patch: a tyre screech, a high wavering whistle over hiss.
std::vector<double> turn_wave();

// Ice: a dry crackle, sparse sharp clicks in a soft hiss.
std::vector<double> ice_wave();

} // namespace assets
