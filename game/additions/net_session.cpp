// The network race's transport on ENet.
#include "game/additions/net_session.h"

#include <enet/enet.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

enum Channel : std::uint8_t { reliable_channel, input_channel, probe_channel, channel_count };

constexpr std::uint64_t probe_interval_us = 50'000;
constexpr std::uint64_t probe_limit_us = 2'000'000;
constexpr std::uint64_t resend_interval_us = 30'000;
constexpr std::uint64_t heartbeat_interval_us = 250'000;
// From connecting to racing: a peer that takes longer is treated as gone.
constexpr std::uint64_t handshake_limit_us = 10'000'000;

std::uint64_t now_us() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool enet_ready() {
    static const bool ready = [] {
        if (enet_initialize() != 0)
            return false;
        std::atexit(enet_deinitialize);
        return true;
    }();
    return ready;
}

template <typename T> struct FrameRing {
    std::array<std::uint32_t, net_receive_window> frame_plus_one{};
    std::array<T, net_receive_window> value{};
    std::uint32_t first_wanted = 0;
    std::uint32_t newest_plus_one = 0; // the latest frame stored, plus one; 0: none yet

    // 1 stored or already held, 0 outside the window, -1 when it contradicts what is held.
    int put(std::uint32_t frame, const T &item, bool (*same)(const T &, const T &)) {
        if (frame < first_wanted || frame - first_wanted >= net_receive_window)
            return 0;
        const std::size_t slot = frame % net_receive_window;
        if (frame_plus_one[slot] == frame + 1)
            return same(value[slot], item) ? 1 : -1;
        frame_plus_one[slot] = frame + 1;
        value[slot] = item;
        newest_plus_one = std::max(newest_plus_one, frame + 1);
        return 1;
    }
    bool get(std::uint32_t frame, T &item) {
        first_wanted = std::max(first_wanted, frame);
        const std::size_t slot = frame % net_receive_window;
        if (frame_plus_one[slot] != frame + 1)
            return false;
        item = value[slot];
        return true;
    }
};

bool same_keys(const NetFrameKeys &a, const NetFrameKeys &b) {
    return a.keys == b.keys && a.flags == b.flags;
}
bool same_hash(const std::uint64_t &a, const std::uint64_t &b) {
    return a == b;
}

} // namespace

struct NetSession {
    bool hosting = false;
    NetHello ours;
    NetHello theirs;
    bool have_theirs = false;
    bool we_accept = false;
    bool they_accept = false;
    int silence_ms = 3000;
    std::string peer_name;
    ENetHost *host = nullptr;
    ENetPeer *peer = nullptr;
    NetState state = NetState::waiting;
    std::string note;
    int dropped = 0;
    std::uint64_t connected_at = 0;
    std::uint64_t last_heard = 0;     // anything from the peer
    std::uint64_t last_heartbeat = 0; // our last probe once ready

    std::vector<std::uint64_t> round_trips;
    std::uint64_t last_probe = 0;
    std::uint64_t round_trip = 0;
    int input_delay = 0;

    // Our last frames' keys and hashes, by frame modulo net_repeat_frames.
    std::array<NetFrameKeys, net_repeat_frames> sent_keys{};
    std::uint32_t keys_sent = 0; // frames 0 .. keys_sent - 1 have gone out
    std::array<std::uint64_t, net_repeat_frames> our_hashes{};
    std::uint32_t hashes_noted = 0;
    std::uint64_t last_input_sent = 0;

    bool peer_ready = false;
    bool resume_waiting = false;
    std::uint32_t resume_frame = 0;
    bool left = false; // we said we leave

    FrameRing<NetFrameKeys> remote_keys;
    FrameRing<std::uint64_t> remote_hashes;
};

