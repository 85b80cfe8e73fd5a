// Watching the one window on X11. Xlib's default reaction to an error is to print it and exit,
// and once the window is destroyed every request about it (SDL asks for its geometry, draws into
// it, destroys it at the end) is an error. Its DestroyNotify, or an error that names it as a
// missing window or drawable, marks it destroyed, and from then on X errors are ignored; before
// that every error goes on to the handler that was there before (SDL's, and Xlib's default).
#include <SDL.h>
#include <SDL_syswm.h>

#include "platform/internal.h"

namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
XErrorHandler previous_handler = nullptr;
SDL_Window *watched = nullptr;
bool destroyed = false;

// The X window behind the SDL window now: SDL makes a new one when a renderer needs it, and
// destroys the old one itself.
Window current_x_window() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (watched == nullptr || SDL_GetWindowWMInfo(watched, &info) != SDL_TRUE ||
        info.subsystem != SDL_SYSWM_X11)
        return 0;
    return info.info.x11.window;
}

int on_x_error(Display *display, XErrorEvent *error) {
    if (error->resourceid != 0 && error->resourceid == current_x_window() &&
        (error->error_code == BadWindow || error->error_code == BadDrawable))
        destroyed = true;
    // Once the window is gone, SDL's requests about it fail, and some go on with what the failed
    // ones left undefined (a parent window, a position); those errors follow from it too.
    if (destroyed)
        return 0;
    return previous_handler != nullptr ? previous_handler(display, error) : 0;
}

// Sees the window's DestroyNotify as SDL takes it from the server, before anything else asks
// about the window.
int on_event(void *, SDL_Event *event) {
    if (event->type == SDL_SYSWMEVENT && event->syswm.msg != nullptr &&
        event->syswm.msg->subsystem == SDL_SYSWM_X11) {
        const XEvent &x_event = event->syswm.msg->msg.x11.event;
        if (x_event.type == DestroyNotify && x_event.xdestroywindow.window != 0 &&
            x_event.xdestroywindow.window == current_x_window())
            destroyed = true;
    }
    return 0;
}
#endif

} // namespace

namespace platform {

void watch_x11_window(SDL_Window *window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (watched != nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE ||
        info.subsystem != SDL_SYSWM_X11)
        return;
    watched = window;
    previous_handler = XSetErrorHandler(on_x_error);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    SDL_AddEventWatch(on_event, nullptr);
#else
    (void)window;
#endif
}

bool x11_window_destroyed() {
#if defined(SDL_VIDEO_DRIVER_X11)
    return destroyed;
#else
    return false;
#endif
}

} // namespace platform
