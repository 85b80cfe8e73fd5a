// Start-up: from game_init, with the committed assets, until the first intro frame is on the
// screen (headless, virtual clock), in wall-clock time. A player waits for the first start of a
// process, with nothing of the libraries warm yet, so each start is timed in a fresh process of
// its own; beside it, the parts of a first start each timed in another fresh process, in set-up's
// order: the display (opening it and showing a first frame), the sound (the device and the five
// sounds) and the font (opening it and rendering every text a race shows). Last, the later starts
// of one process, with the libraries and files warm.
//   startup [runs]      (default 9)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/race_bench.h"
#include "engine/sound/sound.h"
#include "engine/sound/sound_load.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int later_starts = 10;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of the whole process so far (every thread), in milliseconds.
double cpu_ms() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return 1e3 * static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           1e-3 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// After the intro's first frame is shown, Enter is pressed, so the intro ends at its next key test.
void press_enter_once_shown(const PresentedFrame &, void *) {
    testing_key(scancode_return, true);
    testing_on_present(nullptr, nullptr);
}

// One start: set-up, then the intro until its first frame is shown; its milliseconds, or a
// negative number when set-up failed. The tear-down after it is not timed.
double time_one_start() {
    const Clock::time_point start = Clock::now();
    testing_on_present(press_enter_once_shown, nullptr, false);
    // The sound layer makes its sound object only at its first start in a process.
    sound_first_call = 1;
    if (game_init() == 0)
        return -1;
    intro_screen();
    const double took = ms_since(start);
    game_shutdown();
    testing_key(scancode_return, false);
    GetAsyncKeyState(VK_RETURN); // lets the release be seen before the next start
    return took;
}

// The parts of a first start, as set-up runs them; false when one failed.
bool time_parts(double parts[3]) {
    Clock::time_point start = Clock::now();
    if (display_init(640, 480, 8) == 0 || display_flip() == 0)
        return false;
    parts[0] = ms_since(start);
    start = Clock::now();
    sound_first_call = 1;
    sound_init();
    for (const char *name : {"sounds/boing.wav", "sounds/mud.wav", "sounds/turn.wav",
                             "sounds/ice.wav", "sounds/engine.wav"})
        sound_load_wav(name, DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME);
    parts[1] = ms_since(start);
    start = Clock::now();
    race_prepare_texts();
    parts[2] = ms_since(start);
    sound_shutdown();
    display_shutdown();
    return true;
}

// Runs `what` in a fresh process, which writes `count` values back; false when it failed.
template <typename Measure> bool in_fresh_process(Measure what, double *values, int count) {
    int out[2];
    if (pipe(out) != 0)
        return false;
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        close(out[0]);
        const bool ok = bench_environment() && bench_open_window() && what(values);
        const auto bytes = static_cast<ssize_t>(sizeof(double)) * count;
        _exit(ok && write(out[1], values, static_cast<std::size_t>(bytes)) == bytes ? 0 : 1);
    }
    close(out[1]);
    const auto bytes = static_cast<ssize_t>(sizeof(double)) * count;
    const bool read_all = read(out[0], values, static_cast<std::size_t>(bytes)) == bytes;
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return read_all && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void print_spread(const char *what, const std::vector<double> &values) {
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    std::printf("%-34s median %6.1f ms  (%.1f to %.1f over %zu)\n", what, median(values), *low,
                *high, values.size());
}

} // namespace

int main(int argc, char **argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 9;
    if (runs < 1) {
        std::fprintf(stderr, "startup: give at least 1 run\n");
        return 1;
    }
    std::vector<double> firsts, first_cpus, displays, sounds, fonts, laters;
    for (int run = 0; run < runs; ++run) {
        double first[2] = {}; // wall-clock and CPU time
        double parts[3] = {};
        if (!in_fresh_process(
                [](double *took) {
                    testing_use_virtual_clock(1000, 1);
                    const double cpu_before = cpu_ms();
                    took[0] = time_one_start();
                    took[1] = cpu_ms() - cpu_before; // the tear-down included
                    return took[0] >= 0;
                },
                first, 2) ||
            !in_fresh_process(
                [](double *took) {
                    testing_use_virtual_clock(1000, 1);
                    return time_parts(took);
                },
                parts, 3)) {
            std::fprintf(stderr, "startup: a start failed\n");
            return 1;
        }
        firsts.push_back(first[0]);
        first_cpus.push_back(first[1]);
        displays.push_back(parts[0]);
        sounds.push_back(parts[1]);
        fonts.push_back(parts[2]);
    }
    double later[later_starts] = {};
    if (!in_fresh_process(
            [](double *took) {
                testing_use_virtual_clock(1000, 1);
                for (int i = 0; i < later_starts + 1; ++i) {
                    const double one = time_one_start();
                    if (one < 0)
                        return false;
                    if (i > 0)
                        took[i - 1] = one; // the first start is not a later one
                }
                return true;
            },
            later, later_starts)) {
        std::fprintf(stderr, "startup: a start failed\n");
        return 1;
    }
    laters.assign(later, later + later_starts);
    std::printf("game_init until the first intro frame, wall-clock time:\n");
    print_spread("first start of a process", firsts);
    print_spread("  its CPU time, with the tear-down", first_cpus);
    print_spread("  parts: display", displays);
    print_spread("         sound", sounds);
    print_spread("         font and texts", fonts);
    print_spread("later starts in one process", laters);
    return 0;
}
