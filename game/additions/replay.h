// Replay files (.dwr): what the race frame read in every frame of one race, so that the race can
// be played again frame for frame and checked against what was recorded.
//
// Version 2, all numbers little-endian:
//
//   offset  size  what
//   0       4     magic "DWRP"
//   4       2     version, 2
//   6       1     track, 0 to 2 for a built-in track, 255 for a player's own
//   7       1     k, the number of keys in the key table, 1 to 16
//   8       8     the font's fingerprint: the hash of the texts the race draws, as the
//                 recording machine's font drew them
//   16      k     the key table: DirectInput key codes, each once, from the keys the race reads
//                 (the arrows, W A S D, N, B; Escape, 0x01, stands for GetAsyncKeyState(VK_ESCAPE))
//   16 + k  8     only for a player's track: the track's hash (track_hash: FNV-1a of its pixels
//                 and palette), then u8 m, the name's length (1 to 64), and m bytes of its name
//                 (letters, digits, '-', '_', '.', ' '); the frames follow them
//   16 + k  14n   n frames: u16 the keys held (bit i: key i of the table), u64 the race-state hash
//                 after the frame (race_state_hash), u32 the low half of the frame's picture hash
//   end-16  16    trailer: u32 n (at least 1), u16 player 1's laps, u16 player 2's laps (0 to 10,
//                 at the end of the race), u64 the picture hash of the last frame
//
// The race-state hash decides whether a race played again is the race recorded; the pictures are
// compared as well when the playing machine's font draws the texts as the recording's did (the
// same fingerprint), and are skipped with a note when it does not.
//
// Version 1 has no fingerprint and no state hashes: the key table follows at offset 8 and a frame
// is 6 bytes, u16 keys and u32 picture hash. It is still read and played (its pictures are always
// compared), and written again as read. A reader refuses any other version.
//
// A frame's picture is the 640 x 480 palette indices it drew and the palette's colours; its hash
// is replay_frame_hash of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

struct ReplayFrame {
    std::uint16_t keys;
    std::uint32_t hash;           // the low half of the picture hash
    std::uint64_t state_hash = 0; // none in version 1
};

struct Replay {
    int version = 2;
    int track = 0;                // 0 to 2, or replay_player_track
    std::uint64_t track_hash = 0; // a player's track: its picture's hash and its name
    std::string track_name;
    std::uint64_t font_hash = 0; // none in version 1
    std::vector<std::uint8_t> key_table;
    std::vector<ReplayFrame> frames;
    int player1_laps = 0;
    int player2_laps = 0;
    std::uint64_t last_hash = 0;
};

constexpr int replay_player_track = 255; // the track byte of a player's own track
constexpr int replay_version = 2;        // what a recording writes
constexpr int replay_first_version = 1;  // the oldest still read
// Larger files are refused before they are read: about 90 hours of race.
constexpr std::size_t replay_max_file_size = 64u << 20;

// The key table a recording writes: the ten race keys, then Escape.
extern const std::uint8_t replay_race_keys[11];

// Checks and reads a whole file's bytes. False with a one-line reason in error when anything in
// it is out of place; nothing is sized from the file before its length has been checked.
bool replay_parse(const std::uint8_t *data, std::size_t size, Replay &replay, std::string &error);
// Writes the replay's own version.
std::vector<std::uint8_t> replay_serialize(const Replay &replay);

// The file: read and parsed; or written under a temporary name beside it and renamed, so that
// the chosen name holds a whole replay or nothing. Errors start with the file's name.
bool replay_load(const char *path, Replay &replay, std::string &error);
bool replay_save(const char *path, const Replay &replay, std::string &error);
// Whether replay_save could write the file, found by making and removing a temporary file beside
// it; the chosen name is not touched.
bool replay_can_save(const char *path, std::string &error);

// The hash of a 640 x 480 picture of palette indices and the palette's red, green and blue.
std::uint64_t replay_frame_hash(const BYTE *pixels, int pitch, const PALETTEENTRY palette[256]);
