// One network race's connection to the other player, over ENet: host on a port or join a host,
// one peer only. Channel 0 is reliable (hello, answer, input delay, leave), channel 1 unreliable
// and sequenced (inputs; each packet repeats the last net_repeat_frames frames' keys, so a lost
// one costs nothing), channel 2 unreliable (round-trip probes).
//
// The handshake: each side sends its hello; each compares the other's (protocol, game version,
// assets hash) and answers; a mismatch refuses on both sides with one line saying what differs.
// Then the host probes the round trip net_probe_count times, takes the median and fixes the
// input delay for the race, which it sends to the joiner. A peer that leaves, crashes or is
// silent for 3 s is reported gone. Every call returns at once or within a fixed short time.
#pragma once

#include <cstdint>
#include <string>

#include "game/additions/net_protocol.h"

// The game's port when none is given; no common service uses it.
constexpr std::uint16_t net_default_port = 28420;
constexpr int net_repeat_frames = 8;
constexpr int net_probe_count = 5;
// Frames a receiver holds ahead of the one it needs next; keys beyond are dropped.
constexpr int net_receive_window = 256;

struct NetSetup {
    bool hosting = false;
    // Hosting: the address to listen on, empty for every interface. Joining: HOST[:PORT].
    std::string address;
    std::uint16_t port = net_default_port; // hosting only; joining takes it from address
    NetHello hello;                        // ours; the host's track and fair-laps rule count
    int silence_ms = 3000;                 // a peer silent this long is gone
};

enum class NetState { waiting, handshaking, ready, refused, gone };

struct NetSession;

// Splits HOST[:PORT] (a name or an IPv4 address; ENet here has no IPv6). False with a reason.
bool net_parse_address(const std::string &text, std::string &host, std::uint16_t &port,
                       std::string &error);
// d = 1 + ceil(one-way delay / 30 ms), the one-way delay being half the round trip; at most
// net_max_input_delay.
int net_input_delay_for(std::uint64_t round_trip_us);

// Starts hosting or joining; null with a reason when the address or port cannot be used. A join
// looks the host's name up, which the system's resolver bounds in time.
NetSession *net_open(const NetSetup &setup, std::string &error);
// Tells the peer we leave, waits at most 200 ms for it to hear, and frees everything.
void net_close(NetSession *session);

// Handles whatever has arrived, advances the handshake and repeats the last input packet when
// nothing was sent for a frame's time. Never waits.
void net_poll(NetSession *session);
NetState net_state(const NetSession *session);
// The line for the player: "waiting for a player on port N", "connected to HOST", the refusal,
// or why the peer is gone.
const std::string &net_note(const NetSession *session);
const NetHello &net_peer_hello(const NetSession *session);
// Once ready: the input delay in frames and the measured round trip.
int net_input_delay(const NetSession *session);
std::uint64_t net_round_trip_us(const NetSession *session);
// Packets that did not parse, came on the wrong channel or contradicted keys already received.
int net_dropped(const NetSession *session);

// Our keys for frame (frames in order from 0) go out with those of the frames before it and our
// hashes noted so far; false when the frame is not the next one or the peer is not connected.
bool net_send_frame(NetSession *session, std::uint32_t frame, NetFrameKeys keys);
// Our race-state hash of a frame we ran (frames in order from 0), sent with the next keys.
void net_note_hash(NetSession *session, std::uint32_t frame, std::uint64_t hash);
// The peer's keys or hash for a frame, once they have arrived. Asking for a frame forgets the
// frames before it, so ask in order.
bool net_remote_keys(NetSession *session, std::uint32_t frame, NetFrameKeys &keys);
bool net_remote_hash(NetSession *session, std::uint32_t frame, std::uint64_t &hash);
// The latest frame whose keys from the peer have arrived, plus one (0 before any): how far the
// peer has got.
std::uint32_t net_remote_frames(const NetSession *session);

// The player pressed the space bar on the title; whether the other player has.
void net_send_ready(NetSession *session);
bool net_peer_ready(const NetSession *session);
// The pause ends before frame on both machines: said by the one who ended it, taken once by the
// other.
void net_send_resume(NetSession *session, std::uint32_t frame);
bool net_take_resume(NetSession *session, std::uint32_t &frame);
// The player quit the race (Escape while paused): the other machine hears that they left, and
// net_close does not say it again.
void net_send_leave(NetSession *session);