namespace {

void send(NetSession &s, Channel channel, const std::vector<std::uint8_t> &bytes) {
    if (s.peer == nullptr)
        return;
    ENetPacket *packet = enet_packet_create(
        bytes.data(), bytes.size(), channel == reliable_channel ? ENET_PACKET_FLAG_RELIABLE : 0);
    if (packet != nullptr && enet_peer_send(s.peer, channel, packet) != 0)
        enet_packet_destroy(packet);
}

void finish(NetSession &s, NetState state, const std::string &note) {
    if (s.state == NetState::refused || s.state == NetState::gone)
        return;
    s.state = state;
    s.note = note;
    if (s.peer != nullptr)
        enet_peer_disconnect_later(s.peer, 0);
}

void become_ready(NetSession &s, int delay) {
    s.input_delay = delay;
    s.state = NetState::ready;
    s.note = "connected to " + s.peer_name + ", input delay " + std::to_string(delay) +
             (delay == 1 ? " frame" : " frames");
}

// Both sides have accepted: the host starts probing, the joiner waits for the delay.
void after_answers(NetSession &s) {
    if (!s.we_accept || !s.they_accept || !s.hosting || s.state != NetState::handshaking)
        return;
    const std::uint64_t now = now_us();
    const bool enough = s.round_trips.size() >= net_probe_count;
    if (enough || (now - s.connected_at > probe_limit_us && !s.round_trips.empty()) ||
        now - s.connected_at > probe_limit_us * 2) {
        std::vector<std::uint64_t> sorted = s.round_trips;
        std::sort(sorted.begin(), sorted.end());
        // Without one answered probe, ENet's own estimate of the round trip.
        s.round_trip = sorted.empty() ? std::uint64_t{s.peer->roundTripTime} * 1000
                                      : sorted[sorted.size() / 2];
        const int delay = net_input_delay_for(s.round_trip);
        send(s, reliable_channel, net_encode_delay(delay));
        become_ready(s, delay);
        return;
    }
    if (now - s.last_probe >= probe_interval_us) {
        s.last_probe = now;
        send(s, probe_channel, net_encode_ping(NetType::ping, now));
    }
}

void take_input(NetSession &s, const NetInput &input) {
    bool contradicts = false;
    for (std::size_t i = 0; i < input.frames.size(); ++i)
        contradicts |= s.remote_keys.put(input.first_frame + i, input.frames[i], same_keys) < 0;
    for (std::size_t i = 0; i < input.hashes.size(); ++i)
        contradicts |=
            s.remote_hashes.put(input.first_hashed_frame + i, input.hashes[i], same_hash) < 0;
    s.dropped += contradicts ? 1 : 0;
}

bool on_channel(NetType type, std::uint8_t channel) {
    switch (type) {
    case NetType::ping:
    case NetType::pong:
        return channel == probe_channel;
    case NetType::input:
        return channel == input_channel;
    default:
        return channel == reliable_channel;
    }
}

void receive(NetSession &s, const ENetPacket &packet, std::uint8_t channel) {
    NetMessage message;
    std::string error;
    if (!net_decode(packet.data, packet.dataLength, message, error) ||
        !on_channel(message.type, channel)) {
        ++s.dropped;
        return;
    }
    const bool in_race = s.we_accept && s.they_accept;
    switch (message.type) {
    case NetType::hello: {
        if (s.have_theirs) {
            ++s.dropped;
            return;
        }
        s.have_theirs = true;
        s.theirs = message.hello;
        const NetRefusal refusal = net_compare_hello(s.ours, s.theirs);
        send(s, reliable_channel, net_encode_answer(refusal));
        if (refusal != NetRefusal::none)
            finish(s, NetState::refused, net_refusal_line(refusal, s.ours, s.theirs));
        else
            s.we_accept = true;
        break;
    }
    case NetType::answer:
        if (message.refusal != NetRefusal::none)
            finish(s, NetState::refused, net_refusal_line(message.refusal, s.ours, s.theirs));
        else
            s.they_accept = true;
        break;
    case NetType::ping:
        send(s, probe_channel, net_encode_ping(NetType::pong, message.time));
        break;
    case NetType::pong:
        if (s.hosting && s.state == NetState::handshaking && message.time <= now_us())
            s.round_trips.push_back(now_us() - message.time);
        break;
    case NetType::delay:
        if (!s.hosting && in_race && s.state == NetState::handshaking)
            become_ready(s, message.value);
        else
            ++s.dropped;
        break;
    case NetType::input:
        if (in_race)
            take_input(s, message.input);
        else
            ++s.dropped;
        break;
    case NetType::ready:
        if (s.state == NetState::ready)
            s.peer_ready = true;
        else
            ++s.dropped;
        break;
    case NetType::resume:
        if (s.state == NetState::ready) {
            s.resume_waiting = true;
            s.resume_frame = message.frame;
        } else {
            ++s.dropped;
        }
        break;
    case NetType::leave:
        finish(s, NetState::gone,
               message.value == 0 ? "the other player left" : "the other player closed the game");
        break;
    }
}

void on_connect(NetSession &s, ENetPeer *peer) {
    if ((s.peer != nullptr && s.peer != peer) || s.state != NetState::waiting) {
        // One race, two players: a third is told so and let go.
        std::vector<std::uint8_t> busy = net_encode_answer(NetRefusal::busy);
        if (ENetPacket *packet =
                enet_packet_create(busy.data(), busy.size(), ENET_PACKET_FLAG_RELIABLE))
            if (enet_peer_send(peer, reliable_channel, packet) != 0)
                enet_packet_destroy(packet);
        enet_peer_disconnect_later(peer, 0);
        return;
    }
    s.peer = peer;
    if (s.hosting) {
        char name[64];
        if (enet_address_get_host_ip(&peer->address, name, sizeof name) == 0)
            s.peer_name = name;
    }
    enet_peer_timeout(peer, 0, s.silence_ms, s.silence_ms);
    enet_peer_ping_interval(peer, 250);
    s.state = NetState::handshaking;
    s.connected_at = now_us();
    send(s, reliable_channel, net_encode_hello(s.ours));
}

void resend_input(NetSession &s) {
    if (s.keys_sent == 0 || now_us() - s.last_input_sent < resend_interval_us)
        return;
    NetInput input;
    const std::uint32_t keys = std::min<std::uint32_t>(s.keys_sent, net_repeat_frames);
    input.first_frame = s.keys_sent - keys;
    for (std::uint32_t f = input.first_frame; f < s.keys_sent; ++f)
        input.frames.push_back(s.sent_keys[f % net_repeat_frames]);
    // The hashes still held, of frames whose keys have gone out.
    const std::uint32_t hashed_end = std::min(s.hashes_noted, s.keys_sent);
    const std::uint32_t held =
        net_repeat_frames - std::min<std::uint32_t>(s.hashes_noted - hashed_end, net_repeat_frames);
    const std::uint32_t hashes = std::min(hashed_end, held);
    if (hashes > 0) {
        input.first_hashed_frame = hashed_end - hashes;
        for (std::uint32_t f = input.first_hashed_frame; f < hashed_end; ++f)
            input.hashes.push_back(s.our_hashes[f % net_repeat_frames]);
    }
    send(s, input_channel, net_encode_input(input));
    s.last_input_sent = now_us();
}

} // namespace

