// A race between two machines: each runs the whole race itself from the keys of both players,
// frame for frame (lockstep). The keys this machine reads for frame n go out at once and are
// applied on both machines at frame n + d, d being the input delay fixed at the handshake; a
// frame waits for the other's keys and never runs on a guess. The host drives kart 1, the joiner
// kart 2, each with its own player-1 keys (or its computer, when --computer asks for one). Escape
// and the pause travel with the keys, so both machines end or pause at the same frame; the
// race-state hashes travel with them too, and a difference stops both races.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window.h"

struct NetChoice {
    bool hosting = false;
    bool joining = false;
    std::string address;        // joining: HOST[:PORT]
    std::uint16_t port = 28420; // hosting: the port to wait on; joining: when address names none
    bool rollback = true;       // run ahead on a guess of the other's keys; false: lockstep
    int rollback_delay = 0;     // rollback: frames more before a kart answers its keys, 0 to 2
};

// What the start-up asked for; neither hosting nor joining at program start.
extern NetChoice net_choice;

bool net_race_chosen();

// With the window open, before set-up: waits for the other player (window messages handled;
// closing the window gives up), checks that both machines may race, and puts the host's track
// and fair-laps rule in effect on the joiner. False with the program's exit code when no race
// can be had, after saying why on standard error.
bool net_race_connect(HWND window, int &exit_code);

// After the title: tells the other machine that this player pressed the space bar and waits until
// theirs has too. False (the race is off) when the window is closed, Escape is pressed or the
// other player goes meanwhile.
bool net_race_wait_for_start();

// The race in lockstep, in place of the race loop, recorded when --record asks; returns the
// program's exit code (3 when the machines went out of step). Then the connection is closed.
int net_race_run();
