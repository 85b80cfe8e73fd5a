// What the players' keys stand for: a physical key bound to a documented key code reports that
// code to the keyboard device (so the race reads DIK_RIGHT whichever key steers right), the keys
// of the two commands outside the documented game (pause and screenshot) with each press noted
// once, the notice that the window lost the focus, and a wait for the next input event.
#pragma once

#include <cstdint>

#include "platform/types.h"

// The SDL scancode of a key named as SDL names keys ("L", "Right", "Left Shift", "Keypad 4",
// "F12"), case-insensitive; 0 when the name is no key.
int controls_scancode_of(const char *key_name);

// From now on the keyboard device reports the documented key code dik (DIK_RIGHT, DIK_N, ...) as
// down while the key with this scancode is, and no longer while the code's own key is. Every code
// starts bound to its own key.
void controls_bind_key(int dik, int scancode);

enum class ControlCommand { pause, screenshot };
// The key of a command; pause starts on P, screenshot on F12. A press of the screenshot key saves
// the screen at once (platform/screenshot.h); pause presses wait to be taken.
void controls_bind_command(ControlCommand command, int scancode);
// Notes a press of pause from elsewhere (a gamepad's Start).
void controls_press_pause();
// True when pause was pressed since the last call; each press is taken once.
bool controls_take_pause();
// True when the window lost the keyboard focus since the last call.
bool controls_take_focus_lost();

// Sleeps until an input or window event arrives or timeout_ms pass, without spinning. On the
// virtual clock no real time passes: the tick count moves on by timeout_ms instead.
void controls_wait(DWORD timeout_ms);

namespace platform {

// Inside the platform: the event pump saw a key go down (not a repeat) or the focus go.
void controls_key_pressed(int scancode);
void controls_focus_lost();
// Inside the platform: rewrites the documented codes of a keyboard state (0x80 for down) from
// their bound keys' scancode state.
void apply_key_bindings(std::uint8_t keys[256], const std::uint8_t *scancodes);

} // namespace platform
