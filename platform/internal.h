// Inside the platform layer only: the contract between the stand-in's pieces (window and event
// pump, keyboard state, display and presentation, text, sound, test seams) and the one way its
// additions (platform/additions/) extend the keyboard. Nothing outside platform/ includes this.
#pragma once

#include <cstdint>

#include "platform/tap_latch.h"
#include "platform/types.h"

struct SDL_Window;
union SDL_Event;
struct SDL_KeyboardEvent;
class IDirectDrawPalette;
class IDirectDrawSurface;

namespace platform {

// --- Event pump and window (window.cpp) ----------------------------------------------------
// Number of entries of the scancode table (SDL's scancode range).
constexpr int scancode_count = 512;

// Drains the SDL event queue into the key, mouse and window state. Cheap when nothing is waiting.
void pump_events();

// Mouse motion and wheel gathered since the last take, and the current button bits (bit i:
// button i + 1 of SDL: left, middle, right, X1).
struct MouseMotion {
    int dx;
    int dy;
    int wheel;
    std::uint32_t buttons;
};
MouseMotion take_mouse_motion();

// True once the user asked to close the window (close button, desktop quit).
bool close_requested();

// The SDL window behind a window handle (null for none), and the first window's.
SDL_Window *sdl_window(HWND window);
SDL_Window *main_sdl_window();

// True while the SDL video subsystem (and so the event pump) is running.
bool video_started();

// The counted clock, which timed demos and tests use instead of the wall clock: the tick count
// starts at `start` and each read adds `step` ms, so no real time passes.
void use_counted_clock(DWORD start, DWORD step);
void set_counted_ticks(DWORD ticks);
void advance_counted_clock(DWORD ms);
void use_wall_clock();
// The wall clock's milliseconds since its first reading, whole ones, on the monotonic clock; and a
// sleep that ends when that count reaches `tick`, at the very turn, not up to a millisecond after.
DWORD wall_ticks();
void sleep_until_wall_tick(DWORD tick);
// True while the counted clock drives the tick count.
bool virtual_clock_active();
// True between silent_frames(true) and silent_frames(false): flips show nothing and sounds are
// neither rewound nor started.
bool frames_silent();

// The window on X11, destroyed from outside (by the window manager or the X server) rather than
// closed: noticed from its DestroyNotify or from X errors about it (window_x11.cpp). Does nothing
// on other video drivers.
void watch_x11_window(SDL_Window *window);
bool x11_window_destroyed();

// --- Keyboard state (keyboard.cpp, key_tables.cpp) -----------------------------------------
// The pump's key events (Alt+Enter switches the display and is no key for anyone else), and
// every key let go when the window loses the focus.
void keyboard_event(const SDL_KeyboardEvent &key, bool down);
void keyboard_release_all();
// The keyboard device's 256 bytes (0x80 for down) by DirectInput key code, each tap seen once.
void keyboard_device_read(BYTE keys[256]);
// GetAsyncKeyState's view of a virtual key, each tap seen once.
bool keyboard_async_read(int virtual_key);

// The key tables: the DirectInput key of every scancode (0 for none), the virtual key of an SDL
// key symbol (0 for none), the DirectInput key that stands for a virtual key (0 for none).
int dik_of_scancode(int scancode);
int virtual_key_of_symbol(int sdl_keycode);
int dik_of_virtual_key(int virtual_key);

// What the platform's additions add to the keyboard: bindings and keys held by others on the
// device read, the keys held by others on the asynchronous read, and the presses, focus loss and
// controller events they act on. None is installed until the additions install theirs; without
// one the keyboard reports its own keys alone.
struct KeyboardExtension {
    // The device's bytes made from the keys' own state, and that state by scancode (1 for down):
    // rewritten in place.
    void (*device_read)(BYTE keys[256], const std::uint8_t *scancodes);
    // The state the asynchronous read reports for a virtual key whose own state is own.
    bool (*async_read)(int virtual_key, bool own);
    // A key went down (not a repeat), and the window lost the focus.
    void (*key_pressed)(int scancode);
    void (*focus_lost)();
    // A game controller event (plugged, unplugged, button, axis).
    void (*controller_event)(const SDL_Event &event);
};
void extend_keyboard(const KeyboardExtension *extension);
const KeyboardExtension *keyboard_extension();

// --- Presentation (presentation.cpp) -------------------------------------------------------
// Makes the window the full-screen display of the given mode; false when SDL cannot.
bool present_open(HWND window, int width, int height);
void present_close(HWND window);
// Shows the surface through its palette now, and remembers it as the one on the screen.
void present_show(const IDirectDrawSurface *primary);
// The palette the screen shows through (the remembered surface's); null while none is shown.
IDirectDrawPalette *present_palette();
// Shows the remembered surface again (after an expose, a palette change).
void present_refresh();
// The palette of the remembered surface changed: shown at once, or within one display refresh.
void present_palette_changed();
// The remembered surface's memory may be being written (it is locked).
void present_mark_dirty();
// From every read of the tick count: refreshes a dirty screen, at most once per display refresh.
void present_refresh_if_due(DWORD now);
// Milliseconds from now until a dirty screen is due for its refresh (at least 1); a day when none
// is dirty.
DWORD present_refresh_due_in(DWORD now);
// Before a flip: like a real flipping chain, at most one flip per display refresh, so screens
// that flip in a loop do not spin. Frames paced slower than the refresh never wait here.
void present_pace();
// The surface on the screen (null before the first flip) and the palette it is shown through.
const IDirectDrawSurface *present_shown();
const PALETTEENTRY *present_shown_palette();
// Alt+Enter: full screen on the desktop <-> a resizable window.
void present_toggle_fullscreen();
// The two halves of showing the screen on their own: the palette conversion of the shown
// surface into the renderer's texture, and the hand-over to SDL (on the window surface path, the
// conversion and scaling into the window's memory and its update). Nothing happens before a
// surface has been shown.
void present_convert_shown();
void present_hand_over_shown();
// While on, showing a frame stops before the hand-over to SDL.
void present_without_hand_over(bool on);
// Takes the window again by the path now chosen, as a new display would, and shows what was
// shown.
void present_reopen();
// The size the hand-over draws at: the window's, in pixels.
void present_target_size(int *width, int *height);

// --- Text (text.cpp) -----------------------------------------------------------------------
// Starts looking the font up through fontconfig (about 10 ms of reading its configuration) on a
// thread of its own, so that the rest of start-up goes on meanwhile; the first text drawn takes
// the answer.
void start_font_lookup();

// --- Sound (sound.cpp) ---------------------------------------------------------------------
// Mixes the next `count` frames of the loopback device; false without one.
bool render_loopback_sound(float *frames, int count);

// --- Test seams (testing.cpp) --------------------------------------------------------------
// True when the named operation is to fail now (see testing_fail).
bool fault(const char *operation);
// Appends a printf-formatted line to the record while recording is on.
void note(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Whether tests follow the presented frames, and the frame just presented for them.
bool frames_watched();
void watch_frame(const IDirectDrawSurface &surface, const PALETTEENTRY *palette, unsigned serial);
// The loopback device's rate that a test asked for; 0 for a real device.
int loopback_sound_rate();

} // namespace platform
