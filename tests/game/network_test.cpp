// The network race's pieces: the race-state hash, the messages and their checks, and two
// sessions in this process over the loopback address, directly and through the test relay.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "game/additions/assets_hash.h"
#include "game/additions/net_session.h"
#include "game/additions/race_hash.h"
#include "game/race_state.h"

namespace {

TEST(RaceHash, EveryFieldCountsAndTheValueIsFixed) {
    int *fields[] = {&kart1.x,
                     &kart1.y,
                     &kart1.curr_frame,
                     &kart1.curr_anim,
                     &kart1.anim_pos,
                     &kart1.anim_tick,
                     &kart1.anim_state,
                     &kart2.x,
                     &kart2.y,
                     &kart2.curr_frame,
                     &kart2.curr_anim,
                     &kart2.anim_pos,
                     &kart2.anim_tick,
                     &kart2.anim_state,
                     &player1_lap_timer,
                     &player2_lap_timer,
                     &player1_bump_timer,
                     &player2_bump_timer,
                     &player1_terrain_timer,
                     &player2_terrain_timer,
                     &player1_laps,
                     &player2_laps,
                     &player1_on_terrain,
                     &player2_on_terrain,
                     &player1_moved,
                     &player2_moved};
    int value = 1;
    for (int *field : fields)
        *field = value++;
    // FNV-1a 64 of the fields 1 to 26 as 4 little-endian bytes each: the same on every machine.
    EXPECT_EQ(race_state_hash(), 0x94107274321ECB7Eull);
    const std::uint64_t base = race_state_hash();
    for (int *field : fields) {
        const int kept = *field;
        for (int changed : {kept + 1, kept - 256, -kept}) {
            *field = changed;
            EXPECT_NE(race_state_hash(), base) << "field " << (field - fields[0]);
        }
        *field = kept;
    }
    // Fields that are not the race's state do not count.
    kart1.width_fill = 99;
    kart2.counter_1 = 5;
    EXPECT_EQ(race_state_hash(), base);
}

// Every message survives its bytes; every cut, stretch or hostile field is refused with a reason.
TEST(NetProtocol, MessagesRoundTripAndHostileOnesAreRefused) {
    NetHello hello;
    hello.game_version = "1.0";
    hello.assets_hash = 0x0102030405060708ull;
    hello.track = 2;
    hello.fair_laps = true;
    hello.nonce = 99;
    NetInput input;
    input.first_frame = 40;
    input.frames = {{0x0201, net_flag_pause}, {0x03FF, net_flag_escape}};
    input.first_hashed_frame = 39;
    input.hashes = {7, 8};
    const std::vector<std::vector<std::uint8_t>> good = {net_encode_hello(hello),
                                                         net_encode_answer(NetRefusal::assets),
                                                         net_encode_ping(NetType::pong, 12345),
                                                         net_encode_delay(4),
                                                         net_encode_input(input),
                                                         net_encode_leave(1),
                                                         net_encode_ready(),
                                                         net_encode_resume(77)};
    for (const auto &bytes : good) {
        NetMessage message;
        std::string error;
        ASSERT_TRUE(net_decode(bytes.data(), bytes.size(), message, error)) << error;
        EXPECT_EQ(static_cast<std::uint8_t>(message.type), bytes[0]);
        // Every shorter cut, and one byte more, is refused.
        for (std::size_t size = 0; size < bytes.size(); ++size)
            EXPECT_FALSE(net_decode(bytes.data(), size, message, error)) << int(bytes[0]) << size;
        std::vector<std::uint8_t> longer = bytes;
        longer.push_back(0);
        EXPECT_FALSE(net_decode(longer.data(), longer.size(), message, error));
    }
    NetMessage message;
    std::string error;
    ASSERT_TRUE(net_decode(good[0].data(), good[0].size(), message, error));
    EXPECT_EQ(message.hello.game_version, "1.0");
    EXPECT_EQ(message.hello.assets_hash, hello.assets_hash);
    EXPECT_TRUE(message.hello.fair_laps);
    ASSERT_TRUE(net_decode(good[4].data(), good[4].size(), message, error));
    EXPECT_EQ(message.input.frames[1].keys, 0x03FF);
    EXPECT_EQ(message.input.hashes[1], 8u);

    auto hostile = [](std::vector<std::uint8_t> bytes, std::size_t at, std::uint8_t value) {
        bytes[at] = value;
        NetMessage m;
        std::string e;
        return !net_decode(bytes.data(), bytes.size(), m, e) && !e.empty();
    };
    const std::vector<std::uint8_t> &in = good[4];
    EXPECT_TRUE(hostile(in, 5, 0));        // no frames
    EXPECT_TRUE(hostile(in, 5, 200));      // more frames than a packet holds
    EXPECT_TRUE(hostile(in, 4, 0xFF));     // frames past the last there can be
    EXPECT_TRUE(hostile(in, 7, 0x04));     // a key bit outside the race's
    EXPECT_TRUE(hostile(in, 8, 0x80));     // an unknown flag
    EXPECT_TRUE(hostile(in, 12, 41));      // hashes of frames not yet run
    EXPECT_TRUE(hostile(good[0], 1, 'X')); // not the game's magic
    EXPECT_TRUE(hostile(good[3], 1, 0));   // an input delay of nothing
    EXPECT_TRUE(hostile(good[1], 1, 9));   // an unknown refusal
    EXPECT_TRUE(hostile(good[6], 0, 42));  // an unknown type
}

// Polls both sessions until done says so or the time is up.
bool poll_until(NetSession *a, NetSession *b, const std::function<bool()> &done, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        net_poll(a);
        if (b != nullptr)
            net_poll(b);
        if (done())
            return true;
        usleep(2000);
    }
    return false;
}

