// The frame clock over the platform's millisecond tick count.
#include "engine/display/clock.h"

#include "platform/window.h"

namespace {

// The wait sleeps until this many milliseconds are left and reads the clock for the rest. Measured
// on a shared 2-core machine: a sleep ends 0.1 ms late at the median (its rare long delays are the
// scheduler's, which a reading loop suffers as well); sleeping to the end made the median frame
// 30.4 ms, leaving 1 ms to reading made it 30.0 ms at 4.5 % of a core for the whole race, and 2 or
// 4 ms only cost more (6 and 9 %).
constexpr std::uint32_t final_reading_ms = 1;

} // namespace

std::uint32_t clock_start_tick = 0;

std::uint32_t clock_now() {
    return GetTickCount();
}

std::uint32_t clock_start() {
    clock_start_tick = clock_now();
    return clock_start_tick;
}

// The unsigned difference stays right across a wrap of the tick count. On the virtual clock the
// sleep returns at once, so the wait reads the clock exactly as often as a busy wait would.
std::uint32_t clock_wait(std::uint32_t ms) {
    for (std::uint32_t passed; (passed = clock_now() - clock_start_tick) < ms;) {
        const std::uint32_t left = ms - passed;
        if (left > final_reading_ms)
            Sleep(left - final_reading_ms);
    }
    return clock_now();
}
