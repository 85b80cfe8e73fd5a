// The window layer on SDL2: window classes, the one SDL window, the message queue, the event pump
// (keys go to the keyboard's state, controllers to the platform's additions), the mouse and close
// state, the cursor and the tick count (the wall clock or the counted one).
#include "platform/window.h"

#include <SDL.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/internal.h"

struct InstanceRecord {
    int unused;
};

struct WindowRecord {
    SDL_Window *sdl = nullptr;
    WNDPROC procedure = nullptr;
};

namespace {

InstanceRecord the_instance{};
// A registered class keeps its own copy of the name: the caller's string may not outlive it.
struct RegisteredClass {
    WNDCLASS fields;
    std::string name;
};
std::vector<RegisteredClass> classes;
WindowRecord *main_record = nullptr; // the first window: close requests go to it
std::string last_error;
bool video_running = false;

// The message queue: a fixed ring, so posting never allocates.
constexpr int queue_capacity = 1024;
MSG queue[queue_capacity];
int queue_head = 0;
int queue_count = 0;
bool quit_pending = false;
int quit_code = 0;

platform::MouseMotion mouse{};
bool close_request = false;
int cursor_count = 0;

// The tick count.
bool virtual_clock = false;
DWORD virtual_ticks = 0;
DWORD virtual_step = 0;

// The displays a start tried, for the message when none opens: DISPLAY=":1", WAYLAND_DISPLAY
// unset. Control characters in the values are shown as '?', so the message stays one line.
std::string displays_tried() {
    std::string said;
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char *value = SDL_getenv(name);
        said += said.empty() ? "" : ", ";
        said += name;
        if (value == nullptr) {
            said += " unset";
            continue;
        }
        said += "=\"";
        for (const char *c = value; *c != '\0'; ++c)
            said += static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F ? '?' : *c;
        said += '"';
    }
    return said;
}

// Starts SDL's video on a driver that shows something: X11 or Wayland where their display is
// named, the console otherwise. Drivers that show nothing (dummy, offscreen) only when asked for
// by name, as tests do, so that a machine without a display is told so instead of playing blind.
bool start_video() {
    const char *asked = SDL_getenv("SDL_VIDEODRIVER");
    if (asked == nullptr || *asked == '\0') {
        std::string drivers;
        if (SDL_getenv("WAYLAND_DISPLAY") != nullptr)
            drivers += "wayland,";
        if (SDL_getenv("DISPLAY") != nullptr)
            drivers += "x11,";
        drivers += "KMSDRM";
        SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        last_error =
            "no display is available (" + displays_tried() + "; SDL: " + SDL_GetError() + ")";
        return false;
    }
    const char *driver = SDL_GetCurrentVideoDriver();
    const bool shows_nothing = driver != nullptr && (SDL_strcasecmp(driver, "dummy") == 0 ||
                                                     SDL_strcasecmp(driver, "offscreen") == 0);
    if (shows_nothing && (asked == nullptr || SDL_strcasecmp(asked, driver) != 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        last_error = "no display is available (" + displays_tried() + "; SDL chose " + driver + ")";
        return false;
    }
    return true;
}

void request_close() {
    if (!close_request && main_record != nullptr)
        PostMessageA(main_record, WM_CLOSE, 0, 0);
    close_request = true;
}

} // namespace

namespace platform {

void pump_events() {
    if (!video_running)
        return;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            keyboard_event(event.key, event.type == SDL_KEYDOWN);
            break;
        case SDL_MOUSEMOTION:
            mouse.dx += event.motion.xrel;
            mouse.dy += event.motion.yrel;
            break;
        case SDL_MOUSEWHEEL:
            mouse.wheel += event.wheel.y;
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.button >= 1 && event.button.button <= 32) {
                const std::uint32_t bit = 1u << (event.button.button - 1);
                if (event.type == SDL_MOUSEBUTTONDOWN)
                    mouse.buttons |= bit;
                else
                    mouse.buttons &= ~bit;
            }
            break;
        case SDL_QUIT:
            request_close();
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
            case SDL_WINDOWEVENT_FOCUS_LOST:
                keyboard_release_all();
                mouse.buttons = 0;
                if (const KeyboardExtension *extension = keyboard_extension())
                    extension->focus_lost();
                break;
            case SDL_WINDOWEVENT_CLOSE:
                request_close();
                break;
            case SDL_WINDOWEVENT_EXPOSED:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                present_refresh();
                break;
            default:
                break;
            }
            break;
        case SDL_CONTROLLERDEVICEADDED:
        case SDL_CONTROLLERDEVICEREMOVED:
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
        case SDL_CONTROLLERAXISMOTION:
            if (const KeyboardExtension *extension = keyboard_extension())
                extension->controller_event(event);
            break;
        default:
            break;
        }
    }
    // A window destroyed from outside is a close request too.
    if (x11_window_destroyed())
        request_close();
}