struct Pair {
    NetSession *host = nullptr;
    NetSession *join = nullptr;
    ~Pair() {
        net_close(join);
        net_close(host);
    }
};

void open_pair(Pair &pair, std::uint16_t port, const NetHello &host_hello,
               const NetHello &join_hello, int silence_ms = 3000) {
    std::string error;
    NetSetup host{true, "127.0.0.1", port, host_hello, silence_ms};
    NetSetup join{false, "127.0.0.1:" + std::to_string(port), port, join_hello, silence_ms};
    pair.host = net_open(host, error);
    ASSERT_NE(pair.host, nullptr) << error;
    pair.join = net_open(join, error);
    ASSERT_NE(pair.join, nullptr) << error;
}

std::uint16_t test_port(int offset) {
    return static_cast<std::uint16_t>(40000 + getpid() % 10000 + offset);
}

TEST(NetSession, HandshakeAgreesOnTheHostsRaceOrRefusesWhatDiffers) {
    NetHello ours;
    ours.game_version = "1.0";
    ours.track = 1;
    ours.fair_laps = true;
    struct Case {
        const char *what;
        NetHello theirs;
        const char *line; // empty: they race
    };
    NetHello other_protocol = ours, other_version = ours, other_assets = ours;
    other_protocol.protocol = 2;
    other_version.game_version = "0.9";
    other_assets.assets_hash = 1;
    const Case cases[] = {{"same", ours, ""},
                          {"protocol", other_protocol, "protocol"},
                          {"version", other_version, "runs Dirtwhirl"},
                          {"assets", other_assets, "track pictures or car files differ"}};
    int offset = 0;
    for (const Case &c : cases) {
        Pair pair;
        open_pair(pair, test_port(offset++), ours, c.theirs);
        auto ended = [&] {
            return net_state(pair.host) != NetState::waiting &&
                   net_state(pair.host) != NetState::handshaking &&
                   net_state(pair.join) != NetState::waiting &&
                   net_state(pair.join) != NetState::handshaking;
        };
        ASSERT_TRUE(poll_until(pair.host, pair.join, ended, 5000)) << c.what;
        if (*c.line == '\0') {
            ASSERT_EQ(net_state(pair.join), NetState::ready) << net_note(pair.join);
            EXPECT_EQ(net_peer_hello(pair.join).track, 1);
            EXPECT_TRUE(net_peer_hello(pair.join).fair_laps);
            EXPECT_EQ(net_input_delay(pair.join), net_input_delay(pair.host));
            // Keys go both ways, and the peer's hashes with them.
            for (std::uint32_t f = 0; f < 20; ++f) {
                net_note_hash(pair.host, f, 1000 + f);
                ASSERT_TRUE(net_send_frame(pair.host, f, {std::uint16_t(f), 0}));
            }
            NetFrameKeys keys;
            std::uint64_t hash = 0;
            ASSERT_TRUE(poll_until(
                pair.host, pair.join, [&] { return net_remote_keys(pair.join, 19, keys); }, 2000));
            EXPECT_EQ(keys.keys, 19);
            ASSERT_TRUE(net_remote_hash(pair.join, 18, hash));
            EXPECT_EQ(hash, 1018u);
        } else {
            for (NetSession *side : {pair.host, pair.join}) {
                EXPECT_EQ(net_state(side), NetState::refused) << c.what;
                EXPECT_NE(net_note(side).find(c.line), std::string::npos) << net_note(side);
            }
        }
    }
}

TEST(NetSession, ASilentPeerIsGoneWithinFiveSeconds) {
    NetHello hello;
    hello.game_version = "1.0";
    Pair pair;
    open_pair(pair, test_port(20), hello, hello);
    ASSERT_TRUE(poll_until(
        pair.host, pair.join, [&] { return net_state(pair.host) == NetState::ready; }, 5000));
    // The joiner falls silent: only the host is polled from now on.
    EXPECT_TRUE(poll_until(
        pair.host, nullptr, [&] { return net_state(pair.host) == NetState::gone; }, 5000));
}

} // namespace
