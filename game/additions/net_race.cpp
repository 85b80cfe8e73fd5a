// The network race around the documented race frame: the connection before set-up, the start
// after both titles, and the lockstep loop.
#include "game/additions/net_race.h"

#include <algorithm>
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
#include "game/additions/race_snapshot.h"
#include "game/additions/replay.h"
#include "game/additions/replay_drive.h"
#include "game/additions/start_up.h"
#include "game/race.h"
#include "game/race_state.h"
#include "game/setup.h"
#include "platform/additions/controls.h"
#include "platform/file.h"

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

void stop_keep_alive() {
    keep_alive_on = false;
    if (keep_alive.joinable())
        keep_alive.join();
}

void start_keep_alive() {
    // Stopped also when the program exits from elsewhere (a lost X server ends it through
    // exit()): a thread still running when it is destroyed would abort the program.
    static const int stopped_at_exit = std::atexit(stop_keep_alive);
    (void)stopped_at_exit;
    keep_alive_on = true;
    keep_alive = std::thread([] {
        while (keep_alive_on) {
            net_poll(session);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
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

// The keys both machines apply at a frame. In lockstep Escape is one of them, and the frame that
// holds it ends the race as the documented frame does; running ahead, the loop ends the race
// itself once that frame is final, so no frame raced on a guess can end it.
// The race keys of a frame: each machine's keys count for its own kart only, so a peer that sends
// keys of this machine's kart steers nothing here (and its race goes out of step).
std::uint16_t agreed_bits(const NetFrameKeys &ours, const NetFrameKeys &theirs) {
    auto kart_mask = [](int kart) {
        std::uint16_t mask = 0;
        for (int bit : kart_bits[kart])
            mask |= static_cast<std::uint16_t>(1u << bit);
        return mask;
    };
    return static_cast<std::uint16_t>((ours.keys & kart_mask(local_kart)) |
                                      (theirs.keys & kart_mask(1 - local_kart)));
}

void hold_agreed(const NetFrameKeys &ours, const NetFrameKeys &theirs, bool with_escape = true) {
    const std::uint16_t bits = agreed_bits(ours, theirs);
    for (int bit = 0; bit < 10; ++bit)
        agreed_keys.hold(replay_race_keys[bit], (bits >> bit & 1u) != 0);
    agreed_keys.hold(DIK_ESCAPE,
                     with_escape && ((ours.flags | theirs.flags) & net_flag_escape) != 0);
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
        std::string why;
        std::FILE *out = path != nullptr ? open_for_writing(path, false, why) : nullptr;
        if (out == nullptr)
            return;
        for (std::size_t f = 0; f < run.size() && f < read.size(); ++f)
            std::fprintf(out, "%zu %lld %lld\n", f, read[f], run[f]);
        std::fclose(out);
    }
    static constexpr std::uint32_t frames_kept = 200000;
};

// The first frames, before any key read applies, are run with nobody's keys on both machines.
void send_first_frames(int delay, FrameTimes &times) {
    for (int f = 0; f < delay; ++f) {
        net_send_frame(session, static_cast<std::uint32_t>(f), NetFrameKeys{});
        times.note(times.read, static_cast<std::uint32_t>(f));
    }
}

// Compares the other machine's hashes that have come with ours, of the frames before `upto`
// (hashes: ours by frame modulo hash_history); false at the first difference.
bool in_step(std::uint32_t &compared, std::uint32_t upto,
             const std::array<std::uint64_t, hash_history> &hashes) {
    std::uint64_t theirs = 0;
    while (compared < upto && net_remote_hash(session, compared, theirs)) {
        if (theirs != hashes[compared % hash_history]) {
            std::fprintf(stderr, "dirtwhirl: the race went out of step at frame %u\n",
                         compared + 1);
            return false;
        }
        ++compared;
    }
    return true;
}

// While paused, this player's Escape leaves the race; the other machine hears that they left.
bool left_while_paused() {
    GetAsyncKeyState(VK_ESCAPE);
    if (!controls_unheard_virtual_key(VK_ESCAPE))
        return false;
    net_send_leave(session);
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
    send_first_frames(race.delay, times);
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
            if (left_while_paused())
                return 0;
            if (net_state(session) == NetState::gone) {
                say_gone();
                return 0;
            }
            controls_wait(20);
            continue;
        }
        if (!in_step(race.compared, race.frame, race.hashes))
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

// Running ahead: this machine's keys apply in the next frame (or rollback_delay frames later),
// the other's are guessed to be the last that came. When the real ones come and differ, the race
// goes back to the state before the first frame guessed wrong and races the frames since again,
// silently, within the same pass. A frame is final once both machines' real keys have raced it:
// only final frames are compared, recorded and can end the race.
constexpr std::uint32_t most_ahead = 8; // frames raced on guesses before waiting for the other
constexpr std::uint32_t kept = 16;      // frames whose state can be gone back to
static_assert(kept > most_ahead + 3);

struct RunAhead {
    int delay = 1;              // frames from a read to the frame that applies it
    std::uint32_t frame = 0;    // the next frame to run
    std::uint32_t known = 0;    // frames whose keys from the other machine have come
    std::uint32_t final = 0;    // frames raced with both machines' real keys
    std::uint32_t compared = 0; // final frames whose hashes were compared
    std::array<NetFrameKeys, net_receive_window> ours{};   // by frame modulo the window
    std::array<NetFrameKeys, net_receive_window> theirs{}; // real once known, else the guess
    NetFrameKeys last_real{};
    RaceSnapshots<kept> before;
    std::array<int, kept> results{};
    std::array<std::uint64_t, kept> pictures{};
    std::array<std::uint64_t, hash_history> hashes{}; // after each frame as last raced
    int frames_waited = 0;
    int rollbacks = 0;
    std::array<int, kept> raced_again{}; // how many rollbacks went back 1, 2, ... frames
    // How far the other kart jumped on the screen when put right, in pixels along the longer
    // axis, counted up to the largest that is told apart.
    std::array<int, 64> jumps{};
    std::uint32_t last_slowed = 0;
    bool paused = false;
    bool pause_pressed = false; // to go out with the next keys
};

NetFrameKeys &at(std::array<NetFrameKeys, net_receive_window> &keys, std::uint32_t frame) {
    return keys[frame % net_receive_window];
}

// Races one frame from the state now: the other's keys real when known, else the guess.
void race_one(RunAhead &race, std::uint32_t frame, bool silent, bool recording) {
    if (frame >= race.known)
        at(race.theirs, frame) = NetFrameKeys{race.last_real.keys, 0};
    race_snapshot_save(race.before.of(frame));
    hold_agreed(at(race.ours, frame), at(race.theirs, frame), false);
    silent_frames(silent);
    const int result = race_frame();
    silent_frames(false);
    race.results[frame % kept] = result;
    race.hashes[frame % hash_history] = race_state_hash();
    if (recording)
        race.pictures[frame % kept] = replay_picture_hash(result, silent);
}

// The median and the largest of `total` values counted by value.
template <std::size_t n> int median_of(const std::array<int, n> &counts, int total) {
    int seen = 0;
    for (std::size_t value = 0; value < n; ++value)
        if ((seen += counts[value]) * 2 >= total && seen > 0)
            return static_cast<int>(value);
    return 0;
}

template <std::size_t n> int largest_of(const std::array<int, n> &counts) {
    for (std::size_t value = n; value-- > 0;)
        if (counts[value] != 0)
            return static_cast<int>(value);
    return 0;
}

int run_ahead(bool recording) {
    RunAhead race;
    FrameTimes times;
    race.delay = 1 + net_choice.rollback_delay;
    send_first_frames(race.delay, times);
    // The lead the one-way delay alone explains, in frames (the lockstep delay less its one
    // frame, which the host measured and both know): beyond it this machine is ahead.
    const int one_way = net_input_delay(session) - 1;
    pause_reset();
    controls_hear_only(&agreed_keys);
    bool waited = false;
    int exit_code = 0;
    for (;;) {
        if (!handle_message(exit_code))
            return exit_code;
        net_poll(session);
        // The pause goes out with the next keys and holds both machines once its frame is
        // final; either player's P ends it on both.
        if (controls_take_pause() || controls_take_focus_lost()) {
            if (race.paused) {
                race.paused = false;
                net_send_resume(session, race.final);
            } else {
                race.pause_pressed = true;
            }
        }
        std::uint32_t resume_frame = 0;
        if (race.paused && net_take_resume(session, resume_frame))
            race.paused = false;

        // The other's keys in frame order; the first that differs from its guess is gone back to.
        std::uint32_t wrong = ~0u;
        NetFrameKeys real;
        while (race.known < race.frame + net_receive_window / 2 &&
               net_remote_keys(session, race.known, real)) {
            if (race.known < race.frame && wrong == ~0u &&
                real.keys != at(race.theirs, race.known).keys)
                wrong = race.known;
            at(race.theirs, race.known) = real;
            race.last_real = real;
            ++race.known;
        }
        if (wrong != ~0u) {
            ++race.rollbacks;
            ++race.raced_again[std::min<std::uint32_t>(race.frame - wrong, kept - 1)];
            const BOB &other = local_kart == 0 ? kart2 : kart1;
            const int shown_x = other.x, shown_y = other.y;
            race_snapshot_restore(race.before.of(wrong));
            for (std::uint32_t frame = wrong; frame < race.frame; ++frame) {
                race_one(race, frame, true, recording);
                if (race.results[frame % kept] == 5) { // the race now ends sooner
                    race.frame = frame + 1;
                    break;
                }
            }
            const int jump = std::max(std::abs(other.x - shown_x), std::abs(other.y - shown_y));
            ++race.jumps[std::min<std::size_t>(jump, race.jumps.size() - 1)];
        }

        // Frames raced with both machines' real keys are final: compared, recorded, and the one
        // that holds Escape or wins ends the race.
        while (race.final < std::min(race.known, race.frame)) {
            const std::uint32_t frame = race.final++;
            const NetFrameKeys ours = at(race.ours, frame), theirs = at(race.theirs, frame);
            const bool escape = ((ours.flags | theirs.flags) & net_flag_escape) != 0;
            net_note_hash(session, frame, race.hashes[frame % hash_history]);
            if (recording)
                replay_record_frame(static_cast<std::uint16_t>(agreed_bits(ours, theirs) |
                                                               (escape ? 1u << 10 : 0u)),
                                    race.hashes[frame % hash_history], race.pictures[frame % kept]);
            if (((ours.flags | theirs.flags) & net_flag_pause) != 0) {
                race.paused = true;
                pause_show();
            }
            if (escape || race.results[frame % kept] == 5) {
                net_poll(session);
                std::fprintf(stderr,
                             "dirtwhirl: the network race ran %u frames (%d raced again, going "
                             "back %d frames at the median and %d at most, the other kart put "
                             "right by %d pixels at the median and %d at most; %d waited), laps "
                             "%d and %d, state hash %016llx\n",
                             frame + 1, race.rollbacks, median_of(race.raced_again, race.rollbacks),
                             largest_of(race.raced_again), median_of(race.jumps, race.rollbacks),
                             largest_of(race.jumps), race.frames_waited, player1_laps, player2_laps,
                             static_cast<unsigned long long>(race.hashes[frame % hash_history]));
                return 0;
            }
        }
        if (!in_step(race.compared, race.final, race.hashes))
            return 3;

        if (race.paused && left_while_paused())
            return 0;
        if (net_state(session) == NetState::gone) {
            say_gone();
            return 0;
        }
        // Not further ahead than most_ahead frames; not past a won frame until it is final; and
        // now and then a frame's time given up while this machine runs ahead of the other.
        const bool won = race.frame > 0 && race.results[(race.frame - 1) % kept] == 5;
        const int ahead = static_cast<int>(race.frame) -
                          static_cast<int>(net_remote_frames(session)) + race.delay - 1;
        const bool slow =
            !start_unpaced && ahead > one_way + 1 && race.frame >= race.last_slowed + 10;
        if (race.paused || won || race.frame >= race.known + most_ahead || slow) {
            if (slow)
                race.last_slowed = race.frame;
            waited = !race.paused && !won;
            controls_wait(slow ? 30 : 1);
            continue;
        }
        race.frames_waited += waited ? 1 : 0;
        waited = false;

        times.note(times.run, race.frame);
        computer_race_frame();
        race_one(race, race.frame, false, recording);
        const NetFrameKeys next = keys_read(race.pause_pressed);
        race.pause_pressed = false;
        at(race.ours, race.frame + race.delay) = next;
        net_send_frame(session, race.frame + race.delay, next);
        times.note(times.read, race.frame + race.delay);
        ++race.frame;
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
        if (net_state(session) != NetState::ready && net_note(session) != shown)
            show_note(shown = net_note(session));
        controls_wait(10);
    }
    std::string connected = net_note(session);
    if (net_choice.rollback) {
        // The session's input delay is lockstep's; running ahead, a kart answers in the next
        // frame (or rollback_delay frames later) whatever the round trip.
        const int answer = 1 + net_choice.rollback_delay;
        connected = connected.substr(0, connected.find(", input delay")) +
                    ", running ahead: a kart answers its keys after " + std::to_string(answer) +
                    (answer == 1 ? " frame" : " frames") + " (in lockstep after " +
                    std::to_string(net_input_delay(session)) + ")";
    }
    if (connected != shown)
        show_note(connected);
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
        exit_code = net_choice.rollback ? run_ahead(true) : lockstep(replay_record_after_frame);
        if (!replay_record_end(replay_path.c_str()))
            exit_code = exit_code == 0 ? 1 : exit_code;
    } else {
        exit_code = net_choice.rollback ? run_ahead(false) : lockstep(nullptr);
    }
    agreed_keys.release_all();
    controls_hear_only(nullptr);
    close_session();
    return exit_code;
}
