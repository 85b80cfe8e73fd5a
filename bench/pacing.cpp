// The pace and the cost of the game on the real clock. Three stretches, each through the game's
// own code: the intro screen for a few seconds (then Enter), a race of a few hundred frames with
// both karts driving (the race loop's own passes: one message, one race frame), and the same race
// again while two busy processes of this one's priority hold the cores; all three through SDL's
// renderer, then again through the window surface. For the races: the
// intervals between frames put on the screen (min, median, 95th percentile, max) and the length of
// each race frame (its call until it returns, the wait included). For every stretch: the
// process's CPU time as a share of one core (CPU time / wall time), and how often the scheduler
// took the core from the game's thread. Headless by default; run it under xvfb-run with
// SDL_VIDEODRIVER=x11 for a real X server.
//   pacing [frames]      (default 300)
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "bench/race_bench.h"
#include "platform/presentation.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double intro_seconds = 3.0;
// The busy processes end on their own after this long, also when the benchmark dies first.
constexpr unsigned load_seconds_limit = 60;

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

double cpu_seconds(const rusage &usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU time of the whole process (the sound library's mixing thread included) against wall time,
// and the involuntary switches of the calling thread.
struct CpuShare {
    rusage process{};
    rusage thread{};
    Clock::time_point wall;

    void start() {
        getrusage(RUSAGE_SELF, &process);
        getrusage(RUSAGE_THREAD, &thread);
        wall = Clock::now();
    }

    void print(const char *what) const {
        rusage process_now{}, thread_now{};
        getrusage(RUSAGE_SELF, &process_now);
        getrusage(RUSAGE_THREAD, &thread_now);
        const double wall_s = std::chrono::duration<double>(Clock::now() - wall).count();
        std::printf("  %s: CPU %.1f %% of a core over %.2f s; the core was taken from the game's "
                    "thread %ld times\n",
                    what, 100.0 * (cpu_seconds(process_now) - cpu_seconds(process)) / wall_s,
                    wall_s, thread_now.ru_nivcsw - thread.ru_nivcsw);
    }
};

// The value below which the given share of the sorted values lies (nearest rank).
double percentile(const std::vector<double> &sorted, double share) {
    std::size_t rank = static_cast<std::size_t>(share * static_cast<double>(sorted.size()) + 0.999);
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

// Sorts the values and prints their spread; false when there are fewer than two.
bool print_spread(const char *what, std::vector<double> &values) {
    if (values.size() < 2)
        return false;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    std::printf("  %s: %zu, min %.2f, median %.2f, 95th percentile %.2f, max %.2f ms\n", what, n,
                values.front(), median, percentile(values, 0.95), values.back());
    return true;
}

// After intro_seconds on the intro screen, Enter is pressed and the screen ends at its next key
// test.
void press_enter_when_due(const PresentedFrame &, void *user) {
    const auto due = *static_cast<Clock::time_point *>(user);
    if (Clock::now() >= due) {
        testing_key(scancode_return, true);
        testing_on_present(nullptr, nullptr);
    }
}

void run_intro() {
    std::printf("intro screen, %.0f s:\n", intro_seconds);
    Clock::time_point due = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                               std::chrono::duration<double>(intro_seconds));
    CpuShare cpu;
    cpu.start();
    testing_on_present(press_enter_when_due, &due, false);
    intro_screen();
    cpu.print("intro");
    testing_on_present(nullptr, nullptr);
    testing_key(scancode_return, false);
    GetAsyncKeyState(VK_RETURN); // lets the release be seen
}

struct StartLine {
    int x1, y1, x2, y2;
};

// A race of the given number of shown frames from the start line; false when it ended early.
bool run_race(const char *what, int frames, const StartLine &line) {
    if (!bench_use_track0())
        return false;
    bob_set_position(&kart1, line.x1, line.y1);
    bob_set_position(&kart2, line.x2, line.y2);
    std::printf("race, %s:\n", what);
    Flips flips;
    flips.times.reserve(static_cast<std::size_t>(frames));
    std::vector<double> frame_lengths;
    frame_lengths.reserve(static_cast<std::size_t>(frames));
    BenchAutopilot autopilot;
    CpuShare cpu;
    cpu.start();
    testing_on_present(note_flip, &flips, false);
    while (static_cast<int>(flips.times.size()) < frames) {
        autopilot.steer();
        const Clock::time_point start = Clock::now();
        if (!race_loop_pass())
            break;
        frame_lengths.push_back(ms(Clock::now() - start));
    }
    testing_on_present(nullptr, nullptr);
    cpu.print("race");
    autopilot.release_keys();

    std::vector<double> intervals;
    for (std::size_t i = 1; i < flips.times.size(); ++i)
        intervals.push_back(ms(flips.times[i] - flips.times[i - 1]));
    if (!print_spread("intervals between shown frames", intervals)) {
        std::fprintf(stderr, "pacing: the race ended after %zu frames\n", flips.times.size());
        return false;
    }
    print_spread("race frames, call to return", frame_lengths);
    return true;
}

// Two processes that spin at this one's priority, one per core; they end on their own.
std::vector<pid_t> start_load() {
    std::vector<pid_t> busy;
    for (int i = 0; i < 2; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            alarm(load_seconds_limit);
            volatile unsigned long spin = 0;
            for (;;)
                spin = spin + 1;
        }
        if (pid > 0)
            busy.push_back(pid);
    }
    return busy;
}

void stop_load(const std::vector<pid_t> &busy) {
    for (pid_t pid : busy) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

} // namespace

int main(int argc, char **argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    if (frames < 3) {
        std::fprintf(stderr, "pacing: give at least 3 frames\n");
        return 1;
    }
    if (!bench_environment() || !bench_open_window() || game_init() == 0)
        return 1;
    const StartLine line{kart1.x, kart1.y, kart2.x, kart2.y};
    bool ok = true;
    const std::pair<PresentationPath, const char *> paths[] = {
        {PresentationPath::renderer, "the renderer"},
        {PresentationPath::surface, "the window surface"}};
    for (const auto &[path, name] : paths) {
        presentation_path(path);
        testing_present_reopen();
        std::printf("video driver %s, through %s:\n", std::getenv("SDL_VIDEODRIVER"), name);
        run_intro();
        ok = ok && run_race("the machine as it is", frames, line);
        const std::vector<pid_t> busy = start_load();
        ok = ok && run_race("two busy processes on the cores", frames, line);
        stop_load(busy);
    }
    game_shutdown();
    DestroyWindow(main_window);
    return ok ? 0 : 1;
}
