// How much of a race frame is work, and how that compares with the least a frame's memory traffic
// can cost on this machine. In one run: the floor (fill, copy and convert one 640 x 480 frame with
// the plainest fast code) and the hand-over's floor (converting one frame at the size the
// hand-over draws at); on each presentation path, the frame's own work (the whole race frame with
// the hand-over switched off, measured as one), the hand-over to SDL alone and the whole race
// frame, with their heap allocations; the frame's steps one by one (fill and track copy, probes,
// kart blits, text, conversion), as a breakdown; and a whole race with its heap allocations
// counted frame by frame. Headless and on the virtual clock, so that the 30 ms pace is not what
// is measured. A summary after the table states the own work and the hand-over as ratios to
// their floors.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/race_bench.h"
#include "engine/display/raster.h"
#include "platform/presentation.h"

// --- Counting heap allocations -----------------------------------------------------------------
// Every allocation of the process goes through these (operator new calls malloc); only those made
// on the counting thread while counting is on are counted, so OpenAL's mixing thread is left out.
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *memory, std::size_t size);
void *__libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {
thread_local bool counting = false;
thread_local long allocations = 0;

void count_allocation() {
    if (counting)
        ++allocations;
}

// Allocations made by f on this thread.
template <typename F> long allocations_in(F f) {
    const long before = allocations;
    counting = true;
    f();
    counting = false;
    return allocations - before;
}
} // namespace

extern "C" {
void *malloc(std::size_t size) {
    count_allocation();
    return __libc_malloc(size);
}
void *calloc(std::size_t count, std::size_t size) {
    count_allocation();
    return __libc_calloc(count, size);
}
void *realloc(void *memory, std::size_t size) {
    count_allocation();
    return __libc_realloc(memory, size);
}
void *aligned_alloc(std::size_t alignment, std::size_t size) {
    count_allocation();
    return __libc_memalign(alignment, size);
}
void *memalign(std::size_t alignment, std::size_t size) {
    count_allocation();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void **memory, std::size_t alignment, std::size_t size) {
    count_allocation();
    *memory = __libc_memalign(alignment, size);
    return *memory != nullptr ? 0 : 12; // ENOMEM
}
}

namespace {

constexpr int frame_width = 640;
constexpr int frame_height = 480;
constexpr std::size_t frame_pixels = std::size_t{frame_width} * frame_height;

// --- The floor -------------------------------------------------------------------------------
// Plain buffers of a frame's size: the 8-bit frame, a picture to copy into it, the 32-bit frame
// for the screen and a 256-entry table.
struct FloorBuffers {
    std::vector<BYTE> frame = std::vector<BYTE>(frame_pixels);
    std::vector<BYTE> picture = std::vector<BYTE>(frame_pixels);
    std::vector<std::uint32_t> texels = std::vector<std::uint32_t>(frame_pixels);
    std::uint32_t table[256];

    FloorBuffers() {
        // A picture with all 256 indices in it, so no table entry stays cold.
        for (std::size_t i = 0; i < frame_pixels; ++i)
            picture[i] = static_cast<BYTE>((i * 37) ^ (i >> 9));
        for (int i = 0; i < 256; ++i)
            table[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 0x010203);
    }
};

FloorBuffers &floor_buffers() {
    static FloorBuffers buffers;
    return buffers;
}

// Eight pixels per 8-byte read: the fastest of the plain loops tried (a byte, four bytes or
// eight bytes per read).
void convert_frame(const BYTE *source, std::uint32_t *dest, const std::uint32_t *table) {
    for (std::size_t i = 0; i < frame_pixels; i += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, source + i, sizeof eight);
        for (int k = 0; k < 8; ++k)
            dest[i + k] = table[(eight >> (8 * k)) & 0xFF];
    }
}

void BM_Floor_Fill(benchmark::State &state) {
    FloorBuffers &b = floor_buffers();
    for (auto _ : state) {
        std::memset(b.frame.data(), 0, frame_pixels);
        benchmark::ClobberMemory();
    }
}

void BM_Floor_Copy(benchmark::State &state) {
    FloorBuffers &b = floor_buffers();
    for (auto _ : state) {
        std::memcpy(b.frame.data(), b.picture.data(), frame_pixels);
        benchmark::ClobberMemory();
    }
}

