// The keyboard's state, the one owner of it: every key by scancode (the keyboard device's view)
// and by virtual-key code (GetAsyncKeyState's view), each with its short taps latched for its
// reader, and what the platform's additions add to both views.
#include <SDL.h>

#include <cstring>

#include "platform/internal.h"
#include "platform/window.h"

namespace {

// A press is latched until its view next looks, so a key pressed and let go between two reads is
// still seen down once. Only between two reads: a key nobody has read yet (Q, until the winner
// screen asks for it) does not keep a press from long before.
std::uint8_t scancodes[platform::scancode_count];
TapLatch scancode_taps[platform::scancode_count];
std::uint8_t scancodes_taken[platform::scancode_count];
bool scancodes_read = false; // the keyboard device has read them
std::uint8_t virtual_keys[256];
TapLatch virtual_key_taps[256];
bool virtual_keys_read[256];
bool return_swallowed = false; // the Return of an Alt+Enter is never seen as down
const platform::KeyboardExtension *extension = nullptr;

// The scancodes down now or tapped since the device's last read; the taps are then seen.
const std::uint8_t *take_scancode_state() {
    for (int i = 0; i < platform::scancode_count; ++i)
        scancodes_taken[i] = scancode_taps[i].look(scancodes[i] != 0) ? 1 : 0;
    scancodes_read = true;
    return scancodes_taken;
}

} // namespace

namespace platform {

void keyboard_event(const SDL_KeyboardEvent &key, bool down) {
    const bool is_return =
        key.keysym.scancode == SDL_SCANCODE_RETURN || key.keysym.scancode == SDL_SCANCODE_KP_ENTER;
    if (is_return && down && (key.keysym.mod & KMOD_ALT) != 0) {
        if (key.repeat == 0)
            present_toggle_fullscreen();
        return_swallowed = true;
        return;
    }
    if (is_return && return_swallowed) {
        if (!down)
            return_swallowed = false;
        return;
    }
    const int scancode = key.keysym.scancode;
    if (scancode > 0 && scancode < scancode_count) {
        if (down && scancodes[scancode] == 0 && scancodes_read)
            scancode_taps[scancode].press();
        scancodes[scancode] = down ? 1 : 0;
        if (down && key.repeat == 0 && extension != nullptr)
            extension->key_pressed(scancode);
    }
    const int vk = virtual_key_of_symbol(key.keysym.sym);
    if (vk != 0) {
        if (down && virtual_keys[vk] == 0 && virtual_keys_read[vk])
            virtual_key_taps[vk].press();
        virtual_keys[vk] = down ? 1 : 0;
    }
}

void keyboard_release_all() {
    std::memset(scancodes, 0, sizeof scancodes);
    std::memset(virtual_keys, 0, sizeof virtual_keys);
    for (TapLatch &tap : scancode_taps)
        tap = {};
    for (TapLatch &tap : virtual_key_taps)
        tap = {};
}

void keyboard_device_read(BYTE keys[256]) {
    const std::uint8_t *state = take_scancode_state();
    std::memset(keys, 0, 256);
    for (int scancode = 1; scancode < scancode_count; ++scancode)
        if (state[scancode] != 0)
            if (const int dik = dik_of_scancode(scancode))
                keys[dik] = 0x80;
    if (extension != nullptr)
        extension->device_read(keys, state);
}

bool keyboard_async_read(int virtual_key) {
    const bool own = virtual_key_taps[virtual_key].look(virtual_keys[virtual_key] != 0);
    return extension != nullptr ? extension->async_read(virtual_key, own) : own;
}

void extend_keyboard(const KeyboardExtension *new_extension) {
    extension = new_extension;
}

const KeyboardExtension *keyboard_extension() {
    return extension;
}

} // namespace platform

std::int16_t GetAsyncKeyState(int virtual_key) {
    // The key counts as read from before this pump: a tap still waiting in the event queue when a
    // screen first asks for its key is seen, one pumped long before is not.
    if (virtual_key >= 0 && virtual_key <= 255)
        virtual_keys_read[virtual_key] = true;
    platform::pump_events();
    if (virtual_key < 0 || virtual_key > 255)
        return 0;
    // After a close request the screens that poll a key are let through, so the program walks
    // to its normal tear-down. Escape is left alone: held, it would keep the race loop going.
    const bool down = (platform::close_requested() && virtual_key != VK_ESCAPE) ||
                      platform::keyboard_async_read(virtual_key);
    return down ? static_cast<std::int16_t>(0x8000) : 0;
}
