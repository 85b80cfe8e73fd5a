// The race's pace on the real clock: a few hundred race frames, both karts driving, through the
// race loop's own passes (one message, one race frame), and the intervals between the frames put
// on the screen: min, median and max against the 30 ms the frame clock aims at. Beside them, the
// length of each race frame (its call until it returns, the wait included): a frame longer than
// 30 ms had more work than fits in the pace. Headless by default; run it under xvfb-run with
// SDL_VIDEODRIVER=x11 for a real X server.
//   pacing [frames]      (default 300)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/race_bench.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Flips {
    std::vector<Clock::time_point> times;
};

void note_flip(const PresentedFrame &, void *user) {
    auto &flips = *static_cast<Flips *>(user);
    if (flips.times.size() < flips.times.capacity())
        flips.times.push_back(Clock::now());
}

// One pass of the race loop; false once the race is over.
bool race_loop_pass() {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            return false;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return race_frame() != 5;
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Sorts the values and prints min, median and max; false when there are fewer than two.
bool print_spread(const char *what, std::vector<double> &values) {
    if (values.size() < 2)
        return false;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    const auto near_30 = std::count_if(values.begin(), values.end(),
                                       [](double v) { return v >= 29.0 && v <= 31.0; });
    std::printf("  %s: %zu, min %.2f ms, median %.2f ms, max %.2f ms; %ld within 1 ms of 30 ms\n",
                what, n, values.front(), median, values.back(), static_cast<long>(near_30));
    return true;
}

} // namespace

int main(int argc, char **argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    if (frames < 3) {
        std::fprintf(stderr, "pacing: give at least 3 frames\n");
        return 1;
    }
    if (!bench_environment() || !bench_open_window() || game_init() == 0 || !bench_use_track0())
        return 1;

    Flips flips;
    flips.times.reserve(static_cast<std::size_t>(frames));
    std::vector<double> frame_lengths;
    frame_lengths.reserve(static_cast<std::size_t>(frames));
    BenchAutopilot autopilot;
    // Times the scheduler took the core from this thread: a busy wait that loses the core ends
    // late.
    rusage before{};
    getrusage(RUSAGE_THREAD, &before);
    testing_on_present(note_flip, &flips);
    while (static_cast<int>(flips.times.size()) < frames) {
        autopilot.steer();
        const Clock::time_point start = Clock::now();
        if (!race_loop_pass())
            break;
        frame_lengths.push_back(ms(Clock::now() - start));
    }
    testing_on_present(nullptr, nullptr);
    rusage after{};
    getrusage(RUSAGE_THREAD, &after);
    game_shutdown();
    DestroyWindow(main_window);

    std::vector<double> intervals;
    for (std::size_t i = 1; i < flips.times.size(); ++i)
        intervals.push_back(ms(flips.times[i] - flips.times[i - 1]));
    std::printf("video driver %s:\n", std::getenv("SDL_VIDEODRIVER"));
    if (!print_spread("intervals between shown frames", intervals)) {
        std::fprintf(stderr, "pacing: the race ended after %zu frames\n", flips.times.size());
        return 1;
    }
    print_spread("race frames, call to return", frame_lengths);
    std::printf("  the core was taken from the race's thread %ld times in %zu frames\n",
                after.ru_nivcsw - before.ru_nivcsw, frame_lengths.size());
    return 0;
}
