// Inside the platform layer only: the one event pump that every device reads from. SDL events
// (real ones and those that tests push) pass through platform_pump_events, which keeps the key,
// mouse and window state that the window, display and input pieces report.
#pragma once

#include <cstdint>

#include "platform/types.h"

struct SDL_Window;

namespace platform {

// Number of entries of the scancode table (SDL's scancode range).
constexpr int scancode_count = 512;

// Drains the SDL event queue into the state below. Cheap when nothing is waiting.
void pump_events();

// Scancode state for the keyboard device's read: 1 while the key is down, and 1 for a key pressed
// since the last read even if it was let go again; that short press is seen by this read only
// (and only once the device has read before).
// A key whose press started Alt+Enter is never down.
const std::uint8_t *take_scancode_state();

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

// The SDL window behind a window handle (null for none).
SDL_Window *sdl_window(HWND window);

// True while tests drive the tick count (no real time passes).
bool virtual_clock_active();

// True while the SDL video subsystem (and so the event pump) is running.
bool video_started();

} // namespace platform
