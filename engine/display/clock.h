// The frame clock: remembers when a frame began and waits until a number of milliseconds
// have passed since then. Differences are unsigned 32-bit, so a wrap of the tick count is fine.
#pragma once

#include <cstdint>

extern std::uint32_t clock_start_tick;

std::uint32_t clock_now();
std::uint32_t clock_start();
std::uint32_t clock_wait(std::uint32_t ms);