void BM_Floor_Convert(benchmark::State &state) {
    FloorBuffers &b = floor_buffers();
    std::memcpy(b.frame.data(), b.picture.data(), frame_pixels);
    for (auto _ : state) {
        convert_frame(b.frame.data(), b.texels.data(), b.table);
        benchmark::ClobberMemory();
    }
}

// The floor of one frame: fill, copy the picture over it, convert it.
void BM_Floor_Frame(benchmark::State &state) {
    FloorBuffers &b = floor_buffers();
    for (auto _ : state) {
        std::memset(b.frame.data(), 0, frame_pixels);
        std::memcpy(b.frame.data(), b.picture.data(), frame_pixels);
        convert_frame(b.frame.data(), b.texels.data(), b.table);
        benchmark::ClobberMemory();
    }
}

// The hand-over's floor: converting one 8-bit frame of the size the hand-over draws at (the
// window's) through the table, with the floor's loop.
void BM_Floor_HandOver(benchmark::State &state) {
    int width = 0, height = 0;
    testing_present_size(&width, &height);
    const std::size_t pixels = static_cast<std::size_t>(width) * height / 8 * 8;
    std::vector<BYTE> frame(pixels);
    std::vector<std::uint32_t> texels(pixels);
    const FloorBuffers &b = floor_buffers();
    for (std::size_t i = 0; i < pixels; ++i)
        frame[i] = b.picture[i % frame_pixels];
    for (auto _ : state) {
        for (std::size_t i = 0; i < pixels; i += 8) {
            std::uint64_t eight;
            std::memcpy(&eight, frame.data() + i, sizeof eight);
            for (int k = 0; k < 8; ++k)
                texels[i + k] = b.table[(eight >> (8 * k)) & 0xFF];
        }
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] = static_cast<double>(pixels);
}

// --- The frame's steps -----------------------------------------------------------------------
// Each calls what the race frame calls for that step, on the game set up in main.

void fill_and_copy_track() {
    display_fill_surface(back_surface, 0);
    display_lock_back();
    image_draw(&track_image, back_buffer, back_pitch, 0);
    display_unlock_back();
}

// The probes of one moved kart, as the frame makes them (the mud probe only without turn colour).
void probe_kart(const BOB &kart) {
    auto probe = [&](int color) {
        return scan_color(kart.x + 16, kart.y + 16, kart.x + kart.width - 16,
                          kart.y + kart.height - 16, color, back_buffer, back_pitch);
    };
    benchmark::DoNotOptimize(probe(29));
    benchmark::DoNotOptimize(probe(0));
    if (probe(42) == 0)
        benchmark::DoNotOptimize(probe(24));
}

// The karts of the step benchmarks stand on straights of track 0's racing line, where the probes
// find none of their colours and so scan their whole rectangles.
void place_karts_for_steps() {
    bob_set_position(&kart1, 420, 49);
    bob_set_position(&kart2, 547, 160);
}

void BM_Step_FillAndTrackCopy(benchmark::State &state) {
    for (auto _ : state)
        fill_and_copy_track();
}

void BM_Step_Probes(benchmark::State &state) {
    place_karts_for_steps();
    fill_and_copy_track();
    for (auto _ : state) {
        display_lock_back();
        probe_kart(kart1);
        display_unlock_back();
        display_lock_back();
        probe_kart(kart2);
        display_unlock_back();
    }
}

void BM_Step_KartBlits(benchmark::State &state) {
    place_karts_for_steps();
    for (auto _ : state) {
        bob_draw(&kart1, back_surface);
        bob_draw(&kart2, back_surface);
    }
}

void BM_Step_Text(benchmark::State &state) {
    for (auto _ : state) {
        char text[32];
        std::snprintf(text, sizeof text, "Player1 lap: %d", player1_laps);
        draw_text_rgb(text, 520, 340, RGB(0, 0, 0), back_surface);
        std::snprintf(text, sizeof text, "Player2 lap: %d", player2_laps);
        draw_text_rgb(text, 520, 370, RGB(0, 0, 0), back_surface);
        draw_text_rgb("ESC to exit", 530, 440, RGB(0, 0, 0), back_surface);
    }
}

