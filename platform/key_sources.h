// Keys held by something other than the keyboard itself: a gamepad, the computer driver, a replay.
// Each source holds keys by their DirectInput key code. The keyboard device reports such a key as
// down, and GetAsyncKeyState reports the virtual key that stands for it (Escape, Enter, space,
// the arrows, letters and digits), so the race and the screens read them as they read the keys.
#pragma once

#include <cstdint>

enum class KeySource { pad1, pad2, computer1, computer2, replay };
constexpr int key_source_count = 5;

// Holds (down true) or lets go of one key for a source. A key held and let go again before a
// reader looked is still seen once by the next read of the keyboard device and by the next
// GetAsyncKeyState of its virtual key, so a short press is never lost between two frames.
void key_source_hold(KeySource source, int dik, bool down);
// Lets go of every key the source holds (a gamepad unplugged, a driver stopped); nothing of it is
// seen afterwards.
void key_source_release_all(KeySource source);
// While on, the keyboard device and GetAsyncKeyState report the replay source's keys alone: the
// keyboard's own keys and the other sources are not heard, so a replay plays what was recorded.
void key_sources_replay_only(bool on);

// Watches what the keyboard's two views report, without changing it (a replay being recorded):
// after each read of the keyboard device, the 256 bytes it filled in; after each
// GetAsyncKeyState, the virtual key asked about and whether it was reported down. Null stops.
struct KeyReadWatch {
    void (*device_read)(const std::uint8_t keys[256]);
    void (*async_read)(int virtual_key, bool down);
};
void key_sources_watch_reads(const KeyReadWatch *watch);

namespace platform {

// Inside the platform: the keyboard device's read. Adds the keys the sources hold to a 256-byte
// keyboard state (0x80 for down); in replay-only mode, the replay's keys replace it.
void merge_held_keys(std::uint8_t keys[256]);
// Inside the platform: GetAsyncKeyState's view. 1 when a source holds the key that stands for the
// virtual key, 0 when none does; -1 when the keyboard's own state decides (not in replay-only
// mode and no source holds it).
int held_virtual_key(int virtual_key);
// Inside the platform: what a read reported, for the watch.
void report_device_read(const std::uint8_t keys[256]);
void report_async_read(int virtual_key, bool down);

} // namespace platform
