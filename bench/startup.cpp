// Start-up: from game_init, with the committed assets, until the first intro frame is on the
// screen (headless, virtual clock). Every start opens the audio device, as the program's one start
// does. The first start of the process is reported on its own: it is the one a player waits for,
// with nothing of the libraries warm yet. Run the program a few times for a spread of first
// starts.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/race_bench.h"
#include "engine/sound/sound.h"

namespace {

using Clock = std::chrono::steady_clock;

// After the intro's first frame is shown, Enter is pressed, so the intro ends at its next key test.
void press_enter_once_shown(const PresentedFrame &, void *) {
    testing_key(scancode_return, true);
    testing_on_present(nullptr, nullptr);
}

// One start, timed: set-up, then the intro until its first frame is shown. The tear-down after
// it is not timed.
bool time_one_start(benchmark::State &state) {
    const Clock::time_point start = Clock::now();
    testing_on_present(press_enter_once_shown, nullptr);
    // The sound layer makes its sound object only at its first start in a process.
    sound_first_call = 1;
    if (game_init() == 0) {
        state.SkipWithError("game_init failed");
        return false;
    }
    intro_screen();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    game_shutdown();
    testing_key(scancode_return, false);
    GetAsyncKeyState(VK_RETURN); // lets the release be seen before the next start
    return true;
}

// Starts, each timed. Registered twice: the process's first start (what a player waits for),
// and later starts in the same process, with the libraries and files warm.
void BM_Start(benchmark::State &state) {
    for (auto _ : state)
        if (!time_one_start(state))
            break;
}

BENCHMARK(BM_Start)
    ->Name("BM_FirstStart")
    ->Iterations(1)
    ->Repetitions(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Start)
    ->Name("BM_LaterStarts")
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly()
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    if (!bench_environment() || !bench_open_window())
        return 1;
    testing_use_virtual_clock(1000, 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    DestroyWindow(main_window);
    return 0;
}
