// What going back over frames costs a network race that runs ahead: saving the race's state
// before a frame, putting it back, one silent frame (drawn off the screen, not shown, no sound,
// no wait), and a whole rollback of 8 frames (put back, then 8 silent frames each saved before it
// runs), the most a race runs ahead. Headless, track 0, the computer driving both karts; the
// state is that of a race some way in, with both karts moving.
#include <benchmark/benchmark.h>

#include "bench/race_bench.h"
#include "game/additions/race_snapshot.h"
#include "platform/window.h"

namespace {

BenchAutopilot autopilot;

bool set_up() {
    static bool done = false;
    if (done)
        return true;
    if (!bench_environment() || !bench_open_window() || game_init() != 1 || !bench_use_track0())
        return false;
    tick_count_unpaced(true);
    for (int frame = 0; frame < 200; ++frame) { // into the race
        autopilot.steer();
        race_frame();
    }
    done = true;
    return true;
}

void BM_SaveAndRestore(benchmark::State &state) {
    if (!set_up())
        return state.SkipWithError("no game");
    RaceSnapshot snapshot;
    for (auto _ : state) {
        race_snapshot_save(snapshot);
        race_snapshot_restore(snapshot);
        benchmark::DoNotOptimize(snapshot);
    }
}

void BM_SilentFrame(benchmark::State &state) {
    if (!set_up())
        return state.SkipWithError("no game");
    RaceSnapshot snapshot;
    race_snapshot_save(snapshot);
    autopilot.steer();
    silent_frames(true);
    for (auto _ : state) {
        race_frame();
        state.PauseTiming();
        race_snapshot_restore(snapshot); // the same frame every time
        state.ResumeTiming();
    }
    silent_frames(false);
}

// Back 8 frames and forward again: put back, then each frame saved before it and raced silently.
void BM_RollbackOf8Frames(benchmark::State &state) {
    if (!set_up())
        return state.SkipWithError("no game");
    RaceSnapshots<16> before;
    race_snapshot_save(before.of(0));
    autopilot.steer();
    for (auto _ : state) {
        race_snapshot_restore(before.of(0));
        silent_frames(true);
        for (std::uint32_t frame = 0; frame < 8; ++frame) {
            race_snapshot_save(before.of(frame));
            race_frame();
        }
        silent_frames(false);
    }
}

} // namespace

BENCHMARK(BM_SaveAndRestore)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SilentFrame)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_RollbackOf8Frames)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_MAIN();
