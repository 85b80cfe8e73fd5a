// Test helper: asks the X window with the given title to close, as a window manager's close button
// does (a WM_DELETE_WINDOW client message). Exits 1 when no such window shows up within 10 s.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

Window find(Display *display, Window window, const char *title) {
    char *name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        const bool match = std::strcmp(name, title) == 0;
        XFree(name);
        if (match)
            return window;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) != 0) {
        for (unsigned i = 0; i < count && found == 0; ++i)
            found = find(display, children[i], title);
        if (children != nullptr)
            XFree(children);
    }
    return found;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: x11_close TITLE\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x11_close: no display\n");
        return 2;
    }
    Window window = 0;
    for (int i = 0; i < 100 && window == 0; ++i) {
        window = find(display, DefaultRootWindow(display), argv[1]);
        if (window == 0)
            usleep(100000);
    }
    if (window == 0) {
        std::fprintf(stderr, "x11_close: no window titled %s\n", argv[1]);
        return 1;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return 0;
}
