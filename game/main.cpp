// The program's top: the command line and the start-up's choices first, then the documented
// sequence: registers the window class, creates the window, and runs set-up, the intro, the title,
// the race loop, the winner screen and tear-down, in that order.
#include "game/main.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/additions/computer_driver.h"
#include "game/additions/fair_laps.h"
#include "game/additions/net_race.h"
#include "game/additions/options.h"
#include "game/additions/player_tracks.h"
#include "game/additions/replay_drive.h"
#include "game/additions/settings.h"
#include "game/additions/start_up.h"
#include "game/additions/track_check.h"
#include "game/additions/track_template.h"
#include "game/additions/track_trial.h"
#include "game/game_window.h"
#include "game/screens.h"
#include "game/setup.h"
#include "platform/additions/user_folders.h"

namespace {

// The first candidate folder that holds the data, into data_folder; a note when a folder the user
// named is passed over, and the list of every folder tried when none holds it.
bool choose_data_folder(const std::string &option_folder) {
    const std::vector<DataFolder> candidates = data_folder_candidates(option_folder);
    if (find_data_folder(candidates, data_folder)) {
        for (const DataFolder &candidate : candidates) {
            if (candidate.path == data_folder)
                break;
            if (candidate.named_by_user)
                std::fprintf(
                    stderr, "dirtwhirl: %s (%s) has no images/, cars/ and sounds/; using %s\n",
                    candidate.path.c_str(), candidate.named_by.c_str(), data_folder.c_str());
        }
        return true;
    }
    std::fprintf(stderr,
                 "dirtwhirl: cannot find the game's data (the folders images/, cars/ and sounds/); "
                 "looked in:\n");
    for (const DataFolder &candidate : candidates)
        std::fprintf(stderr, "  %s (%s)\n", candidate.path.c_str(), candidate.named_by.c_str());
    return false;
}

} // namespace

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // A program that cannot start says why and fails, rather than exiting as if all went well.
    std::string why;
    HWND window = open_game_window(instance, &why);
    if (window == nullptr) {
        std::fprintf(stderr, "dirtwhirl: %s\n", why.c_str());
        return 1;
    }
    // A network race agrees on its track before set-up loads one.
    int refused = 0;
    if (net_race_chosen() && !net_race_connect(window, refused)) {
        DestroyWindow(window);
        return refused;
    }

    if (game_init() == 0) {
        game_shutdown();
        DestroyWindow(window);
        return 1;
    }
    fair_laps_track(race_track);
    // A replay goes straight to its race; a timed demo shows nothing after it either.
    const bool replayed = replay_mode == ReplayMode::play || replay_mode == ReplayMode::timedemo;
    const bool unpaced = start_unpaced;
    if (!replayed && !unpaced) {
        intro_screen();
        // C on the intro seats the computer in kart 2 against the person in kart 1; over the
        // network the seats were taken at the handshake.
        if (intro_chose_computer && !net_race_chosen()) {
            computer_drives[0] = false;
            computer_drives[1] = true;
        }
        title_screen();
    }
    // A replay hears its recorded keys alone: the computer drives only races that are played.
    const std::uint32_t seed = static_cast<std::uint32_t>(std::rand());
    if (net_race_chosen() && !net_race_wait_for_start()) {
        game_shutdown();
        DestroyWindow(window);
        return 0;
    }
    if (!replayed)
        computer_race_start(seed);
    if (unpaced)
        tick_count_unpaced(true);
    const int exit_code = net_race_chosen() ? net_race_run() : replay_race();
    if (unpaced)
        tick_count_unpaced(false);
    computer_race_end();
    if (replay_mode != ReplayMode::timedemo && !replay_stopped() && !unpaced)
        winner_screen_for_laps();
    game_shutdown();
    DestroyWindow(window);
    return exit_code;
}

int program_main(int argc, char **argv, HINSTANCE instance) {
    Options options;
    switch (parse_options(argc, argv, options, stdout, stderr)) {
    case OptionsResult::exit_ok:
        return 0;
    case OptionsResult::exit_usage:
        return 2;
    case OptionsResult::run:
        break;
    }
    if (!choose_data_folder(options.data_folder))
        return 1;
    if (!options.check_track.empty() || !options.track_template.empty()) {
        PALETTEENTRY shown[256];
        std::string error;
        if (!game_palette_read(shown, error) ||
            (options.check_track.empty() &&
             !track_template_write(options.track_template, shown, error))) {
            std::fprintf(stderr, "dirtwhirl: %s\n", error.c_str());
            return 1;
        }
        if (options.check_track.empty()) {
            std::printf("dirtwhirl: wrote the track template %s and its palette %s\n",
                        options.track_template.c_str(),
                        track_template_palette_file(options.track_template).c_str());
            return 0;
        }
        if (track_check_file(options.check_track.c_str(), shown, stdout) != 0)
            return 1;
        return track_trial_print(instance, options.check_track, stdout);
    }
    Settings settings;
    const std::string settings_file = start_up_settings_file(options);
    if (!settings_file.empty())
        settings_load(settings_file, settings, stderr);
    if (!replay_prepare(options.replay, options.replay_file))
        return 2;
    TrackChoice track;
    const int refused = player_track_choose(options, settings, track);
    if (refused != 0)
        return refused;
    start_up_apply(start_up_resolve(settings, options, replay_track()));
    player_track_apply(track);
    return WinMain(instance, nullptr, nullptr, 1);
}
