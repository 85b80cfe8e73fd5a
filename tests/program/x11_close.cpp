// Test helper: asks the X window with the given id to close, as a window manager's close button
// does (a WM_DELETE_WINDOW client message).
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
    Display *display = argc == 2 ? XOpenDisplay(nullptr) : nullptr;
    const Window window = argc == 2 ? std::strtoul(argv[1], nullptr, 0) : 0;
    if (display == nullptr || window == 0) {
        std::fprintf(stderr, "usage: x11_close WINDOW-ID (with a display)\n");
        return 2;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display); // sends what is queued
    return 0;
}
