// What the keys stand for beyond the keyboard itself: a physical key bound to a documented key
// code reports that code to the keyboard device (so the race reads DIK_RIGHT whichever key steers
// right); keys held by others than the keyboard (a gamepad, the computer, a replay), which the
// race and the screens read as keys; the keys of the two commands outside the documented game
// (pause and screenshot); the notice that the window lost the focus; and a wait for input.
#pragma once

#include <cstdint>

#include "platform/tap_latch.h"
#include "platform/types.h"

// The SDL scancode of a key named as SDL names keys ("L", "Right", "Left Shift", "Keypad 4",
// "F12"), case-insensitive; 0 when the name is no key.
int controls_scancode_of(const char *key_name);
// The scancode of the key that reports the DirectInput key code on its own; 0 for none.
int controls_scancode_of_key_code(int dik);

// From now on the keyboard device reports the documented key code dik (DIK_RIGHT, DIK_N, ...) as
// down while the key with this scancode is, and no longer while the code's own key is. Every code
// starts bound to its own key.
void controls_bind_key(int dik, int scancode);

enum class ControlCommand { pause, screenshot };
// The key of a command; pause starts on P, screenshot on F12. A press of the screenshot key saves
// the screen at the next read of the keys (platform/additions/screenshot.h); pause presses wait
// to be taken.
void controls_bind_command(ControlCommand command, int scancode);
// Notes a press of pause from elsewhere (a gamepad's Start).
void controls_press_pause();
// True when pause was pressed since the last call; each press is taken once.
bool controls_take_pause();
// True when the window lost the keyboard focus since the last call.
bool controls_take_focus_lost();
// True when the person at the keyboard pressed Escape since the last call, or asked to close the
// window; heard even while only a key holder is heard (a replay playing).
bool controls_take_stop();
// True once the person asked to close the window.
bool controls_close_requested();

// Sleeps until an input or window event arrives or timeout_ms pass, without spinning. On the
// counted clock no real time passes: the tick count moves on by timeout_ms instead.
void controls_wait(DWORD timeout_ms);

// What GetAsyncKeyState last reported for the virtual key (a replay being recorded reads Escape).
bool controls_reported_down(int virtual_key);

// Keys held by one of the game's drivers, by their DirectInput key code. The keyboard device
// reports such a key as down, and GetAsyncKeyState the virtual key that stands for it (Escape,
// Enter, space, the arrows, letters and digits). A key held and let go again before a reader
// looked is still seen once by the next read of the keyboard device and by the next
// GetAsyncKeyState of its virtual key. A holder is heard from its making to its end.
class KeyHolder {
public:
    KeyHolder();
    ~KeyHolder();
    KeyHolder(const KeyHolder &) = delete;
    KeyHolder &operator=(const KeyHolder &) = delete;

    // Holds (down true) or lets go of one key.
    void hold(int dik, bool down);
    // Lets go of every key (a gamepad unplugged, a driver stopped); nothing of it is seen after.
    void release_all();

    // The keyboard's two readers, each with its own latch of short taps.
    enum Reader { device_reader, async_reader, reader_count };
    // Whether the holder shows the key down to the reader, which has now looked at it.
    bool look(Reader reader, int dik);

private:
    bool held_[256]{};
    TapLatch taps_[reader_count][256];
};

// While set, the keyboard device and GetAsyncKeyState report this holder's keys alone: the
// keyboard's own keys and the other holders are not heard, so a replay plays what was recorded.
// Null: everything is heard again.
void controls_hear_only(const KeyHolder *holder);

// While a holder is heard alone: what the last read of the keyboard device (by DirectInput key
// code) and the last GetAsyncKeyState of a virtual key would have reported from everything else
// (the keyboard's own keys, its bindings, the other holders). A network race hears the keys both
// players agreed on alone and sends its own player's keys from this view. False while none is
// heard alone.
bool controls_unheard_key(int dik);
bool controls_unheard_virtual_key(int virtual_key);
