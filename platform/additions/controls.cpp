// Key bindings, the keys held by the game's drivers, the pause and screenshot keys: the keyboard
// extension through which the keyboard's state reports them.
#include "platform/additions/controls.h"

#include <SDL.h>

#include <algorithm>

#include "platform/additions/gamepads.h"
#include "platform/additions/screenshot.h"
#include "platform/internal.h"

namespace {

// bound_scancode[dik]: the key that reports the documented code dik; 0 while dik is its own key.
int bound_scancode[256];
int pause_scancode = SDL_SCANCODE_P;
int screenshot_scancode = SDL_SCANCODE_F12;
bool pause_pressed = false;
int screenshots_pressed = 0; // presses not yet taken, each one a picture
bool focus_lost = false;
bool escape_pressed = false;
bool reported_down[256];
// What the last reads would have reported without the holder heard alone.
bool unheard_device[256];
bool unheard_async[256];

// The holders alive, in the order they were made; a fixed table, so holding never allocates.
constexpr int holder_capacity = 16;
KeyHolder *holders[holder_capacity];
int holder_count = 0;
const KeyHolder *heard_alone = nullptr;

bool heard(const KeyHolder *holder) {
    return heard_alone == nullptr || holder == heard_alone;
}

// A screenshot is taken where the keys are read, never inside the event pump.
void take_screenshot_if_pressed() {
    for (; screenshots_pressed > 0; --screenshots_pressed)
        platform::save_screenshot();
}

void device_read(BYTE keys[256], const std::uint8_t *scancodes) {
    take_screenshot_if_pressed();
    for (int dik = 1; dik < 256; ++dik)
        if (bound_scancode[dik] != 0)
            keys[dik] = scancodes[bound_scancode[dik]] != 0 ? 0x80 : 0;
    if (heard_alone != nullptr) {
        for (int dik = 0; dik < 256; ++dik)
            unheard_device[dik] = keys[dik] != 0;
        for (int i = 0; i < holder_count; ++i)
            for (int dik = 1; dik < 256; ++dik)
                if (holders[i] != heard_alone && holders[i]->look(KeyHolder::device_reader, dik))
                    unheard_device[dik] = true;
        std::fill(keys, keys + 256, BYTE{0});
    }
    for (int i = 0; i < holder_count; ++i) {
        if (!heard(holders[i]))
            continue;
        for (int dik = 1; dik < 256; ++dik)
            if (holders[i]->look(KeyHolder::device_reader, dik))
                keys[dik] = 0x80;
    }
}

bool async_read(int virtual_key, bool own) {
    take_screenshot_if_pressed();
    const int dik = platform::dik_of_virtual_key(virtual_key);
    bool held = false;
    bool held_unheard = false;
    for (int i = 0; i < holder_count; ++i)
        if (dik != 0 && holders[i]->look(KeyHolder::async_reader, dik))
            (heard(holders[i]) ? held : held_unheard) = true;
    unheard_async[virtual_key] = held_unheard || own;
    const bool down = held || (heard_alone == nullptr && own);
    reported_down[virtual_key] = down;
    return down;
}

void key_pressed(int scancode) {
    if (scancode == pause_scancode)
        pause_pressed = true;
    if (scancode == screenshot_scancode)
        ++screenshots_pressed;
    if (scancode == SDL_SCANCODE_ESCAPE)
        escape_pressed = true;
}

void window_focus_lost() {
    focus_lost = true;
}

const platform::KeyboardExtension extension{device_read, async_read, key_pressed, window_focus_lost,
                                            platform::gamepad_event};
// Installed before main: this file is linked into every program that binds, holds or takes a key.
[[maybe_unused]] const bool installed = (platform::extend_keyboard(&extension), true);

} // namespace

int controls_scancode_of(const char *key_name) {
    if (key_name == nullptr || *key_name == '\0')
        return 0;
    SDL_Scancode scancode = SDL_GetScancodeFromName(key_name);
    if (scancode == SDL_SCANCODE_UNKNOWN) {
        const SDL_Keycode key = SDL_GetKeyFromName(key_name);
        if (key != SDLK_UNKNOWN)
            scancode = SDL_GetScancodeFromKey(key);
    }
    return scancode > 0 && scancode < platform::scancode_count ? scancode : 0;
}

int controls_scancode_of_key_code(int dik) {
    for (int scancode = 1; scancode < platform::scancode_count; ++scancode)
        if (dik != 0 && platform::dik_of_scancode(scancode) == dik)
            return scancode;
    return 0;
}

void controls_bind_key(int dik, int scancode) {
    if (dik > 0 && dik < 256 && scancode > 0 && scancode < platform::scancode_count)
        bound_scancode[dik] = scancode;
}

void controls_bind_command(ControlCommand command, int scancode) {
    if (scancode <= 0 || scancode >= platform::scancode_count)
        return;
    (command == ControlCommand::pause ? pause_scancode : screenshot_scancode) = scancode;
}

void controls_press_pause() {
    pause_pressed = true;
}

bool controls_take_pause() {
    platform::pump_events();
    const bool pressed = pause_pressed;
    pause_pressed = false;
    return pressed;
}

bool controls_take_focus_lost() {
    platform::pump_events();
    const bool lost = focus_lost;
    focus_lost = false;
    return lost;
}

bool controls_take_stop() {
    platform::pump_events();
    const bool stop = escape_pressed || platform::close_requested();
    escape_pressed = false;
    return stop;
}

bool controls_close_requested() {
    platform::pump_events();
    return platform::close_requested();
}

void controls_wait(DWORD timeout_ms) {
    if (platform::virtual_clock_active()) {
        platform::advance_counted_clock(timeout_ms);
        return;
    }
    if (platform::video_started())
        SDL_WaitEventTimeout(nullptr, static_cast<int>(timeout_ms));
    else
        SDL_Delay(timeout_ms);
}

bool controls_reported_down(int virtual_key) {
    return virtual_key >= 0 && virtual_key < 256 && reported_down[virtual_key];
}

void controls_hear_only(const KeyHolder *holder) {
    heard_alone = holder;
}

bool controls_unheard_key(int dik) {
    return heard_alone != nullptr && dik > 0 && dik < 256 && unheard_device[dik];
}

bool controls_unheard_virtual_key(int virtual_key) {
    return heard_alone != nullptr && virtual_key >= 0 && virtual_key < 256 &&
           unheard_async[virtual_key];
}

KeyHolder::KeyHolder() {
    if (holder_count < holder_capacity)
        holders[holder_count++] = this;
}

KeyHolder::~KeyHolder() {
    KeyHolder **end = holders + holder_count;
    if (std::find(holders, end, this) != end) {
        std::remove(holders, end, this);
        --holder_count;
    }
    if (heard_alone == this)
        heard_alone = nullptr;
}

void KeyHolder::hold(int dik, bool down) {
    if (dik <= 0 || dik > 255)
        return;
    if (down && !held_[dik])
        for (auto &taps : taps_)
            taps[dik].press();
    held_[dik] = down;
}

void KeyHolder::release_all() {
    std::fill(std::begin(held_), std::end(held_), false);
    for (auto &taps : taps_)
        std::fill(std::begin(taps), std::end(taps), TapLatch{});
}

bool KeyHolder::look(Reader reader, int dik) {
    return taps_[reader][dik].look(held_[dik]);
}
