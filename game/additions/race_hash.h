// A 64-bit hash of what decides a race: both karts' places, sequences and frames, the six race
// timers, lap counts, terrain and moved flags. Each field goes in as a fixed-width little-endian
// integer through FNV-1a 64, so two machines that ran the same race agree on it whatever their
// compiler, fonts or drawing. The network race compares it every frame.
#pragma once

#include <cstdint>

// The hash of the race's globals as they are now.
std::uint64_t race_state_hash();
