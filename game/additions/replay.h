// Replay files (.dwr): what the race frame read in every frame of one race, so that the race can
// be played again frame for frame and checked against what was recorded.
//
// Version 1, all numbers little-endian:
//
//   offset  size  what
//   0       4     magic "DWRP"
//   4       2     version, 1
//   6       1     track, 0 to 2
//   7       1     k, the number of keys in the key table, 1 to 16
//   8       k     the key table: DirectInput key codes, each once, from the keys the race reads
//                 (the arrows, W A S D, N, B; Escape, 0x01, stands for GetAsyncKeyState(VK_ESCAPE))
//   8 + k   6n    n frames: u16 the keys held (bit i: key i of the table), u32 the low half of the
//                 frame's picture hash (below)
//   end-16  16    trailer: u32 n (at least 1), u16 player 1's laps, u16 player 2's laps (0 to 10,
//                 at the end of the race), u64 the picture hash of the last frame
//
// A frame's picture is the 640 x 480 palette indices it drew and the palette's colours; its hash
// is replay_frame_hash of them. A reader refuses any other version; a later version that adds
// to the format changes the version number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

struct ReplayFrame {
    std::uint16_t keys;
    std::uint32_t hash;
};

struct Replay {
    int track = 0;
    std::vector<std::uint8_t> key_table;
    std::vector<ReplayFrame> frames;
    int player1_laps = 0;
    int player2_laps = 0;
    std::uint64_t last_hash = 0;
};

constexpr int replay_version = 1;
// Larger files are refused before they are read: about 90 hours of race.
constexpr std::size_t replay_max_file_size = 64u << 20;

// The key table a recording writes: the ten race keys, then Escape.
extern const std::uint8_t replay_race_keys[11];

// Checks and reads a whole file's bytes. False with a one-line reason in error when anything in
// it is out of place; nothing is sized from the file before its length has been checked.
bool replay_parse(const std::uint8_t *data, std::size_t size, Replay &replay, std::string &error);
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
