// Start-up: from game_init, with the committed assets, until the first intro frame is on the
// screen (headless, virtual clock). Every start opens the audio device, as the program's one start
// does. The first start of the process is reported on its own as well: it is the one a player
// waits for, with nothing of the libraries warm yet in this process.
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

double first_start_ms = -1;

void BM_StartUpToFirstIntroFrame(benchmark::State &state) {
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        testing_on_present(press_enter_once_shown, nullptr);
        // The sound layer makes its sound object only at its first start in a process.
        sound_first_call = 1;
        if (game_init() == 0) {
            state.SkipWithError("game_init failed");
            break;
        }
        intro_screen();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        if (first_start_ms < 0)
            first_start_ms = seconds * 1000;
        game_shutdown();
        testing_key(scancode_return, false);
        GetAsyncKeyState(VK_RETURN); // lets the release be seen before the next start
    }
    state.counters["first_start_ms"] = first_start_ms;
}

BENCHMARK(BM_StartUpToFirstIntroFrame)
    ->Iterations(20)
    ->Repetitions(5)
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
