// Finding, drawing, reading and checking the player's own tracks.
#include "game/additions/player_tracks.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "game/additions/fair_laps.h"
#include "game/additions/replay_drive.h"
#include "game/setup.h"
#include "platform/additions/user_folders.h"

PlayerTrack player_track;

namespace {

namespace fs = std::filesystem;

constexpr std::size_t longest_name = 64;

bool ends_with_bmp(const std::string &text) {
    return text.size() >= 4 && text.compare(text.size() - 4, 4, ".bmp") == 0;
}

std::string hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return text;
}

int say(int code, const std::string &line) {
    std::fprintf(stderr, "dirtwhirl: %s\n", line.c_str());
    return code;
}

// A replay of a player's track: the track of its name in the folder, with the same picture.
int find_replay_track(const Replay &replay, const std::string &folder, PlayerTrack &track) {
    const std::string needed = "this replay was recorded on the track " + replay.track_name +
                               " (hash " + hex(replay.track_hash) + "), which ";
    const std::string place = folder.empty() ? "the tracks folder (no home folder is set)" : folder;
    track.name = replay.track_name;
    track.path = folder + "/" + replay.track_name + ".bmp";
    TrackPicture picture;
    std::string why;
    if (folder.empty() || !track_picture_read(track.path.c_str(), picture, why))
        return say(2, needed + "is not in " + place);
    if (track_hash(picture.pixels.data(), picture.palette) != replay.track_hash)
        return say(2, needed + "has another picture there");
    return 0;
}

} // namespace

std::string tracks_folder() {
    const std::string home = data_home_folder();
    return home.empty() ? "" : home + "/tracks";
}

bool track_name_valid(const std::string &name) {
    if (name.empty() || name.size() > longest_name)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_' || c == '.' || c == ' ';
    });
}

std::uint64_t track_hash(const BYTE *pixels, const PALETTEENTRY palette[256]) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    auto add = [&hash](BYTE byte) { hash = (hash ^ byte) * 0x100000001b3ull; };
    for (int i = 0; i < 640 * 480; ++i)
        add(pixels[i]);
    for (int i = 0; i < 256; ++i) {
        add(palette[i].peRed);
        add(palette[i].peGreen);
        add(palette[i].peBlue);
    }
    return hash;
}

std::vector<std::string> player_track_names(const std::string &folder) {
    std::vector<std::string> names;
    std::error_code error;
    if (folder.empty() || !fs::is_directory(folder, error))
        return names;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder, error)) {
        const std::string file = entry.path().filename().string();
        if (ends_with_bmp(file) && entry.is_regular_file(error) &&
            track_name_valid(file.substr(0, file.size() - 4)))
            names.push_back(file.substr(0, file.size() - 4));
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool player_track_find(const std::string &value, const std::string &folder, PlayerTrack &track,
                       std::string &error) {
    const bool a_path = value.find('/') != std::string::npos || ends_with_bmp(value);
    const std::string path = a_path ? value : folder + "/" + value + ".bmp";
    const std::string file = fs::path(path).filename().string();
    const std::string name = ends_with_bmp(file) ? file.substr(0, file.size() - 4) : file;
    if (!a_path && (folder.empty() || !track_name_valid(value))) {
        error = "no track '" + value + "': --track takes 0, 1, 2, the name of a track in " +
                (folder.empty() ? std::string("the tracks folder") : folder) +
                " or a path to a .bmp picture";
        return false;
    }
    if (!track_name_valid(name)) {
        error = path + ": a track's name (its file's name without .bmp) may hold only letters, "
                       "digits, '-', '_', '.' and spaces, at most 64";
        return false;
    }
    const std::string problem = file_problem(path);
    if (!problem.empty()) {
        error = full_path(path) + ": " + problem;
        if (!a_path) {
            std::string names;
            for (const std::string &known : player_track_names(folder))
                names += (names.empty() ? "" : ", ") + known;
            error +=
                names.empty() ? "; the tracks folder holds no track" : "; its tracks: " + names;
        }
        return false;
    }
    track.name = name;
    track.path = path;
    return true;
}

bool player_track_load(PlayerTrack &track, const PALETTEENTRY shown[256], std::string &error,
                       std::FILE *err) {
    TrackPicture picture;
    std::string why;
    if (!track_picture_read(track.path.c_str(), picture, why)) {
        error = full_path(track.path) + ": " + why;
        return false;
    }
    TrackSight sight;
    const TrackCheck check = track_check(picture.pixels.data(), picture.palette, shown, sight);
    if (!check.races()) {
        error = full_path(track.path) + ": does not race: " + check.first_reason();
        return false;
    }
    for (const TrackProblem &problem : check.problems)
        std::fprintf(err, "dirtwhirl: %s: warning: %s\n", full_path(track.path).c_str(),
                     problem.text.c_str());
    track.hash = track_hash(picture.pixels.data(), picture.palette);
    track.has_checkpoint = check.has_checkpoint;
    track.checkpoint_x = check.checkpoint_x;
    track.checkpoint_y = check.checkpoint_y;
    return true;
}

bool game_palette_read(PALETTEENTRY shown[256], std::string &error) {
    const std::string file = data_file("images/intro.bmp");
    TrackPicture picture;
    std::string why;
    if (!track_picture_read(file.c_str(), picture, why)) {
        error = full_path(file) + ": " + why;
        return false;
    }
    std::memcpy(shown, picture.palette, sizeof picture.palette);
    return true;
}

int player_track_choose(const Options &options, const Settings &settings, TrackChoice &choice) {
    const std::string folder = tracks_folder();
    const Replay *replay = replay_to_play();
    if (replay != nullptr) {
        if (replay->track != replay_player_track)
            return 0;
        const int code = find_replay_track(*replay, folder, choice.player);
        if (code != 0)
            return code;
    } else if (!options.track_value.empty()) {
        std::string error;
        if (!player_track_find(options.track_value, folder, choice.player, error))
            return say(2, error);
    } else if (settings.random_tracks_all && options.track < 0 && !options.host && !options.join) {
        const std::vector<std::string> names = player_track_names(folder);
        std::random_device device;
        const std::size_t drawn = device() % (3 + names.size());
        if (drawn < 3) {
            choice.built_in = static_cast<int>(drawn);
            return 0;
        }
        choice.player.name = names[drawn - 3];
        choice.player.path = folder + "/" + choice.player.name + ".bmp";
    } else {
        return 0;
    }
    if (options.host)
        return say(2, "a network race runs on the built-in tracks 0 to 2 only, not on the "
                      "track " +
                          choice.player.name);
    PALETTEENTRY shown[256];
    std::string error;
    if (!game_palette_read(shown, error) || !player_track_load(choice.player, shown, error, stderr))
        return say(1, error);
    return 0;
}

void player_track_apply(const TrackChoice &choice) {
    if (choice.built_in >= 0)
        chosen_track = choice.built_in;
    player_track = choice.player;
    chosen_track_file = choice.player.path;
    if (choice.player.name.empty() || !fair_laps_enabled())
        return;
    if (choice.player.has_checkpoint) {
        fair_laps_checkpoint(choice.player.checkpoint_x, choice.player.checkpoint_y);
    } else {
        fair_laps_enable(false);
        std::fprintf(stderr,
                     "dirtwhirl: fair laps are off: no place on the track %s is passed by "
                     "every lap, for its checkpoint\n",
                     choice.player.name.c_str());
    }
}
