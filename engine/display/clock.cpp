// The frame clock over the platform's millisecond tick count.
#include "engine/display/clock.h"

#include "platform/window.h"

std::uint32_t clock_start_tick = 0;

std::uint32_t clock_now() {
    return GetTickCount();
}

std::uint32_t clock_start() {
    clock_start_tick = clock_now();
    return clock_start_tick;
}

// A busy wait: the unsigned difference stays right across a wrap of the tick count.
std::uint32_t clock_wait(std::uint32_t ms) {
    while (clock_now() - clock_start_tick < ms) {
    }
    return clock_now();
}
