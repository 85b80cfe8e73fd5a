// The network race around the documented race frame: the connection before set-up, the start
// after both titles, and the lockstep loop.
#include "game/additions/net_race.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "game/additions/assets_hash.h"
#include "game/additions/computer_driver.h"
#include "game/additions/fair_laps.h"
#include "game/additions/net_session.h"
#include "game/additions/pause.h"
#include "game/additions/race_hash.h"
#include "game/additions/replay.h"
#include "game/additions/replay_drive.h"
#include "game/race.h"
#include "game/race_state.h"
#include "game/setup.h"
#include "platform/additions/controls.h"

NetChoice net_choice;

namespace {

constexpr const char *window_title = "Dirtwhirl v1.0";
// The replay key table's bits of each kart's right, left, up, down and turbo.
constexpr int kart_bits[2][5] = {{0, 1, 2, 3, 8}, {4, 5, 6, 7, 9}};
// Our hashes are kept this many frames back, for the other's to be compared with.
constexpr std::size_t hash_history = 256;

NetSession *session = nullptr;
HWND game_window = nullptr;
int local_kart = 0;    // 0 on the host, 1 on the joiner
KeyHolder agreed_keys; // what both machines apply at a frame, heard alone during the race

// The screens between the connection and the race do not look at the network; a thread answers
// it meanwhile, so that the other machine does not take the silence for a crash.
std::thread keep_alive;
std::atomic<bool> keep_alive_on{false};

void start_keep_alive() {
    keep_alive_on = true;
    keep_alive = std::thread([] {
        while (keep_alive_on) {
            net_poll(session);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
}

void stop_keep_alive() {
    keep_alive_on = false;
    if (keep_alive.joinable())
        keep_alive.join();
}

void show_note(const std::string &note) {
    std::fprintf(stderr, "dirtwhirl: %s\n", note.c_str());
    std::string title = window_title;
    title.append(" - ").append(note);
    SetWindowTextA(game_window, title.c_str());
}

void close_session() {
    stop_keep_alive();
    net_close(session);
    session = nullptr;
}

// One window message; false when it is the quit message, whose parameter goes into exit_code.
bool handle_message(int &exit_code) {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return true;
    if (msg.message == WM_QUIT) {
        exit_code = static_cast<int>(msg.wParam);
        return false;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

// This machine's keys of the frame just run, as the race read them from the keyboard device and
// GetAsyncKeyState (its player's own keys, gamepad and computer, without the agreed ones).
NetFrameKeys keys_read(bool pause_pressed) {
    // A person steers with player 1's keys whichever kart is theirs; the computer holds its kart's.
    const RaceKeys &source = computer_drives[local_kart] ? race_keys[local_kart] : race_keys[0];
    const int source_keys[5] = {source.right, source.left, source.up, source.down, source.turbo};
    NetFrameKeys keys;
    for (int i = 0; i < 5; ++i)
        if (controls_unheard_key(source_keys[i]))
            keys.keys |= static_cast<std::uint16_t>(1u << kart_bits[local_kart][i]);
    if (controls_unheard_virtual_key(VK_ESCAPE))
        keys.flags |= net_flag_escape;
    if (pause_pressed)
        keys.flags |= net_flag_pause;
    return keys;
}

void hold_agreed(const NetFrameKeys &ours, const NetFrameKeys &theirs) {
    const std::uint16_t bits = ours.keys | theirs.keys;
    for (int bit = 0; bit < 10; ++bit)
        agreed_keys.hold(replay_race_keys[bit], (bits >> bit & 1u) != 0);
    agreed_keys.hold(DIK_ESCAPE, ((ours.flags | theirs.flags) & net_flag_escape) != 0);
}

int laps_of(int kart) {
    return kart == 0 ? player1_laps : player2_laps;
}

struct Lockstep {
    int delay = 1;
    std::array<NetFrameKeys, net_receive_window> ours{}; // by frame modulo the window
    std::array<std::uint64_t, hash_history> hashes{};
    std::uint32_t frame = 0;    // the next frame to run
    std::uint32_t compared = 0; // frames whose hashes were compared
    int frames_waited = 0;
    bool paused = false;
    bool pause_pressed = false;     // to go out with the next keys
    std::uint32_t resumed_at = ~0u; // a frame whose pause flag was already obeyed
};

// For the latency benchmark: with DIRTWHIRL_NET_TIMES naming a file, the race keeps, for every
// frame, when this machine read the keys it sent for that frame and when it ran the frame (the
// system's monotonic clock in nanoseconds, which two processes on one machine share), and writes
// them there at the end as lines "frame read run". Two machines' files then give the time from a
// key read on one to the frame that applies it on the other.
struct FrameTimes {
    const char *path = std::getenv("DIRTWHIRL_NET_TIMES");
    std::vector<long long> read, run; // by frame; reserved, so that a frame does not allocate
    static long long now() {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return t.tv_sec * 1000000000ll + t.tv_nsec;
    }
    FrameTimes() {
        if (path != nullptr) {
            read.reserve(frames_kept);
            run.reserve(frames_kept);
        }
    }
    void note(std::vector<long long> &times, std::uint32_t frame) {
        if (path != nullptr && frame < frames_kept) {
            if (times.size() <= frame)
                times.resize(frame + 1, 0);
            times[frame] = now();
        }
    }
    ~FrameTimes() {
        std::FILE *out = path != nullptr ? std::fopen(path, "w") : nullptr;
        if (out == nullptr)
            return;
        for (std::size_t f = 0; f < run.size() && f < read.size(); ++f)
            std::fprintf(out, "%zu %lld %lld\n", f, read[f], run[f]);
        std::fclose(out);
    }
    static constexpr std::uint32_t frames_kept = 200000;
};

// Compares the other machine's hashes that have come with ours; false at the first difference.
bool in_step(Lockstep &race) {
    std::uint64_t theirs = 0;
    while (race.compared < race.frame && net_remote_hash(session, race.compared, theirs)) {
        if (theirs != race.hashes[race.compared % hash_history]) {
            std::fprintf(stderr, "dirtwhirl: the race went out of step at frame %u\n",
                         race.compared + 1);
            return false;
        }
        ++race.compared;
    }
    return true;
}

void say_gone() {
    std::fprintf(stderr, "dirtwhirl: the other player left at lap %d (%s)\n",
                 laps_of(1 - local_kart) + 1, net_note(session).c_str());
}

// The lockstep loop; after_frame is the recorder's watcher, or null.
int lockstep(bool (*after_frame)(int frame_result)) {
    Lockstep race;
    FrameTimes times;
    race.delay = net_input_delay(session);
    // The first frames are run with nobody's keys on both machines.
    for (int f = 0; f < race.delay; ++f) {
        net_send_frame(session, static_cast<std::uint32_t>(f), NetFrameKeys{});
        times.note(times.read, static_cast<std::uint32_t>(f));
    }
    pause_reset();
    controls_hear_only(&agreed_keys);
    bool waited = false;
    int exit_code = 0;
    for (;;) {
        if (!handle_message(exit_code))
            return exit_code;
        net_poll(session);
        if (controls_take_pause() || controls_take_focus_lost()) {
            if (race.paused) {
                race.paused = false;
                race.resumed_at = race.frame;
                net_send_resume(session, race.frame);
            } else {
                race.pause_pressed = true;
            }
        }
        std::uint32_t resume_frame = 0;
        if (race.paused && net_take_resume(session, resume_frame) && resume_frame == race.frame) {
            race.paused = false;
            race.resumed_at = race.frame;
        }
        if (race.paused) {
            GetAsyncKeyState(VK_ESCAPE);
            if (controls_unheard_virtual_key(VK_ESCAPE)) {
                net_send_leave(session);
                return 0;
            }
            if (net_state(session) == NetState::gone) {
                say_gone();
                return 0;
            }
            controls_wait(20);
            continue;
        }
        if (!in_step(race))
            return 3;
        NetFrameKeys theirs;
        if (!net_remote_keys(session, race.frame, theirs)) {
            // Keys already here are raced even after the other machine has gone: its last frames.
            if (net_state(session) == NetState::gone) {
                say_gone();
                return 0;
            }
            waited = true;
            controls_wait(1);
            continue;
        }
        race.frames_waited += waited ? 1 : 0;
        waited = false;
        const NetFrameKeys ours = race.ours[race.frame % net_receive_window];
        if (((ours.flags | theirs.flags) & net_flag_pause) != 0 && race.resumed_at != race.frame) {
            race.paused = true;
            pause_show();
            continue;
        }
        hold_agreed(ours, theirs);
        times.note(times.run, race.frame);
        computer_race_frame();
        const int result = race_frame();
        race.hashes[race.frame % hash_history] = race_state_hash();
        net_note_hash(session, race.frame, race.hashes[race.frame % hash_history]);
        const NetFrameKeys next = keys_read(race.pause_pressed);
        race.pause_pressed = false;
        race.ours[(race.frame + race.delay) % net_receive_window] = next;
        times.note(times.read, race.frame + race.delay);
        net_send_frame(session, race.frame + race.delay, next);
        ++race.frame;
        const bool go_on = after_frame == nullptr || after_frame(result);
        if (result == 5 || !go_on) {
            std::fprintf(
                stderr,
                "dirtwhirl: the network race ran %u frames (%d waited for the other's "
                "keys), laps %d and %d, state hash %016llx\n",
                race.frame, race.frames_waited, player1_laps, player2_laps,
                static_cast<unsigned long long>(race.hashes[(race.frame - 1) % hash_history]));
            return 0;
        }
    }
}

} // namespace

bool net_race_chosen() {
    return net_choice.hosting || net_choice.joining;
}

bool net_race_connect(HWND window, int &exit_code) {
    game_window = window;
    exit_code = 1;
    NetSetup setup;
    setup.hosting = net_choice.hosting;
    setup.port = net_choice.port;
    setup.address = net_choice.address;
    if (!setup.hosting && setup.address.empty()) {
        std::fprintf(stderr, "dirtwhirl: --join names no host, and the settings file's [network] "
                             "host names none\n");
        return false;
    }
    if (!setup.hosting && setup.address.find(':') == std::string::npos)
        setup.address.append(":").append(std::to_string(net_choice.port));
    setup.hello.game_version = DW_VERSION;
    std::string error;
    if (!assets_hash(data_folder, setup.hello.assets_hash, error)) {
        std::fprintf(stderr, "dirtwhirl: %s\n", error.c_str());
        return false;
    }
    if (setup.hosting) {
        // The host's track goes with the handshake, so it is drawn now as set-up would draw it.
        if (chosen_track < 0) {
            std::srand(static_cast<unsigned>(std::time(nullptr)));
            chosen_track = std::rand() % 3;
        }
        setup.hello.track = static_cast<std::uint8_t>(chosen_track);
        setup.hello.fair_laps = fair_laps_enabled();
    }
    session = net_open(setup, error);
    if (session == nullptr) {
        std::fprintf(stderr, "dirtwhirl: %s\n", error.c_str());
        return false;
    }
    std::string shown = net_note(session);
    show_note(shown);
    while (net_state(session) != NetState::ready) {
        if (!handle_message(exit_code)) {
            close_session();
            return false;
        }
        net_poll(session);
        if (net_state(session) == NetState::refused || net_state(session) == NetState::gone) {
            std::fprintf(stderr, "dirtwhirl: %s\n", net_note(session).c_str());
            close_session();
            exit_code = 1;
            return false;
        }
        if (net_note(session) != shown)
            show_note(shown = net_note(session));
        controls_wait(10);
    }
    if (net_note(session) != shown)
        show_note(net_note(session));
    local_kart = setup.hosting ? 0 : 1;
    if (!setup.hosting) {
        chosen_track = net_peer_hello(session).track;
        fair_laps_enable(net_peer_hello(session).fair_laps);
    }
    // The computer, when asked for, drives this machine's kart; the other kart is the other's.
    computer_drives[local_kart] = computer_drives[0] || computer_drives[1];
    computer_drives[1 - local_kart] = false;
    start_keep_alive();
    return true;
}

bool net_race_wait_for_start() {
    stop_keep_alive();
    net_send_ready(session);
    int exit_code = 0;
    while (!net_peer_ready(session)) {
        net_poll(session);
        if (net_state(session) == NetState::gone) {
            std::fprintf(stderr, "dirtwhirl: %s\n", net_note(session).c_str());
            close_session();
            return false;
        }
        if (!handle_message(exit_code) || (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0) {
            close_session();
            return false;
        }
        controls_wait(10);
    }
    return true;
}

int net_race_run() {
    int exit_code;
    if (replay_mode == ReplayMode::record) {
        replay_record_begin();
        exit_code = lockstep(replay_record_after_frame);
        if (!replay_record_end(replay_path.c_str()))
            exit_code = exit_code == 0 ? 1 : exit_code;
    } else {
        exit_code = lockstep(nullptr);
    }
    agreed_keys.release_all();
    controls_hear_only(nullptr);
    close_session();
    return exit_code;
}
