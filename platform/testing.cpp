// The test seams: faults, the record of calls, the virtual clock, injected keys, window events,
// mouse and virtual joysticks, the presented frames and sound on the loopback device.
#include "platform/testing.h"

#include <SDL.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/display.h"
#include "platform/internal.h"

namespace {

struct Fault {
    std::string operation;
    int skip;
    int times;
};

std::vector<Fault> faults;
bool recording = false;
std::vector<std::string> recorded;

bool capturing = false;
PresentedFrame captured;
void (*present_callback)(const PresentedFrame &, void *) = nullptr;
void *present_user = nullptr;
bool present_with_pixels = true;

int loopback_rate = 0;

void push_window_event(SDL_WindowEventID id) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = static_cast<Uint8>(id);
    if (SDL_Window *window = platform::main_sdl_window())
        event.window.windowID = SDL_GetWindowID(window);
    SDL_PushEvent(&event);
}

constexpr int virtual_joystick_capacity = 8;
SDL_JoystickID virtual_joysticks[virtual_joystick_capacity];
int virtual_joystick_count = 0;

SDL_Joystick *virtual_joystick(int joystick) {
    if (joystick < 0 || joystick >= virtual_joystick_count || virtual_joysticks[joystick] < 0 ||
        SDL_WasInit(SDL_INIT_JOYSTICK) == 0)
        return nullptr;
    return SDL_JoystickFromInstanceID(virtual_joysticks[joystick]);
}

int attach_virtual(const SDL_VirtualJoystickDesc &desc) {
    if (virtual_joystick_count == virtual_joystick_capacity ||
        SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
        return -1;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    // The seam keeps its own handle open: SDL sets virtual values only through an open joystick.
    SDL_Joystick *opened = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
    if (opened == nullptr)
        return -1;
    virtual_joysticks[virtual_joystick_count] = SDL_JoystickInstanceID(opened);
    return virtual_joystick_count++;
}

} // namespace

// --- Faults and the record of calls ---------------------------------------------------------

void testing_fail(const char *operation, int times, int skip) {
    faults.push_back(Fault{operation, skip, times});
}

void testing_clear_faults() {
    faults.clear();
}

void testing_record_calls(bool on) {
    recording = on;
}

const std::vector<std::string> &testing_recorded_calls() {
    return recorded;
}

void testing_clear_recorded_calls() {
    recorded.clear();
}

// --- Virtual clock --------------------------------------------------------------------------

void testing_use_virtual_clock(DWORD start, DWORD auto_step) {
    platform::use_counted_clock(start, auto_step);
}

void testing_set_ticks(DWORD ticks) {
    platform::set_counted_ticks(ticks);
}

void testing_advance_ticks(DWORD ms) {
    platform::advance_counted_clock(ms);
}

void testing_use_real_clock() {
    platform::use_wall_clock();
}

// --- Injected input -------------------------------------------------------------------------

void testing_key(int scancode, bool down, bool alt) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    event.key.keysym.sym = SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(scancode));
    event.key.keysym.mod = alt ? KMOD_LALT : KMOD_NONE;
    if (SDL_Window *window = platform::main_sdl_window())
        event.key.windowID = SDL_GetWindowID(window);
    SDL_PushEvent(&event);
}

void testing_close_window() {
    push_window_event(SDL_WINDOWEVENT_CLOSE);
}

void testing_focus_lost() {
    push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
}

void testing_mouse_move(int dx, int dy) {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.xrel = dx;
    event.motion.yrel = dy;
    SDL_PushEvent(&event);
}

void testing_mouse_wheel(int notches) {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = notches;
    SDL_PushEvent(&event);
}

void testing_mouse_button(int button, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = static_cast<Uint8>(button);
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&event);
}

int testing_attach_joystick(const char *name, int axes, int buttons, int hats) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = static_cast<Uint16>(axes);
    desc.nbuttons = static_cast<Uint16>(buttons);
    desc.nhats = static_cast<Uint16>(hats);
    desc.name = name;
    return attach_virtual(desc);
}

int testing_attach_gamepad(const char *name) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = name;
    return attach_virtual(desc);
}

void testing_joystick_axis(int joystick, int axis, int value) {
    if (SDL_Joystick *opened = virtual_joystick(joystick))
        SDL_JoystickSetVirtualAxis(opened, axis, static_cast<Sint16>(value));
}

