// Presentation on SDL2: one renderer and one streaming ARGB8888 texture of the mode's size, made
// once; each presented frame is converted straight into the locked texture through a 256-entry
// table. The software renderer is the fallback when no other can be made.
#include "platform/presentation.h"

#include <SDL.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/display.h"
#include "platform/internal.h"

namespace {

SDL_Window *window = nullptr;
HWND window_handle = nullptr;
SDL_Renderer *renderer = nullptr;
SDL_Texture *texture = nullptr;
int mode_width = 0;
int mode_height = 0;
bool fullscreen = true;
bool start_fullscreen = true;
bool integer_scaling = false;
const IDirectDrawSurface *shown = nullptr;
bool dirty = false;
DWORD refresh_interval = 16;
// When the last frame was put on the screen, in the active clock's milliseconds (the virtual
// clock's while tests drive it, so that their refreshes are as deterministic as their frames).
Uint32 last_show = 0;
Uint32 last_tick_read = 0;
// The pixels (rows packed) and palette last handed over, kept only to compare the next frame with.
std::vector<BYTE> on_screen;
PALETTEENTRY on_screen_palette[256];
bool on_screen_known = false;

Uint32 now_ms() {
    return platform::virtual_clock_active() ? last_tick_read : SDL_GetTicks();
}

unsigned presented_count = 0;

// The window covers the whole desktop, also where no window manager does it for us.
void enter_fullscreen() {
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(window), &desktop) == 0) {
        SDL_SetWindowPosition(window, 0, 0);
        SDL_SetWindowSize(window, desktop.w, desktop.h);
    }
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

// A resizable window of the largest whole multiple of the mode that fits the desktop, centred.
void enter_window() {
    SDL_SetWindowFullscreen(window, 0);
    SDL_SetWindowBordered(window, SDL_TRUE);
    SDL_SetWindowResizable(window, SDL_TRUE);
    SDL_Rect usable;
    int scale = 1;
    if (SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(window), &usable) == 0)
        while (mode_width * (scale + 1) <= usable.w * 9 / 10 &&
               mode_height * (scale + 1) <= usable.h * 9 / 10)
            ++scale;
    SDL_SetWindowSize(window, mode_width * scale, mode_height * scale);
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

const PALETTEENTRY *palette_of(const IDirectDrawSurface *surface) {
    static const PALETTEENTRY black[256] = {};
    return surface->palette != nullptr ? surface->palette->entries : black;
}

// One row through the table. Eight pixels per 8-byte read: this loop is most of the frame's own
// work, and reading the row a byte at a time made it about half as fast again.
void convert_row(const BYTE *src, Uint32 *dst, int width, const Uint32 *lut) {
    static_assert(std::endian::native == std::endian::little, "pixel k is byte k of the read");
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, src + x, sizeof eight);
        for (int k = 0; k < 8; ++k)
            dst[x + k] = lut[(eight >> (8 * k)) & 0xFF];
    }
    for (; x < width; ++x)
        dst[x] = lut[src[x]];
}

// The surface's 8-bit pixels through its palette into the locked texture; false when the texture
// cannot be locked.
bool convert(const IDirectDrawSurface *surface, const PALETTEENTRY *palette) {
    Uint32 lut[256];
    for (int i = 0; i < 256; ++i)
        lut[i] = 0xFF000000u | (Uint32(palette[i].peRed) << 16) |
                 (Uint32(palette[i].peGreen) << 8) | Uint32(palette[i].peBlue);
    void *texels = nullptr;
    int texture_pitch = 0;
    if (SDL_LockTexture(texture, nullptr, &texels, &texture_pitch) != 0)
        return false;
    const int w = surface->width < mode_width ? surface->width : mode_width;
    const int h = surface->height < mode_height ? surface->height : mode_height;
    for (int y = 0; y < h; ++y)
        convert_row(surface->pixels.data() + static_cast<std::size_t>(y) * surface->pitch,
                    reinterpret_cast<Uint32 *>(static_cast<Uint8 *>(texels) +
                                               static_cast<std::size_t>(y) * texture_pitch),
                    w, lut);
    SDL_UnlockTexture(texture);
    return true;
}

// The texture to SDL, scaled and letterboxed onto the window.
void hand_over() {
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
}

// Whether the surface through the palette is exactly what was last handed over; if not, it is
// remembered as what is handed over now.
bool same_as_on_screen(const IDirectDrawSurface *surface, const PALETTEENTRY *palette) {
    const std::size_t width = static_cast<std::size_t>(surface->width);
    const std::size_t rows = static_cast<std::size_t>(surface->height);
    bool same = on_screen_known && on_screen.size() == width * rows &&
                std::memcmp(on_screen_palette, palette, sizeof on_screen_palette) == 0;
    for (std::size_t y = 0; same && y < rows; ++y)
        same = std::memcmp(&on_screen[y * width], &surface->pixels[y * surface->pitch], width) == 0;
    if (same)
        return true;
    on_screen.resize(width * rows);
    for (std::size_t y = 0; y < rows; ++y)
        std::memcpy(&on_screen[y * width], &surface->pixels[y * surface->pitch], width);
    std::memcpy(on_screen_palette, palette, sizeof on_screen_palette);
    on_screen_known = true;
    return false;
}