MouseMotion take_mouse_motion() {
    MouseMotion taken = mouse;
    mouse.dx = mouse.dy = mouse.wheel = 0;
    return taken;
}

bool close_requested() {
    return close_request;
}

bool video_started() {
    return video_running;
}

SDL_Window *sdl_window(HWND window) {
    return window != nullptr ? window->sdl : nullptr;
}

SDL_Window *main_sdl_window() {
    return sdl_window(main_record);
}

void use_counted_clock(DWORD start, DWORD step) {
    virtual_clock = true;
    virtual_ticks = start;
    virtual_step = step;
}

void set_counted_ticks(DWORD ticks) {
    virtual_ticks = ticks;
}

void advance_counted_clock(DWORD ms) {
    virtual_ticks += ms;
}

void use_wall_clock() {
    virtual_clock = false;
}

bool virtual_clock_active() {
    return virtual_clock;
}

namespace {

constexpr std::int64_t ns_per_ms = 1000000;

std::int64_t monotonic_ns() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// Tick 0 of the wall clock.
std::int64_t wall_origin_ns() {
    static const std::int64_t origin = monotonic_ns();
    return origin;
}

std::int64_t wall_ms() {
    const std::int64_t origin = wall_origin_ns();
    return (monotonic_ns() - origin) / ns_per_ms;
}

} // namespace

// An unsigned 32-bit count: it wraps after 49.7 days.
DWORD wall_ticks() {
    return static_cast<DWORD>(wall_ms());
}

// The tick lies ahead of the count by their unsigned difference, so a wrap between them does not
// matter; a tick already passed (a difference beyond half the range) ends the sleep at once.
void sleep_until_wall_tick(DWORD tick) {
    const std::int64_t now = wall_ms();
    const DWORD ahead = tick - static_cast<DWORD>(now);
    if (ahead == 0 || ahead > 0x80000000u)
        return;
    const std::int64_t turn = wall_origin_ns() + (now + ahead) * ns_per_ms;
    const timespec until{static_cast<time_t>(turn / 1000000000),
                         static_cast<long>(turn % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

bool silent = false;

bool frames_silent() {
    return silent;
}

} // namespace platform

HINSTANCE GetModuleHandleA(LPCSTR) {
    return &the_instance;
}

// Icons, cursors and brushes are tokens: the SDL window has no class resources to apply them to.
HICON LoadIconA(HINSTANCE, LPCSTR name) {
    return reinterpret_cast<HICON>(const_cast<char *>(name));
}
HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    return reinterpret_cast<HCURSOR>(const_cast<char *>(name));
}
HGDIOBJ GetStockObject(int object) {
    static int stock[8];
    return object >= 0 && object < 8 ? &stock[object] : nullptr;
}

WORD RegisterClassA(const WNDCLASS *window_class) {
    if (window_class == nullptr || window_class->lpfnWndProc == nullptr ||
        window_class->lpszClassName == nullptr || platform::fault("RegisterClass"))
        return 0;
    for (const RegisteredClass &registered : classes)
        if (registered.name == window_class->lpszClassName)
            return 0;
    classes.push_back(RegisteredClass{*window_class, window_class->lpszClassName});
    return static_cast<WORD>(classes.size());
}

const char *window_last_error() {
    return last_error.c_str();
}

HWND CreateWindowExA(DWORD, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, void *) {
    const WNDCLASS *window_class = nullptr;
    for (const RegisteredClass &registered : classes)
        if (class_name != nullptr && registered.name == class_name)
            window_class = &registered.fields;
    if (window_class == nullptr) {
        last_error = "the window class is not registered";
        return nullptr;
    }
    if (platform::fault("CreateWindow")) {
        last_error = "window creation failed (injected)";
        return nullptr;
    }
    if (!video_running) {
        if (!start_video())
            return nullptr;
        video_running = true;
    }
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if ((style & WS_POPUP) != 0)
        flags |= SDL_WINDOW_BORDERLESS;
    SDL_Window *sdl = SDL_CreateWindow(title != nullptr ? title : "", x, y, width, height, flags);
    if (sdl == nullptr) {
        last_error = std::string("the window cannot be created (") + SDL_GetError() + ")";
        return nullptr;
    }
    auto *record = new WindowRecord{sdl, window_class->lpfnWndProc};
    if (main_record == nullptr) {
        main_record = record;
        platform::watch_x11_window(sdl);
    }
    record->procedure(record, WM_CREATE, 0, 0);
    if ((style & WS_VISIBLE) != 0)
        SDL_ShowWindow(sdl);
    return record;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    SDL_Window *sdl = window != nullptr && text != nullptr ? platform::sdl_window(window) : nullptr;
    if (sdl == nullptr)
        return FALSE;
    SDL_SetWindowTitle(sdl, text);
    return TRUE;
}

BOOL DestroyWindow(HWND window) {
    if (window == nullptr)
        return FALSE;
    platform::present_close(window);
    window->procedure(window, WM_DESTROY, 0, 0);
    SDL_DestroyWindow(window->sdl);
    if (main_record == window)
        main_record = nullptr;
    // Messages still waiting for the window go with it: dispatching one later would call into
    // freed memory.
    int kept = 0;
    for (int i = 0; i < queue_count; ++i) {
        const MSG &waiting = queue[(queue_head + i) % queue_capacity];
        if (waiting.hwnd != window)
            queue[(queue_head + kept++) % queue_capacity] = waiting;
    }
    queue_count = kept;
    delete window;
    return TRUE;
}

BOOL PeekMessageA(MSG *msg, HWND, UINT, UINT, UINT remove) {
    platform::pump_events();
    if (queue_count > 0) {
        *msg = queue[queue_head];
        if ((remove & PM_REMOVE) != 0) {
            queue_head = (queue_head + 1) % queue_capacity;
            --queue_count;
        }
        return TRUE;
    }
    // The quit message comes out only when no other message is waiting.
    if (quit_pending) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quit_code), 0, GetTickCount(), {0, 0}};
        if ((remove & PM_REMOVE) != 0)
            quit_pending = false;
        return TRUE;
    }
    return FALSE;
}

