// Racing a track to time the computer on it.
#include "game/additions/track_trial.h"

#include <algorithm>
#include <cstdlib>

#include "game/additions/computer_driver.h"
#include "game/additions/race_loop.h"
#include "game/game_window.h"
#include "game/race_state.h"
#include "game/setup.h"

namespace {

// Three laps take well under this on any track that races; a computer that is stuck is not
// waited for longer.
constexpr int most_frames = 5000;

int frames = 0;
int last_lap_at = 0;
int laps_seen = 0;
int fastest = 0;

bool time_laps(int) {
    ++frames;
    if (player1_laps != laps_seen) {
        if (laps_seen >= 1) {
            const int lap = frames - last_lap_at;
            fastest = fastest == 0 ? lap : std::min(fastest, lap);
        }
        laps_seen = player1_laps;
        last_lap_at = frames;
    }
    return laps_seen < 4 && frames < most_frames;
}

} // namespace

bool track_trial(HINSTANCE instance, const std::string &path, TrackTrial &trial, std::string &why) {
    // Nothing is shown or heard: SDL's and OpenAL's null devices, set before either starts.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    HWND window = open_game_window(instance, &why);
    if (window == nullptr)
        return false;
    chosen_track_file = path;
    bool set_up = true;
    for (int level = 0; level < 3 && set_up; ++level) {
        set_up = game_init() != 0;
        if (set_up) {
            computer_drives[0] = computer_drives[1] = true;
            computer_level = static_cast<ComputerLevel>(level);
            // As the intro leaves them before every race.
            player1_laps = player2_laps = player1_lap_timer = player2_lap_timer = 0;
            computer_race_start(1);
            frames = last_lap_at = laps_seen = fastest = 0;
            tick_count_unpaced(true);
            race_loop(time_laps);
            tick_count_unpaced(false);
            computer_race_end();
            trial.lap_frames[level] = fastest;
        }
        game_shutdown();
    }
    DestroyWindow(window);
    if (!set_up)
        why = "the game could not be set up on " + path;
    return set_up;
}

int track_trial_print(HINSTANCE instance, const std::string &path, std::FILE *out) {
    TrackTrial trial;
    std::string why;
    if (!track_trial(instance, path, trial, why)) {
        std::fprintf(stderr, "dirtwhirl: %s\n", why.c_str());
        return 1;
    }
    std::fprintf(out, "%s: the computer's fastest lap:", path.c_str());
    const char *levels[3] = {"easy", "normal", "hard"};
    for (int level = 0; level < 3; ++level) {
        const int lap = trial.lap_frames[level];
        std::fprintf(out, "%s %s ", level ? "," : "", levels[level]);
        if (lap == 0)
            std::fprintf(out, "no lap within %d frames", most_frames);
        else
            std::fprintf(out, "%d frames (%.1f s)", lap, lap * 0.03);
    }
    std::fprintf(out, "\n");
    return 0;
}
