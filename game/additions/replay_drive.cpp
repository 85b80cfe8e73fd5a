// Recording and playback of a race around the race loop; the race frame itself knows nothing of
// them. A race frame reads its keys twice: Escape with GetAsyncKeyState at its start, the race
// keys from the keyboard device into keyboard_state later; the recording takes both after each
// frame, and the playback holds the recorded keys in the replay's key holder while nothing else
// is heard.
#include "game/additions/replay_drive.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "engine/display/display.h"
#include "engine/display/raster.h"
#include "engine/input/input.h"
#include "game/additions/player_tracks.h"
#include "game/additions/race_hash.h"
#include "game/additions/race_loop.h"
#include "game/additions/race_snapshot.h"
#include "game/race.h"
#include "game/race_state.h"
#include "game/setup.h"
#include "platform/additions/controls.h"
#include "platform/window.h"

ReplayMode replay_mode = ReplayMode::none;
std::string replay_path;
int replay_rollback_frames = 0;

namespace {

constexpr int escape_bit = 10; // Escape's place in replay_race_keys
// About an hour of race is held without growing the recording.
constexpr std::size_t frames_reserved = 120000;

Replay replay;
bool replay_read = false; // a replay to play was read
KeyHolder replay_keys;

// Playback
std::size_t frames_played = 0;
std::size_t first_difference = 0; // 1-based; 0 while every frame matched
std::uint64_t played_last_hash = 0;
bool stopped = false;          // Escape or the window's close stopped the playback
bool compare_pictures = false; // this machine's font draws as the recording's did

// The rollback test: the state before each of the last frames and the state hash each frame
// ended in on its first run, by frame; the first frame raced again that ended otherwise.
RaceSnapshots<16> before_frame;
std::array<std::uint64_t, 16> first_run_hash{};
std::size_t raced_again_from = 0, raced_again_differs = 0; // 1-based; 0: all matched

// Which pixels of the texts a race frame draws this machine's font inks: a picture hash can only
// match the recording's when these do. The ink is a colour far from the paper's, whatever the
// palette.
std::uint64_t font_hash() {
    constexpr int width = 640, height = 24;
    IDirectDrawSurface *surface = display_create_surface(width, height, DDSCAPS_SYSTEMMEMORY);
    if (surface == nullptr)
        return 0;
    display_fill_surface(surface, 0);
    const PALETTEENTRY &paper = palette_table[0];
    draw_text_rgb("Player1 lap: 10 Player2 lap: 0123456789 ESC to exit PAUSED", 0, 0,
                  RGB(255 - paper.peRed, 255 - paper.peGreen, 255 - paper.peBlue), surface);
    std::uint64_t hash = 0xCBF29CE484222325ull;
    int pitch = 0;
    if (const BYTE *pixels = display_lock_surface(surface, &pitch)) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                hash = (hash ^ (pixels[y * pitch + x] != 0 ? 1u : 0u)) * 0x100000001B3ull;
        display_unlock_surface(surface, nullptr);
    }
    surface->Release();
    return hash;
}

} // namespace

// The picture the frame drew: on the screen after a shown frame, still in the back buffer after
// a silent frame or the frame that won the race (neither is shown).
std::uint64_t replay_picture_hash(int frame_result, bool silent) {
    IDirectDrawSurface *surface = frame_result == 5 || silent ? back_surface : primary_surface;
    DDSURFACEDESC desc{};
    desc.dwSize = DDSURFACEDESC_SIZE;
    if (surface == nullptr ||
        surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK)
        return 0;
    std::uint64_t hash = 0;
    if (desc.dwWidth >= 640 && desc.dwHeight >= 480)
        hash = replay_frame_hash(static_cast<const BYTE *>(desc.lpSurface),
                                 static_cast<int>(desc.lPitch), palette_table);
    surface->Unlock(nullptr);
    return hash;
}

