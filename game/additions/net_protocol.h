// The network race's messages and their bytes. Every number is little-endian and written byte by
// byte; every message starts with one type byte. Decoding checks each field (lengths, counts,
// ranges, frame numbers) before anything is used and says why a message does not parse; the
// caller drops such a packet and counts it.
//
//   hello   u8 1, u32 magic "DWNT", u16 protocol version, then (this version's layout)
//           u8 n, n bytes game version (printable ASCII, 1..32), u64 assets hash,
//           u8 track (0..2; the host's choice, 0 from the joiner), u8 fair laps (0 or 1),
//           u64 nonce
//   answer  u8 2, u8 refusal (0 accepted, 1 protocol, 2 game version, 3 assets, 4 busy)
//   ping    u8 3, u64 sender's time in microseconds;  pong: u8 4, the ping's time echoed
//   delay   u8 5, u8 input delay in frames (1..net_max_input_delay), fixed for the race
//   input   u8 6, u32 first frame, u8 k (1..net_max_frames), k times {u16 keys, u8 flags},
//           u32 first hashed frame, u8 h (0..net_max_frames), h times u64 race-state hash
//   leave   u8 7, u8 why (0 the player quit, 1 the program is closing)
//   ready   u8 8: the player pressed the space bar on the title; the race may start
//   resume  u8 9, u32 frame: the player ended the pause before that frame
//
// Keys are the replay's key table bits of the ten race keys (bit i: replay_race_keys[i]);
// Escape and the pause travel as flags. Frame numbers stay below net_max_frame, and hashed
// frames end at or before the packet's last keyed frame (a frame runs once its keys are sent).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr std::uint16_t net_protocol_version = 1;
constexpr std::size_t net_max_game_version = 32;
// The most frames of keys, or of hashes, one input packet carries.
constexpr int net_max_frames = 32;
// About 140 hours of race at 30 ms a frame; larger frame numbers are hostile.
constexpr std::uint32_t net_max_frame = 1u << 24;
constexpr int net_max_input_delay = 30;
constexpr std::uint16_t net_race_key_bits = 0x03FF;
constexpr std::uint8_t net_flag_escape = 0x01;
constexpr std::uint8_t net_flag_pause = 0x02;

enum class NetType : std::uint8_t {
    hello = 1,
    answer,
    ping,
    pong,
    delay,
    input,
    leave,
    ready,
    resume
};

enum class NetRefusal : std::uint8_t { none = 0, protocol, game_version, assets, busy };

struct NetHello {
    std::uint16_t protocol = net_protocol_version;
    std::string game_version;
    std::uint64_t assets_hash = 0;
    std::uint8_t track = 0;
    bool fair_laps = false;
    std::uint64_t nonce = 0;
};

struct NetFrameKeys {
    std::uint16_t keys = 0;
    std::uint8_t flags = 0;
};

struct NetInput {
    std::uint32_t first_frame = 0;
    std::vector<NetFrameKeys> frames;
    std::uint32_t first_hashed_frame = 0;
    std::vector<std::uint64_t> hashes;
};

// One decoded message: type says which of the fields hold it.
struct NetMessage {
    NetType type = NetType::leave;
    NetHello hello;
    NetRefusal refusal = NetRefusal::none;
    std::uint64_t time = 0;  // ping, pong
    std::uint8_t value = 0;  // delay: frames; leave: why
    std::uint32_t frame = 0; // resume
    NetInput input;
};

std::vector<std::uint8_t> net_encode_hello(const NetHello &hello);
std::vector<std::uint8_t> net_encode_answer(NetRefusal refusal);
std::vector<std::uint8_t> net_encode_ping(NetType ping_or_pong, std::uint64_t time);
std::vector<std::uint8_t> net_encode_delay(int frames);
std::vector<std::uint8_t> net_encode_input(const NetInput &input);
std::vector<std::uint8_t> net_encode_leave(std::uint8_t why);
std::vector<std::uint8_t> net_encode_ready();
std::vector<std::uint8_t> net_encode_resume(std::uint32_t frame);

// True and the message when the bytes are exactly one well-formed message. A hello of another
// protocol version parses as far as its version (message.hello.protocol), so that the mismatch
// can be named; the rest of its fields are then left empty. False with a reason otherwise.
bool net_decode(const std::uint8_t *data, std::size_t size, NetMessage &message,
                std::string &error);

// What differs between our hello and the peer's (none when they may race), and that refusal as
// the one line both players see; empty for none.
NetRefusal net_compare_hello(const NetHello &ours, const NetHello &theirs);
std::string net_refusal_line(NetRefusal refusal, const NetHello &ours, const NetHello &theirs);