bool net_parse_address(const std::string &text, std::string &host, std::uint16_t &port,
                       std::string &error) {
    if (std::count(text.begin(), text.end(), ':') > 1 || text.find('[') != std::string::npos) {
        error = "\"" + text + "\": IPv6 addresses cannot be used; give a name or an IPv4 address";
        return false;
    }
    const std::size_t colon = text.find(':');
    host = text.substr(0, colon);
    port = net_default_port;
    if (host.empty()) {
        error = "\"" + text + "\": no host named";
        return false;
    }
    if (colon == std::string::npos)
        return true;
    const std::string digits = text.substr(colon + 1);
    long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (c < '0' || c > '9' || value > 65535) {
            error = "\"" + text + "\": the port must be a number from 1 to 65535";
            return false;
        }
    }
    if (digits.empty() || value == 0) {
        error = "\"" + text + "\": the port must be a number from 1 to 65535";
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

int net_input_delay_for(std::uint64_t round_trip_us) {
    const std::uint64_t one_way = round_trip_us / 2;
    const std::uint64_t frames = 1 + (one_way + 29'999) / 30'000;
    return static_cast<int>(std::min<std::uint64_t>(frames, net_max_input_delay));
}

NetSession *net_open(const NetSetup &setup, std::string &error) {
    if (!enet_ready()) {
        error = "the network library could not start";
        return nullptr;
    }
    auto *s = new NetSession;
    s->hosting = setup.hosting;
    s->ours = setup.hello;
    s->silence_ms = setup.silence_ms;
    if (s->ours.nonce == 0)
        s->ours.nonce = std::uint64_t{std::random_device{}()} << 32 | std::random_device{}();
    ENetAddress address{};
    if (setup.hosting) {
        address.host = ENET_HOST_ANY;
        address.port = setup.port;
        if (!setup.address.empty() && enet_address_set_host_ip(&address, setup.address.c_str())) {
            error = "\"" + setup.address + "\" is not an IPv4 address to listen on";
            delete s;
            return nullptr;
        }
        // Room for a second caller, to be told that the race is full.
        s->host = enet_host_create(&address, 2, channel_count, 0, 0);
        if (s->host == nullptr) {
            error = "port " + std::to_string(setup.port) + " is in use or cannot be opened";
            delete s;
            return nullptr;
        }
        s->note = "waiting for a player on port " + std::to_string(setup.port);
        return s;
    }
    std::string name;
    if (!net_parse_address(setup.address, name, address.port, error) ||
        (enet_address_set_host(&address, name.c_str()) != 0 &&
         (error = "\"" + name + "\": no such host", true))) {
        delete s;
        return nullptr;
    }
    s->host = enet_host_create(nullptr, 1, channel_count, 0, 0);
    ENetPeer *peer = s->host ? enet_host_connect(s->host, &address, channel_count, 0) : nullptr;
    if (peer == nullptr) {
        error = "cannot open a connection to " + setup.address;
        if (s->host)
            enet_host_destroy(s->host);
        delete s;
        return nullptr;
    }
    enet_peer_timeout(peer, 0, setup.silence_ms, setup.silence_ms);
    s->peer = peer;
    s->peer_name = setup.address;
    s->connected_at = now_us();
    s->note = "connecting to " + setup.address;
    return s;
}

void net_close(NetSession *s) {
    if (s == nullptr)
        return;
    if (s->peer != nullptr && (s->state == NetState::handshaking || s->state == NetState::ready)) {
        if (!s->left)
            send(*s, reliable_channel, net_encode_leave(1));
        enet_peer_disconnect_later(s->peer, 0);
        const std::uint64_t until = now_us() + 200'000;
        ENetEvent event;
        while (now_us() < until && enet_host_service(s->host, &event, 10) >= 0) {
            if (event.type == ENET_EVENT_TYPE_RECEIVE)
                enet_packet_destroy(event.packet);
            if (event.type == ENET_EVENT_TYPE_DISCONNECT && event.peer == s->peer)
                break;
        }
    }
    enet_host_destroy(s->host);
    delete s;
}

void net_poll(NetSession *s) {
    ENetEvent event;
    // Bounded: at most this many events per call, the rest wait for the next.
    for (int i = 0; i < 256 && enet_host_service(s->host, &event, 0) > 0; ++i) {
        switch (event.type) {
        case ENET_EVENT_TYPE_CONNECT:
            on_connect(*s, event.peer);
            break;
        case ENET_EVENT_TYPE_RECEIVE:
            if (event.peer == s->peer)
                s->last_heard = now_us();
            if (event.peer == s->peer)
                receive(*s, *event.packet, event.channelID);
            enet_packet_destroy(event.packet);
            break;
        case ENET_EVENT_TYPE_DISCONNECT:
            if (event.peer == s->peer) {
                finish(*s, NetState::gone,
                       s->state == NetState::waiting && !s->hosting
                           ? "no answer from " + s->peer_name
                           : "the other player is gone: no word from their machine");
                s->peer = nullptr;
            }
            break;
        case ENET_EVENT_TYPE_NONE:
            break;
        }
    }
    const bool connecting =
        s->state == NetState::handshaking || (s->state == NetState::waiting && !s->hosting);
    if (connecting && now_us() - s->connected_at > handshake_limit_us)
        finish(*s, NetState::gone, "no answer from " + s->peer_name);
    after_answers(*s);
    if (s->state == NetState::ready) {
        // The screens send nothing of their own: a probe now and then says this machine is there,
        // and a peer heard from by nothing for the silence is gone, whatever ENet's own timing.
        const std::uint64_t now = now_us();
        if (now - s->last_heartbeat >= heartbeat_interval_us) {
            s->last_heartbeat = now;
            send(*s, probe_channel, net_encode_ping(NetType::ping, now));
        }
        if (s->last_heard != 0 && now - s->last_heard > std::uint64_t(s->silence_ms) * 1000)
            finish(*s, NetState::gone, "the other player is gone: no word from their machine");
        resend_input(*s);
    }
    enet_host_flush(s->host);
}

NetState net_state(const NetSession *s) {
    return s->state;
}
const std::string &net_note(const NetSession *s) {
    return s->note;
}
const NetHello &net_peer_hello(const NetSession *s) {
    return s->theirs;
}
int net_input_delay(const NetSession *s) {
    return s->input_delay;
}
std::uint64_t net_round_trip_us(const NetSession *s) {
    return s->round_trip;
}
int net_dropped(const NetSession *s) {
    return s->dropped;
}

bool net_send_frame(NetSession *s, std::uint32_t frame, NetFrameKeys keys) {
    if (s->peer == nullptr || s->state != NetState::ready || frame != s->keys_sent ||
        frame >= net_max_frame)
        return false;
    s->sent_keys[frame % net_repeat_frames] = keys;
    ++s->keys_sent;
    s->last_input_sent = 0; // goes out now
    resend_input(*s);
    enet_host_flush(s->host);
    return true;
}

void net_note_hash(NetSession *s, std::uint32_t frame, std::uint64_t hash) {
    if (frame != s->hashes_noted)
        return;
    s->our_hashes[frame % net_repeat_frames] = hash;
    ++s->hashes_noted;
}

bool net_remote_keys(NetSession *s, std::uint32_t frame, NetFrameKeys &keys) {
    return s->remote_keys.get(frame, keys);
}

std::uint32_t net_remote_frames(const NetSession *s) {
    return s->remote_keys.newest_plus_one;
}

bool net_remote_hash(NetSession *s, std::uint32_t frame, std::uint64_t &hash) {
    return s->remote_hashes.get(frame, hash);
}

void net_send_ready(NetSession *s) {
    send(*s, reliable_channel, net_encode_ready());
    enet_host_flush(s->host);
}

bool net_peer_ready(const NetSession *s) {
    return s->peer_ready;
}

void net_send_resume(NetSession *s, std::uint32_t frame) {
    send(*s, reliable_channel, net_encode_resume(frame));
    enet_host_flush(s->host);
}

bool net_take_resume(NetSession *s, std::uint32_t &frame) {
    const bool waiting = s->resume_waiting;
    frame = s->resume_frame;
    s->resume_waiting = false;
    return waiting;
}

void net_send_leave(NetSession *s) {
    send(*s, reliable_channel, net_encode_leave(0));
    s->left = true;
    enet_host_flush(s->host);
}
