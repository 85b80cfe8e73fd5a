// Records the golden replays: short races through the real race frame, headless on the virtual
// clock, with keys from a fixed script (the computer driving, held keys, a press of Escape); the
// script's own keys go through the keyboard's event path as a person's would. The same
// script always gives the same replay, so after a change that is meant to alter the race the
// replays are made again with this one command, and the race tests then hold the new behaviour.
// Each race runs in a process of its own, which starts as the program does.
// Usage: record_replays [DIR]  (default tests/replays; run from the repository's root)
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/display/display.h"
#include "game/additions/computer_driver.h"
#include "game/additions/race_loop.h"
#include "game/additions/replay_drive.h"
#include "game/race_state.h"
#include "game/setup.h"
#include "platform/testing.h"
#include "tools/headless_game.h"

namespace {

// Keys as testing_key takes them: SDL scancodes.
constexpr int escape_scancode = 41;
constexpr int up_scancode = 82;
constexpr int n_scancode = 17;
constexpr int s_scancode = 22;

struct Script {
    const char *name;
    int track;
    // Keys for the given race frame (1-based), pushed before it; false ends the script, which
    // then presses Escape.
    bool (*keys)(int frame);
};

TrackSight sight;
ComputerDriver driver1;
ComputerDriver driver2;
int frame = 0;
bool escape_pressed = false;
const Script *script = nullptr;

// What the race showed, for the mixed race that must show all of it.
struct Seen {
    bool turbo, terrain, wall, contact;
} seen{};

// Kart2 waits a little at the start, so that the two do not fight for the line; kart1 wins.
bool drive_both(int f) {
    driver1.steer();
    if (f > 60)
        driver2.steer();
    return true;
}

bool escape_race(int f) {
    return f <= 240 && drive_both(f);
}

// Kart1 runs into kart2 ahead of it, then both drive the line, player 1 on turbo for a while,
// until player 2 leaves the road and drives into the wall below.
bool mixed_race(int f) {
    if (f <= 6) {
        testing_key(up_scancode, f < 6);
        return true;
    }
    if (f == 100 || f == 160)
        testing_key(n_scancode, f == 100);
    if (f >= 100 && f < 160)
        seen.turbo = true;
    if (f <= 540) {
        drive_both(f - 6);
        return true;
    }
    if (f == 541)
        driver2.stop();
    testing_key(s_scancode, true);
    driver1.steer();
    return f <= 580;
}

const Script scripts[] = {
    {"track0_won", 0, drive_both},
    {"track1_escape", 1, escape_race},
    {"track2_mixed", 2, mixed_race},
};

void note_what_was_seen() {
    if (player1_on_terrain != 0 || player2_on_terrain != 0)
        seen.terrain = true;
    const bool bumped = (player1_moved != 0 && player1_bump_timer == 0) ||
                        (player2_moved != 0 && player2_bump_timer == 0);
    const int dx = std::abs(kart1.x - kart2.x);
    const int dy = std::abs(kart1.y - kart2.y);
    if (bumped && dx <= 42 && dy <= 42)
        seen.contact = true;
    if (bumped && (dx > 80 || dy > 80))
        seen.wall = true;
}

// After each frame: recorded, and the next frame's keys pushed.
bool after_frame(int frame_result) {
    replay_record_after_frame(frame_result);
    note_what_was_seen();
    ++frame;
    if (escape_pressed) {
        testing_key(escape_scancode, false);
    } else if (!script->keys(frame + 1)) {
        testing_key(escape_scancode, true);
        escape_pressed = true;
    }
    return true;
}

int record(const Script &to_record, const std::string &dir) {
    script = &to_record;
    if (!open_headless_game("record_replays"))
        return 1;
    chosen_track = to_record.track;
    if (game_init() == 0)
        return 1;
    track_sight_build(&sight, track_image.pixels);
    driver1 = computer_driver_make(1, ComputerLevel::normal, &sight, 1);
    driver2 = computer_driver_make(2, ComputerLevel::normal, &sight, 2);
    replay_record_begin();
    script->keys(1);
    race_loop(after_frame);
    const std::string path = dir + "/" + to_record.name + ".dwr";
    const bool written = replay_record_end(path.c_str());
    game_shutdown();
    if (!written)
        return 1;
    if (std::string(to_record.name) == "track2_mixed" &&
        !(seen.turbo && seen.terrain && seen.wall && seen.contact)) {
        std::fprintf(stderr,
                     "record_replays: %s lacks some of turbo %d, terrain %d, wall bump %d, kart "
                     "contact %d; change its script\n",
                     to_record.name, seen.turbo, seen.terrain, seen.wall, seen.contact);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    const std::string dir = argc > 1 ? argv[1] : "tests/replays";
    int failures = 0;
    for (const Script &to_record : scripts) {
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child == 0)
            _exit(record(to_record, dir));
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "record_replays: %s failed\n", to_record.name);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
