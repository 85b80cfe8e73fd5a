// Recording a race into a replay file, and playing one back: on the screen at the race's pace,
// or as a timed demo as fast as the machine can. A recording keeps what the race frame read
// (Escape from GetAsyncKeyState, the race keys from the keyboard device) and the hash of every
// frame's picture; a playback feeds those keys back as the replay's key holder, alone, and
// compares every frame with the recording.
#pragma once

#include <string>

#include "game/additions/options.h"
#include "game/additions/replay.h"

// What the start-up asked for; none at program start.
extern ReplayMode replay_mode;
extern std::string replay_path;
// A test of the saved race state: after every frame of a playback the race goes back this many
// frames (1 to 8), races them again silently from the state saved before them and checks that
// each ends in the state hash of its first run; 0: off.
extern int replay_rollback_frames;

// Before set-up: reads the file to play, or makes sure the file to record can be written. False
// after saying why on standard error.
bool replay_prepare(ReplayMode mode, const std::string &path);
// The track of the replay read for playing (0 to 2, or replay_player_track); -1 when none was read.
int replay_track();
// The replay read for playing; null when none was read.
const Replay *replay_to_play();

// The race in the mode asked for, in place of race_loop; returns the program's exit code. A
// recording writes its file when the race ends (1 when it cannot). A playback says on standard
// error whether it matched the recording, and returns 0 or 3; a timed demo first prints its
// frames, times and frames per second on standard output.
int replay_race();

// The pieces of replay_race, for tools and tests that drive a race themselves.
// Recording: from the first race frame, watching the keyboard's reads; after every frame (a
// race_loop watcher); the end, which writes the file.
void replay_record_begin();
bool replay_record_after_frame(int frame_result);
bool replay_record_end(const char *path);
// A recording of frames raced out of order (a network race that goes back over frames): each frame
// is given once it is final, with the keys it held by replay_race_keys bit, its race-state hash and
// its picture's hash.
void replay_record_frame(std::uint16_t keys, std::uint64_t state_hash, std::uint64_t picture_hash);
// The hash of the picture the frame just run drew: on the screen after a shown frame, still in
// the back buffer after a silent one or the frame that won the race (neither is shown).
std::uint64_t replay_picture_hash(int frame_result, bool silent = false);
// Playback of a replay whose track is loaded: the first frame's keys are held from now on; after
// every frame (a race_loop watcher, false after the last recorded frame); the end, which lets go
// of the keys and says whether the race matched the recording (0) or not (3).
void replay_play_begin(const Replay &replay);
bool replay_play_after_frame(int frame_result);
int replay_play_end();
// True when Escape or the window's close stopped the last playback before its end (it then
// says "stopped at frame N of M" and ends with 0).
bool replay_stopped();