// Character messages are not used by anything here.
BOOL TranslateMessage(const MSG *) {
    return FALSE;
}

LRESULT DispatchMessageA(const MSG *msg) {
    if (msg == nullptr || msg->hwnd == nullptr)
        return 0;
    return msg->hwnd->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
    // Closing sends the destroy message; the SDL window itself stays until the program ends, so
    // that the screens after the race can still be shown.
    if (message == WM_CLOSE && window != nullptr)
        window->procedure(window, WM_DESTROY, 0, 0);
    return 0;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (window == nullptr || queue_count == queue_capacity)
        return FALSE;
    const int tail = (queue_head + queue_count) % queue_capacity;
    queue[tail] = MSG{window, message, wparam, lparam, GetTickCount(), {0, 0}};
    ++queue_count;
    return TRUE;
}

void PostQuitMessage(int exit_code) {
    quit_pending = true;
    quit_code = exit_code;
}

HDC BeginPaint(HWND, PAINTSTRUCT *paint) {
    if (paint != nullptr)
        *paint = PAINTSTRUCT{};
    return nullptr;
}

BOOL EndPaint(HWND, const PAINTSTRUCT *) {
    return TRUE;
}

int ShowCursor(BOOL show) {
    cursor_count += show ? 1 : -1;
    if (video_running)
        SDL_ShowCursor(cursor_count >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return cursor_count;
}

DWORD GetTickCount() {
    DWORD now;
    if (virtual_clock) {
        now = virtual_ticks;
        virtual_ticks += virtual_step;
    } else {
        now = platform::wall_ticks();
    }
    platform::present_refresh_if_due(now);
    return now;
}

void Sleep(DWORD ms) {
    if (virtual_clock)
        return;
    const DWORD until = platform::wall_ticks() + ms;
    for (;;) {
        const DWORD now = GetTickCount(); // shows a dirty screen once it is due
        const DWORD left = until - now;
        if (left == 0 || left > ms) // reached, or passed (the difference wrapped)
            return;
        platform::sleep_until_wall_tick(
            now + std::min<DWORD>(left, platform::present_refresh_due_in(now)));
    }
}

// The same counted clock that tests drive: everything that follows it (the flip's pacing, the
// screen's refresh) then runs without waiting.
void tick_count_unpaced(bool on) {
    if (on)
        platform::use_counted_clock(platform::wall_ticks(), 1);
    else
        platform::use_wall_clock();
}

void silent_frames(bool on) {
    static bool was_virtual = false;
    static DWORD was_step = 0;
    if (on == platform::silent)
        return;
    platform::silent = on;
    if (on) {
        was_virtual = virtual_clock;
        was_step = virtual_step;
        // The counted clock goes on from where the wall clock is, so no tick goes backwards.
        platform::use_counted_clock(GetTickCount(), 1);
    } else if (was_virtual) {
        virtual_step = was_step;
    } else {
        platform::use_wall_clock();
    }
}