namespace {

// What the frame just run read, by replay_race_keys bit: the race keys from the keyboard device,
// Escape from GetAsyncKeyState.
std::uint16_t keys_read() {
    std::uint16_t keys = 0;
    for (int bit = 0; bit < escape_bit; ++bit)
        if (keyboard_state[replay_race_keys[bit]] != 0)
            keys |= static_cast<std::uint16_t>(1u << bit);
    if (controls_reported_down(VK_ESCAPE))
        keys |= 1u << escape_bit;
    return keys;
}

void hold_frame_keys(std::size_t frame) {
    for (std::size_t bit = 0; bit < replay.key_table.size(); ++bit)
        replay_keys.hold(replay.key_table[bit], (replay.frames[frame].keys >> bit & 1u) != 0);
}

// After the first run of frame `last` (0-based): back to the state before the last k frames, and
// those frames raced again silently with their keys, each checked against its first run. The
// race goes on from the state the frames raced again ended in.
void race_again(std::size_t last) {
    first_run_hash[last % first_run_hash.size()] = race_state_hash();
    const std::size_t count = std::min<std::size_t>(replay_rollback_frames, last + 1);
    const std::size_t from = last + 1 - count;
    race_snapshot_restore(before_frame.of(from));
    silent_frames(true);
    for (std::size_t frame = from; frame <= last; ++frame) {
        hold_frame_keys(frame);
        race_frame();
        if (raced_again_differs == 0 &&
            race_state_hash() != first_run_hash[frame % first_run_hash.size()]) {
            raced_again_from = from + 1;
            raced_again_differs = frame + 1;
        }
    }
    silent_frames(false);
    race_snapshot_save(before_frame.of(last + 1));
}

std::string frames_in_words(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " frame" : " frames");
}

double cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

int timed_demo() {
    tick_count_unpaced(true);
    replay_play_begin(replay);
    const auto wall_start = std::chrono::steady_clock::now();
    const double cpu_start = cpu_seconds();
    race_loop(replay_play_after_frame);
    const double cpu = cpu_seconds() - cpu_start;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    tick_count_unpaced(false);
    std::printf("timedemo: %s in %.3f s, %.1f frames a second; CPU time %.3f s\n",
                frames_in_words(frames_played).c_str(), wall,
                wall > 0 ? static_cast<double>(frames_played) / wall : 0.0, cpu);
    std::fflush(stdout);
    return replay_play_end();
}

} // namespace

bool replay_prepare(ReplayMode mode, const std::string &path) {
    if (mode == ReplayMode::none)
        return true;
    std::string error;
    bool ready;
    if (mode == ReplayMode::record) {
        // Said now rather than after a whole race.
        ready = replay_can_save(path.c_str(), error);
    } else {
        ready = replay_load(path.c_str(), replay, error);
        replay_read = ready;
    }
    if (!ready)
        std::fprintf(stderr, "dirtwhirl: %s\n", error.c_str());
    return ready;
}

int replay_track() {
    return replay_read ? replay.track : -1;
}

const Replay *replay_to_play() {
    return replay_read ? &replay : nullptr;
}

int replay_race() {
    switch (replay_mode) {
    case ReplayMode::none:
        break;
    case ReplayMode::record: {
        // Closed on the intro or the title: nobody raced, and an empty replay would say otherwise.
        if (controls_close_requested()) {
            std::fprintf(stderr, "dirtwhirl: %s: nothing recorded: the race did not start\n",
                         replay_path.c_str());
            return 1;
        }
        replay_record_begin();
        const int exit_code = race_loop(replay_record_after_frame);
        return replay_record_end(replay_path.c_str()) ? exit_code : 1;
    }
    case ReplayMode::play:
        replay_play_begin(replay);
        race_loop(replay_play_after_frame);
        return replay_play_end();
    case ReplayMode::timedemo:
        return timed_demo();
    }
    return race_loop();
}

void replay_record_begin() {
    replay = Replay{};
    replay.track = player_track.name.empty() ? race_track : replay_player_track;
    replay.track_hash = player_track.hash;
    replay.track_name = player_track.name;
    replay.font_hash = font_hash();
    replay.key_table.assign(std::begin(replay_race_keys), std::end(replay_race_keys));
    replay.frames.reserve(frames_reserved);
}

bool replay_record_after_frame(int frame_result) {
    replay_record_frame(keys_read(), race_state_hash(), replay_picture_hash(frame_result));
    return true;
}

