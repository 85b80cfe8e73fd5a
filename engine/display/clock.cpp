// The frame clock over the platform's millisecond tick count.
#include "engine/display/clock.h"

#include "platform/window.h"

namespace {

// The wait sleeps until this many milliseconds are left and reads the clock for the rest. A
// sleep on the machines we measured ends 0.1 ms late at the median and at the 95th percentile
// (longer delays are the scheduler's, and a reading loop suffers them too), so one millisecond
// keeps the frame's end exact and costs about half a millisecond of CPU a frame.
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
