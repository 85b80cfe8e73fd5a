// The start-up's one resolution of settings, command line and replay, and its one application.
#include "game/additions/start_up.h"

#include "game/additions/computer_driver.h"
#include "game/additions/fair_laps.h"
#include "game/additions/replay.h"
#include "game/additions/replay_drive.h"
#include "game/race.h"
#include "game/setup.h"
#include "platform/additions/controls.h"
#include "platform/additions/screenshot.h"
#include "platform/additions/user_folders.h"
#include "platform/presentation.h"
#include "platform/sound.h"

namespace {

// The keys each player's gamepad holds.
KeyHolder pad_keys[2];

} // namespace

std::string start_up_settings_file(const Options &options) {
    if (!options.config_file.empty())
        return options.config_file;
    const std::string folder = config_folder();
    return folder.empty() ? "" : folder + "/settings.ini";
}

bool start_unpaced = false;

StartUp start_up_resolve(const Settings &settings, const Options &options, int replay_track) {
    StartUp start_up;
    start_up.settings = settings;
    Settings &in_effect = start_up.settings;
    if (options.mode != StartMode::as_settings)
        in_effect.fullscreen = options.mode == StartMode::fullscreen;
    if (options.computer[0] || options.computer[1]) {
        in_effect.computer[0] = options.computer[0];
        in_effect.computer[1] = options.computer[1];
    }
    if (options.computer_level.has_value())
        in_effect.computer_level = *options.computer_level;
    if (options.presentation.has_value())
        in_effect.presentation = *options.presentation;
    start_up.track = options.track;
    start_up.replay = options.replay;
    start_up.replay_file = options.replay_file;
    start_up.unpaced = options.unpaced;
    start_up.rollback_test = options.rollback_test;
    start_up.net.rollback = settings.network_rollback && !options.lockstep;
    start_up.net.rollback_delay = settings.network_rollback_delay;
    start_up.net.hosting = options.host;
    start_up.net.joining = options.join;
    start_up.net.address =
        options.join_address.empty() ? settings.network_host : options.join_address;
    start_up.net.port = static_cast<std::uint16_t>(options.host_port != 0 ? options.host_port
                                                                          : settings.network_port);
    if (options.replay != ReplayMode::none)
        in_effect.fair_laps = false;
    const bool playing =
        options.replay == ReplayMode::play || options.replay == ReplayMode::timedemo;
    if (playing && replay_track >= 0) {
        // A player's track is found by the replay's name and loaded from its file.
        start_up.track = replay_track == replay_player_track ? -1 : replay_track;
        in_effect.computer[0] = in_effect.computer[1] = false;
    }
    return start_up;
}

bool start_up_gamepads(const GamepadChoice choices[2], const char *mappings_file) {
    GamepadKeys keys[2];
    KeyHolder *holders[2];
    for (int player = 0; player < 2; ++player) {
        const RaceKeys &race = race_keys[player];
        keys[player] = {race.right, race.left,  race.up,
                        race.down,  race.turbo, {DIK_RETURN, DIK_SPACE},
                        DIK_ESCAPE};
        holders[player] = &pad_keys[player];
    }
    return gamepads_start(choices, keys, holders, mappings_file);
}

void start_up_apply(const StartUp &start_up) {
    const Settings &settings = start_up.settings;
    for (int player = 0; player < 2; ++player)
        for (int key = 0; key < player_key_count; ++key)
            controls_bind_key(race_key(player, static_cast<PlayerKey>(key)),
                              settings.player_keys[player][key]);
    controls_bind_command(ControlCommand::pause, settings.pause_key);
    controls_bind_command(ControlCommand::screenshot, settings.screenshot_key);
    const std::string folder = config_folder();
    const std::string mappings = folder.empty() ? "" : folder + "/gamecontrollerdb.txt";
    start_up_gamepads(settings.gamepads, mappings.empty() ? nullptr : mappings.c_str());
    sound_master_volume(settings.volume);
    presentation_start_fullscreen(settings.fullscreen);
    presentation_integer_scaling(settings.integer_scaling);
    presentation_path(settings.presentation);
    screenshot_folder(pictures_folder().c_str());
    fair_laps_enable(settings.fair_laps);
    computer_drives[0] = settings.computer[0];
    computer_drives[1] = settings.computer[1];
    computer_level = settings.computer_level;
    chosen_track = start_up.track;
    replay_mode = start_up.replay;
    replay_path = start_up.replay_file;
    replay_rollback_frames = start_up.rollback_test;
    net_choice = start_up.net;
    start_unpaced = start_up.unpaced;
}
