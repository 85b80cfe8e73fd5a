// Inside the platform layer only: showing the primary surface on the screen. Its 8-bit pixels go
// through the palette into a streaming texture, scaled nearest-neighbour and letterboxed to 4:3.
#pragma once

#include "platform/types.h"

class IDirectDrawSurface;

namespace platform {

// Makes the window the full-screen display of the given mode; false when SDL cannot.
bool present_open(HWND window, int width, int height);
void present_close(HWND window);
// Shows the surface through its palette now, and remembers it as the one on the screen.
void present_show(const IDirectDrawSurface *primary);
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

} // namespace platform