// Puts the surface on the screen. Unless forced (the window's contents were lost or resized), a
// frame the screen already shows is not handed over again: screens that flip one picture in a
// loop then cost almost nothing between key tests.
void show(const IDirectDrawSurface *surface, bool force) {
    const PALETTEENTRY *palette = palette_of(surface);
    ++presented_count;
    dirty = false;
    last_show = now_ms();
    if (platform::frames_watched())
        platform::watch_frame(*surface, palette, presented_count);
    if (renderer == nullptr || texture == nullptr)
        return;
    if (same_as_on_screen(surface, palette) && !force)
        return;
    if (convert(surface, palette))
        hand_over();
    else
        on_screen_known = false;
}

} // namespace

namespace platform {

bool present_open(HWND handle, int width, int height) {
    SDL_Window *sdl = sdl_window(handle);
    if (sdl == nullptr)
        return false;
    present_close(window_handle);
    window = sdl;
    window_handle = handle;
    mode_width = width;
    mode_height = height;
    fullscreen = start_fullscreen;
    if (fullscreen)
        enter_fullscreen();
    else
        enter_window();
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (renderer == nullptr)
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (renderer == nullptr)
        return false;
    SDL_RenderSetLogicalSize(renderer, width, height);
    SDL_RenderSetIntegerScale(renderer, integer_scaling ? SDL_TRUE : SDL_FALSE);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                width, height);
    if (texture == nullptr) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
        return false;
    }
    SDL_DisplayMode display_mode;
    if (SDL_GetWindowDisplayMode(window, &display_mode) == 0 && display_mode.refresh_rate > 0)
        refresh_interval = static_cast<DWORD>(1000 / display_mode.refresh_rate);
    SDL_ShowWindow(window);
    // Centred again once shown: a window that was not yet on the screen stays where it was made.
    if (!fullscreen)
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    SDL_RaiseWindow(window);
    return true;
}

void present_close(HWND handle) {
    if (handle == nullptr || handle != window_handle)
        return;
    if (texture != nullptr)
        SDL_DestroyTexture(texture);
    if (renderer != nullptr)
        SDL_DestroyRenderer(renderer);
    texture = nullptr;
    renderer = nullptr;
    window = nullptr;
    window_handle = nullptr;
    shown = nullptr;
    on_screen_known = false;
}

void present_show(const IDirectDrawSurface *primary) {
    shown = primary;
    if (primary != nullptr)
        show(primary, false);
}

IDirectDrawPalette *present_palette() {
    return shown != nullptr ? shown->palette : nullptr;
}

void present_refresh() {
    if (shown != nullptr)
        show(shown, true);
}

void present_mark_dirty() {
    dirty = true;
}

void present_palette_changed() {
    // On the real clock the screen changes at most once per display refresh: a fade that sets
    // the palette every 12 ms is then not slowed by presenting frames nobody can see. Tests on
    // the virtual clock see every change.
    if (shown == nullptr)
        return;
    if (virtual_clock_active() || now_ms() - last_show >= refresh_interval)
        show(shown, false);
    else
        dirty = true;
}

void present_pace() {
    static Uint32 last_flip = 0;
    if (virtual_clock_active())
        return;
    const Uint32 now = SDL_GetTicks();
    const Uint32 since = now - last_flip;
    if (since < refresh_interval)
        SDL_Delay(refresh_interval - since);
    last_flip = SDL_GetTicks();
}

void present_refresh_if_due(DWORD now) {
    last_tick_read = now;
    if (!dirty || shown == nullptr || now_ms() - last_show < refresh_interval)
        return;
    show(shown, false);
    // A surface still locked may go on changing.
    dirty = shown->locked;
}

const IDirectDrawSurface *present_shown() {
    return shown;
}

const PALETTEENTRY *present_shown_palette() {
    return shown != nullptr ? palette_of(shown) : nullptr;
}

DWORD present_refresh_due_in(DWORD now) {
    if (!dirty || shown == nullptr)
        return 24 * 60 * 60 * 1000;
    const DWORD since = now - last_show;
    return since < refresh_interval ? refresh_interval - since : 1;
}

void present_toggle_fullscreen() {
    if (window == nullptr)
        return;
    fullscreen = !fullscreen;
    if (fullscreen)
        enter_fullscreen();
    else
        enter_window();
    present_refresh();
}

void present_convert_shown() {
    if (shown != nullptr && texture != nullptr)
        convert(shown, palette_of(shown));
}

void present_hand_over_shown() {
    if (shown != nullptr && renderer != nullptr && texture != nullptr)
        hand_over();
}

} // namespace platform

void presentation_start_fullscreen(bool on) {
    start_fullscreen = on;
}

void presentation_integer_scaling(bool on) {
    integer_scaling = on;
}
