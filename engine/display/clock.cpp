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

// The unsigned difference stays right across a wrap of the tick count. The sleep ends at the very
// turn of the tick the wait ends on, so no reading loop is needed for the last millisecond; on the
// virtual clock it returns at once, so the wait reads the clock exactly as often as a busy wait
// would.
std::uint32_t clock_wait(std::uint32_t ms) {
    for (std::uint32_t passed; (passed = clock_now() - clock_start_tick) < ms;)
        Sleep(ms - passed);
    return clock_now();
}