void replay_record_frame(std::uint16_t keys, std::uint64_t state_hash, std::uint64_t picture_hash) {
    replay.frames.push_back(
        ReplayFrame{keys, static_cast<std::uint32_t>(picture_hash), state_hash});
    replay.last_hash = picture_hash;
}

bool replay_record_end(const char *path) {
    replay.player1_laps = player1_laps;
    replay.player2_laps = player2_laps;
    std::string error;
    // A race that ended before its first frame (closed at once) has nothing to replay.
    if (replay.frames.empty()) {
        std::fprintf(stderr, "dirtwhirl: %s: nothing recorded: the race did not start\n", path);
        return false;
    }
    if (!replay_save(path, replay, error)) {
        std::fprintf(stderr, "dirtwhirl: %s\n", error.c_str());
        return false;
    }
    std::fprintf(stderr, "dirtwhirl: recorded %s into %s\n",
                 frames_in_words(replay.frames.size()).c_str(), path);
    return true;
}

void replay_play_begin(const Replay &to_play) {
    if (&to_play != &replay)
        replay = to_play;
    frames_played = 0;
    first_difference = 0;
    played_last_hash = 0;
    stopped = false;
    raced_again_from = raced_again_differs = 0;
    race_snapshot_save(before_frame.of(0));
    compare_pictures = replay.version == 1 || replay.font_hash == font_hash();
    if (!compare_pictures)
        std::fprintf(stderr, "dirtwhirl: this machine's font draws the race's texts otherwise than "
                             "the recording's: the race is checked, its pictures are not\n");
    controls_take_stop(); // a press from before the playback does not stop it
    controls_hear_only(&replay_keys);
    hold_frame_keys(0);
}

bool replay_play_after_frame(int frame_result) {
    const std::uint64_t hash = replay_picture_hash(frame_result);
    const std::size_t frame = frames_played++;
    played_last_hash = hash;
    const ReplayFrame &recorded = replay.frames[frame];
    const bool same_state = replay.version == 1 || race_state_hash() == recorded.state_hash;
    const bool same_picture =
        !compare_pictures || static_cast<std::uint32_t>(hash) == recorded.hash;
    if (first_difference == 0 && !(same_state && same_picture))
        first_difference = frame + 1;
    if (frames_played == replay.frames.size())
        return false;
    if (controls_take_stop()) {
        stopped = true;
        return false;
    }
    if (replay_rollback_frames > 0)
        race_again(frame);
    hold_frame_keys(frames_played);
    return true;
}

bool replay_stopped() {
    return stopped;
}

int replay_play_end() {
    replay_keys.release_all();
    controls_hear_only(nullptr);
    const std::size_t recorded = replay.frames.size();
    if (stopped) {
        std::fprintf(stderr, "dirtwhirl: stopped at frame %zu of %zu\n", frames_played, recorded);
        return 0;
    }
    if (raced_again_differs != 0) {
        std::fprintf(stderr,
                     "dirtwhirl: raced again from frame %zu, frame %zu ended otherwise than on its "
                     "first run\n",
                     raced_again_from, raced_again_differs);
        return 3;
    }
    if (first_difference != 0) {
        std::fprintf(stderr, "dirtwhirl: replay differs from the recording at frame %zu of %zu\n",
                     first_difference, recorded);
        return 3;
    }
    if (frames_played < recorded) {
        std::fprintf(stderr,
                     "dirtwhirl: replay differs from the recording at frame %zu of %zu: the race "
                     "had ended\n",
                     frames_played + 1, recorded);
        return 3;
    }
    const bool other_picture = compare_pictures && played_last_hash != replay.last_hash;
    if (player1_laps != replay.player1_laps || player2_laps != replay.player2_laps ||
        other_picture) {
        std::fprintf(stderr,
                     "dirtwhirl: replay differs from the recording at frame %zu of %zu: laps %d "
                     "and %d, recorded %d and %d%s\n",
                     recorded, recorded, player1_laps, player2_laps, replay.player1_laps,
                     replay.player2_laps, other_picture ? ", and another picture" : "");
        return 3;
    }
    std::fprintf(stderr, "dirtwhirl: replay matches the recording: %s, laps %d and %d\n",
                 frames_in_words(recorded).c_str(), player1_laps, player2_laps);
    return 0;
}
