// Soak race: the real race frame run headless for a long time (100,000 frames unless told
// otherwise) with seeded random keys for both players, on the virtual clock. Stretches of
// random keys alternate with stretches of the computer driver at a level drawn at random, so that
// races are also won: when
// one ends, the laps, timers and karts are reset as for a new race and the next track is loaded.
// After every frame it checks that no lap counter falls or passes 10; at the end it prints the
// frames, races and memory (resident set at the start and the end) and tears everything down,
// so that a leak checker sees what is left. Escape is never pressed.
// Usage: soak_race [frames] [seed]; exits 1 when a check failed.
#include <cstdio>
#include <cstdlib>
#include <random>

#include "engine/display/bob.h"
#include "engine/display/display.h"
#include "game/additions/computer_driver.h"
#include "game/additions/track_sight.h"
#include "game/race.h"
#include "game/race_state.h"
#include "game/setup.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "tools/headless_game.h"

namespace {

// Kilobytes of resident memory, from /proc/self/status; 0 when it cannot be read.
long resident_kb() {
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (status == nullptr)
        return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1)
            break;
    std::fclose(status);
    return kb;
}

// Keys as testing_key takes them: SDL scancodes, which are the USB keyboard usage numbers.
constexpr int player_scancodes[2][5] = {{80, 79, 82, 81, 17}, // arrows, N
                                        {4, 7, 26, 22, 5}};   // A, D, W, S, B

// One player's keys: stretches of random keys (turbo among them) alternate with stretches of the
// computer driver.
struct SoakPlayer {
    ComputerDriver driver;
    bool random_keys = false;
    int frames_left = 0; // in the current stretch

    // The keys for the next frame.
    void steer(std::mt19937 &random) {
        const int *scancodes = player_scancodes[driver.player - 1];
        if (frames_left-- <= 0) {
            random_keys = random() % 4 == 0;
            frames_left = random_keys ? 5 + static_cast<int>(random() % 40)
                                      : 50 + static_cast<int>(random() % 400);
            driver.stop();
            for (int k = 0; k < 5; ++k)
                testing_key(scancodes[k], random_keys && random() % 2 == 0);
            driver.level = static_cast<ComputerLevel>(random() % 3);
        }
        if (!random_keys)
            driver.steer();
    }
};

// A new race on the given track, as the program would start one: the start grid, the counters'
// starting values, the track picture and then the intro's palette.
bool start_race(int track) {
    char name[32];
    std::snprintf(name, sizeof name, "images/track%d.bmp", track);
    if (load_full_screen_picture(name, &track_image) == 0 ||
        load_full_screen_picture("images/intro.bmp", &intro_image) == 0) {
        std::fprintf(stderr, "soak: cannot load %s or the intro picture\n", name);
        return false;
    }
    bob_set_position(&kart1, 235, 70);
    bob_set_position(&kart2, 235, 23);
    player1_laps = player2_laps = 0;
    player1_lap_timer = player2_lap_timer = 0;
    player1_bump_timer = player2_bump_timer = 59;
    player1_terrain_timer = 59;
    player2_terrain_timer = 0;
    player1_on_terrain = player2_on_terrain = 0;
    player1_moved = player2_moved = 0;
    return true;
}

} // namespace

int main(int argc, char **argv) {
    const long frames = argc > 1 ? std::atol(argv[1]) : 100000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 1;
    if (frames < 1) {
        std::fprintf(stderr, "usage: soak_race [frames] [seed]\n");
        return 2;
    }
    if (!open_headless_game("soak_race"))
        return 1;
    if (game_init() == 0)
        return 1;

    int track = 0;
    if (!start_race(track))
        return 1;
    const long memory_at_start = resident_kb();
    std::mt19937 random(seed);
    TrackSight sight;
    track_sight_build(&sight, track_image.pixels);
    SoakPlayer players[2] = {{computer_driver_make(1, ComputerLevel::normal, &sight, seed)},
                             {computer_driver_make(2, ComputerLevel::normal, &sight, seed + 1)}};
    int races = 0;
    int failures = 0;
    int last_laps[2] = {0, 0};
    for (long frame = 0; frame < frames; ++frame) {
        for (SoakPlayer &player : players)
            player.steer(random);
        // One message and one race frame, as the race loop does.
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                std::fprintf(stderr, "soak: the race ended by a quit message at frame %ld\n",
                             frame);
                ++failures;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const int result = race_frame();
        const int laps[2] = {player1_laps, player2_laps};
        for (int p = 0; p < 2; ++p) {
            if (laps[p] < last_laps[p] || laps[p] > 10) {
                std::fprintf(stderr, "soak: frame %ld: player %d laps went from %d to %d\n", frame,
                             p + 1, last_laps[p], laps[p]);
                ++failures;
            }
            last_laps[p] = laps[p];
        }
        if (result == 5) {
            if (laps[0] != 10 && laps[1] != 10) {
                std::fprintf(stderr, "soak: frame %ld: race ended without 10 laps\n", frame);
                ++failures;
            }
            ++races;
            track = (track + 1) % 3;
            if (!start_race(track))
                return 1;
            track_sight_build(&sight, track_image.pixels);
            for (int p = 0; p < 2; ++p) {
                players[p].driver.stop();
                players[p].driver = computer_driver_make(p + 1, players[p].driver.level, &sight,
                                                         static_cast<std::uint32_t>(random()));
            }
            last_laps[0] = last_laps[1] = 0;
        }
    }
    const long memory_at_end = resident_kb();
    std::printf("soak: %ld frames, %d races won, resident memory %ld kB at the start and %ld kB "
                "at the end, %d failed checks\n",
                frames, races, memory_at_start, memory_at_end, failures);
    game_shutdown();
    DestroyWindow(main_window);
    return failures == 0 ? 0 : 1;
}