// --- The presentation paths ------------------------------------------------------------------
// Each benchmark below runs on the path its argument names; the window is taken again when the
// path changes.
const PresentationPath paths[] = {PresentationPath::renderer, PresentationPath::surface};
const char *const path_names[] = {"renderer", "surface"};
int path_in_use = -1;

void use_path(const benchmark::State &state) {
    const int path = static_cast<int>(state.range(0));
    if (path == path_in_use)
        return;
    presentation_path(paths[path]);
    testing_present_reopen();
    path_in_use = path;
}

void count_allocations(benchmark::State &state, long made) {
    state.counters["allocs"] =
        benchmark::Counter(static_cast<double>(made), benchmark::Counter::kAvgIterations);
}

// The conversion into the renderer's texture (the window surface path has none of its own).
void BM_Step_Conversion(benchmark::State &state) {
    use_path(state);
    for (auto _ : state)
        testing_present_convert();
}

void BM_HandOver(benchmark::State &state) {
    use_path(state);
    long made = 0;
    for (auto _ : state)
        made += allocations_in(testing_present_hand_over);
    count_allocations(state, made);
}

// --- Whole frames ----------------------------------------------------------------------------

BenchAutopilot autopilot;

// Race frames with the computer driving both karts. The computer's steering between frames is not
// timed: choosing its keys costs about as much as the frame's steps together, and is no part of
// the frame. The lap timers are held at 0, so that no lap counts and the race never ends: the
// frames in which a lap counts are measured by BM_WholeRace.
void race_frames(benchmark::State &state) {
    long made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        autopilot.steer();
        player1_lap_timer = player2_lap_timer = 0;
        state.ResumeTiming();
        made += allocations_in(race_frame);
    }
    count_allocations(state, made);
}

void BM_RaceFrame(benchmark::State &state) {
    use_path(state);
    race_frames(state);
}

// Everything the race frame does but the hand-over, in one figure.
void BM_OwnWork(benchmark::State &state) {
    use_path(state);
    testing_present_without_hand_over(true);
    race_frames(state);
    testing_present_without_hand_over(false);
}

// A whole race from the start grid to 10 laps: how many frames allocate on the heap, and how much.
void BM_WholeRace(benchmark::State &state) {
    for (auto _ : state) {
        BenchAutopilot race;
        bob_set_position(&kart1, 235, 70);
        bob_set_position(&kart2, 235, 23);
        player1_laps = player2_laps = 0;
        player1_lap_timer = player2_lap_timer = 0;
        long frames = 0, allocating_frames = 0, first_frame_allocations = 0, later_allocations = 0;
        for (int result = 1; result != 5; ++frames) {
            race.steer();
            const long made = allocations_in([&] { result = race_frame(); });
            if (frames == 0) {
                first_frame_allocations = made;
            } else if (made > 0) {
                ++allocating_frames;
                later_allocations += made;
            }
        }
        state.counters["frames"] = static_cast<double>(frames);
        state.counters["first_frame_allocs"] = static_cast<double>(first_frame_allocations);
        state.counters["later_allocating_frames"] = static_cast<double>(allocating_frames);
        state.counters["later_allocs"] = static_cast<double>(later_allocations);
        race.release_keys();
    }
    // Laps back to 0, so that the frames measured after this one are shown.
    player1_laps = player2_laps = 0;
}

BENCHMARK(BM_WholeRace)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floor_Fill)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Floor_Copy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Floor_Convert)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Floor_Frame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Floor_HandOver)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Step_FillAndTrackCopy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Step_Probes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Step_KartBlits)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Step_Text)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Step_Conversion)->Arg(0)->Unit(benchmark::kMicrosecond);
// Argument: the path, 0 the renderer, 1 the window surface.
BENCHMARK(BM_OwnWork)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HandOver)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RaceFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// --- Summary ---------------------------------------------------------------------------------

