// Key bindings and the pause and screenshot keys, fed by the event pump.
#include "platform/controls.h"

#include <SDL.h>

#include "platform/events.h"
#include "platform/screenshot.h"
#include "platform/testing.h"

namespace {

// bound_scancode[dik]: the key that reports the documented code dik; 0 while dik is its own key.
int bound_scancode[256];
int pause_scancode = SDL_SCANCODE_P;
int screenshot_scancode = SDL_SCANCODE_F12;
bool pause_pressed = false;
bool focus_lost = false;

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

void controls_wait(DWORD timeout_ms) {
    if (platform::virtual_clock_active()) {
        testing_advance_ticks(timeout_ms);
        return;
    }
    if (platform::video_started())
        SDL_WaitEventTimeout(nullptr, static_cast<int>(timeout_ms));
    else
        SDL_Delay(timeout_ms);
}

namespace platform {

void controls_key_pressed(int scancode) {
    if (scancode == pause_scancode)
        pause_pressed = true;
    if (scancode == screenshot_scancode)
        save_screenshot();
}

void controls_focus_lost() {
    focus_lost = true;
}

void apply_key_bindings(std::uint8_t keys[256], const std::uint8_t *scancodes) {
    for (int dik = 1; dik < 256; ++dik)
        if (bound_scancode[dik] != 0)
            keys[dik] = scancodes[bound_scancode[dik]] != 0 ? 0x80 : 0;
}

} // namespace platform
