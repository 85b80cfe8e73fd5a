// The one window on X11, destroyed from outside (by the window manager or the X server) rather
// than closed: noticed from its DestroyNotify or from X errors about it, so that it becomes a
// close request instead of ending the program with an X error.
#pragma once

#include <SDL.h>

namespace platform {

// Watches the window when SDL runs on X11; does nothing on other video drivers.
void watch_x11_window(SDL_Window *window);
// True once the watched window is gone.
bool x11_window_destroyed();

} // namespace platform