void testing_joystick_button(int joystick, int button, bool down) {
    if (SDL_Joystick *opened = virtual_joystick(joystick))
        SDL_JoystickSetVirtualButton(opened, button, down ? SDL_PRESSED : SDL_RELEASED);
}

void testing_joystick_hat(int joystick, int hat, int bits) {
    if (SDL_Joystick *opened = virtual_joystick(joystick))
        SDL_JoystickSetVirtualHat(opened, hat, static_cast<Uint8>(bits));
}

void testing_detach_joystick(int joystick) {
    SDL_Joystick *opened = virtual_joystick(joystick);
    if (opened == nullptr)
        return;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == virtual_joysticks[joystick]) {
            SDL_JoystickDetachVirtual(i);
            break;
        }
    SDL_JoystickClose(opened);
    virtual_joysticks[joystick] = -1; // the seam's handle is gone; later calls do nothing
}

// --- Presented frames -----------------------------------------------------------------------

void testing_capture_frames(bool on) {
    capturing = on;
}

const PresentedFrame &testing_last_frame() {
    return captured;
}

void testing_on_present(void (*callback)(const PresentedFrame &, void *), void *user,
                        bool with_pixels) {
    present_callback = callback;
    present_user = user;
    present_with_pixels = with_pixels;
}

bool testing_save_frame(const PresentedFrame &frame, const char *path) {
    if (frame.width <= 0 || frame.height <= 0)
        return false;
    SDL_Surface *image =
        SDL_CreateRGBSurfaceWithFormat(0, frame.width, frame.height, 24, SDL_PIXELFORMAT_RGB24);
    if (image == nullptr)
        return false;
    for (int y = 0; y < frame.height; ++y) {
        Uint8 *row =
            static_cast<Uint8 *>(image->pixels) + static_cast<std::size_t>(y) * image->pitch;
        for (int x = 0; x < frame.width; ++x) {
            const PALETTEENTRY &c =
                frame.palette[frame.pixels[static_cast<std::size_t>(y) * frame.width + x]];
            row[3 * x] = c.peRed;
            row[3 * x + 1] = c.peGreen;
            row[3 * x + 2] = c.peBlue;
        }
    }
    const bool ok = SDL_SaveBMP(image, path) == 0;
    SDL_FreeSurface(image);
    return ok;
}

void testing_present_convert() {
    platform::present_convert_shown();
}

void testing_present_hand_over() {
    platform::present_hand_over_shown();
}

void testing_present_without_hand_over(bool on) {
    platform::present_without_hand_over(on);
}

void testing_present_reopen() {
    platform::present_reopen();
}

void testing_present_size(int *width, int *height) {
    platform::present_target_size(width, height);
}

// --- Sound on the loopback device -----------------------------------------------------------

void testing_use_loopback_sound(int rate) {
    loopback_rate = rate;
}

bool testing_render_sound(float *frames, int count) {
    return platform::render_loopback_sound(frames, count);
}

namespace platform {

bool fault(const char *operation) {
    for (Fault &f : faults) {
        if (f.times <= 0 || f.operation != operation)
            continue;
        if (f.skip > 0) {
            --f.skip;
            return false;
        }
        --f.times;
        return true;
    }
    return false;
}

void note(const char *format, ...) {
    if (!recording)
        return;
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    recorded.emplace_back(line);
}

bool frames_watched() {
    return capturing || present_callback != nullptr;
}

void watch_frame(const IDirectDrawSurface &surface, const PALETTEENTRY *palette, unsigned serial) {
    captured.width = surface.width;
    captured.height = surface.height;
    const bool pixels = capturing || present_with_pixels;
    captured.pixels.resize(pixels ? static_cast<std::size_t>(surface.width) * surface.height : 0);
    for (int y = 0; pixels && y < surface.height; ++y)
        std::memcpy(&captured.pixels[static_cast<std::size_t>(y) * surface.width],
                    &surface.pixels[static_cast<std::size_t>(y) * surface.pitch],
                    static_cast<std::size_t>(surface.width));
    std::memcpy(captured.palette, palette, sizeof captured.palette);
    captured.serial = serial;
    if (present_callback != nullptr)
        present_callback(captured, present_user);
}

int loopback_sound_rate() {
    return loopback_rate;
}

} // namespace platform
