// A stand-in for the other player's machine, for network tests: it joins a game hosting on the
// loopback address with the same hello a game would send, says it is ready, and then sends no
// keys for every frame with race-state hashes that no race has, so that the game must find the
// two races out of step at the first frame it compares. It stops by itself after a number of
// frames or seconds, and prints what it did.
// Usage: net_peer PORT DATA-FOLDER GAME-VERSION [frames] [seconds]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "game/additions/assets_hash.h"
#include "game/additions/net_session.h"

int main(int argc, char **argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: net_peer PORT DATA-FOLDER GAME-VERSION [frames] [seconds]\n");
        return 2;
    }
    const long frames = argc > 4 ? std::strtol(argv[4], nullptr, 10) : 100;
    const long seconds = argc > 5 ? std::strtol(argv[5], nullptr, 10) : 20;
    NetSetup setup;
    setup.address = std::string("127.0.0.1:") + argv[1];
    setup.hello.game_version = argv[3];
    std::string error;
    if (!assets_hash(argv[2], setup.hello.assets_hash, error)) {
        std::fprintf(stderr, "net_peer: %s\n", error.c_str());
        return 1;
    }
    NetSession *session = net_open(setup, error);
    if (session == nullptr) {
        std::fprintf(stderr, "net_peer: %s\n", error.c_str());
        return 1;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    bool readied = false;
    long sent = 0;
    while (std::chrono::steady_clock::now() < end && sent < frames &&
           net_state(session) != NetState::gone && net_state(session) != NetState::refused) {
        net_poll(session);
        if (net_state(session) == NetState::ready) {
            if (!readied) {
                net_send_ready(session);
                readied = true;
            }
            if (net_peer_ready(session)) {
                const auto frame = static_cast<std::uint32_t>(sent++);
                net_note_hash(session, frame, 0x5EED0000u + frame);
                net_send_frame(session, frame, NetFrameKeys{});
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::printf("net_peer: %s; sent %ld frames\n", net_note(session).c_str(), sent);
    net_close(session);
    return 0;
}