// The console table, and per benchmark its times in microseconds (the medians where repetitions
// were asked for) and its counters, for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    struct Result {
        double cpu_us = 0;
        std::map<std::string, double> counters;
    };
    std::map<std::string, Result> results;

    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!single && !median)
                continue;
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty())
                name += "/" + run.run_name.args;
            Result &result = results[name];
            const double to_us = run.time_unit == benchmark::kMillisecond ? 1000.0 : 1.0;
            result.cpu_us = run.GetAdjustedCPUTime() * to_us;
            for (const auto &[counter_name, counter] : run.counters)
                result.counters[counter_name] = counter.value;
        }
    }

    // The thread's CPU time: on a shared machine the wall-clock time also counts the time other
    // processes had the core.
    double us(const char *name) const {
        const auto found = results.find(name);
        return found != results.end() ? found->second.cpu_us : 0.0;
    }
    double counter(const char *name, const char *counter_name) const {
        const auto found = results.find(name);
        if (found == results.end())
            return 0.0;
        const auto value = found->second.counters.find(counter_name);
        return value != found->second.counters.end() ? value->second : 0.0;
    }
};

void print_summary(const SummaryReporter &r) {
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    const double floor = r.us("BM_Floor_Frame");
    const double hand_over_floor = r.us("BM_Floor_HandOver");
    int width = 0, height = 0;
    testing_present_size(&width, &height);
    std::printf(
        "\nSummary (CPU microseconds of this thread; medians where repetitions were run)\n");
    std::printf("  floor: fill %.1f + copy %.1f + convert %.1f; together %.1f\n",
                r.us("BM_Floor_Fill"), r.us("BM_Floor_Copy"), r.us("BM_Floor_Convert"), floor);
    std::printf("  hand-over's floor: converting one frame at %d x %d, %.1f\n", width, height,
                hand_over_floor);
    for (int path = 0; path < 2; ++path) {
        const std::string arg = "/" + std::to_string(path);
        const double own = r.us(("BM_OwnWork" + arg).c_str());
        const double hand_over = r.us(("BM_HandOver" + arg).c_str());
        std::printf("  through the %s:\n", path_names[path]);
        std::printf("    the frame's own work %.1f = %.2f x floor (goal 1.5)\n", own,
                    ratio(own, floor));
        std::printf("    hand-over to SDL %.1f = %.2f x its floor; whole race frame %.1f\n",
                    hand_over, ratio(hand_over, hand_over_floor),
                    r.us(("BM_RaceFrame" + arg).c_str()));
        std::printf("    heap allocations per steady race frame: %.2f (hand-over alone: %.2f)\n",
                    r.counter(("BM_RaceFrame" + arg).c_str(), "allocs"),
                    r.counter(("BM_HandOver" + arg).c_str(), "allocs"));
    }
    std::printf("  steps of the own work on the renderer path: fill and track copy %.1f, probes "
                "%.1f, kart blits %.1f, text %.1f, conversion %.1f\n",
                r.us("BM_Step_FillAndTrackCopy"), r.us("BM_Step_Probes"),
                r.us("BM_Step_KartBlits"), r.us("BM_Step_Text"), r.us("BM_Step_Conversion/0"));
    std::printf("  whole race: %.0f frames; the first made %.0f allocations; of the others, %.0f "
                "frames made %.0f\n",
                r.counter("BM_WholeRace", "frames"),
                r.counter("BM_WholeRace", "first_frame_allocs"),
                r.counter("BM_WholeRace", "later_allocating_frames"),
                r.counter("BM_WholeRace", "later_allocs"));
}

} // namespace

int main(int argc, char **argv) {
    if (!bench_environment() || !bench_open_window())
        return 1;
    testing_use_virtual_clock(1000, 1);
    if (game_init() == 0 || !bench_use_track0())
        return 1;
    // Medians of five runs unless asked otherwise: the machine may be shared.
    std::vector<char *> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    const bool chosen = std::any_of(args.begin(), args.end(), [](const char *arg) {
        return std::strncmp(arg, "--benchmark_repetitions", 23) == 0;
    });
    if (!chosen) {
        args.push_back(repetitions.data());
        args.push_back(aggregates.data());
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    print_summary(reporter);
    benchmark::Shutdown();
    game_shutdown();
    DestroyWindow(main_window);
    return 0;
}
