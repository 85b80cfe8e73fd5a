// Presentation on SDL2, by one of two paths chosen when the display takes the window. Through the
// renderer: one renderer and one streaming ARGB8888 texture of the mode's size, made once; each
// presented frame is converted straight into the locked texture through a 256-entry table, and
// the renderer scales it (the software renderer is the fallback when no other can be made).
// Through the window surface: each frame is converted and scaled in one pass straight into the
// window's own memory, which SDL hands to the window system; where the renderer is not
// accelerated, its scaling costs several times that pass. That memory keeps what was drawn, so
// only the rows that changed since the last frame are drawn and handed over again: in a race, the
// karts' and the texts' rows, a fifth of the picture.
#include "platform/presentation.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
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
PresentationPath chosen_path = PresentationPath::automatic;
bool through_surface = false;
// Whether the texture holds the last frame converted, so that the next needs only its changed rows.
bool texture_filled = false;
bool hand_over_on = true;
// The surface pass's layout for the window surface's size: where the picture lies, and the source
// column and row of each of its pixels. Made again only when the size changes.
int layout_width = 0;
int layout_height = 0;
SDL_Rect picture{};
std::vector<int> source_columns;
std::vector<int> source_rows;
// One source row through the table, which the scaled row then picks its pixels from.
std::vector<Uint32> converted_row;
// The window surface memory that holds the last frame drawn, borders included; any other (a new
// surface, a new layout, a frame not drawn) is drawn whole.
const void *drawn_pixels = nullptr;
const IDirectDrawSurface *shown = nullptr;
bool dirty = false;
DWORD refresh_interval = 16;
// When the last frame was put on the screen, in the active clock's milliseconds (the virtual
// clock's while tests drive it, so that their refreshes are as deterministic as their frames).
Uint32 last_show = 0;
Uint32 last_tick_read = 0;
// The pixels (rows packed) and palette last handed over, kept only to compare the next frame with,
// and which of the frame's rows differ from them (1), all of them after a new palette or size.
std::vector<BYTE> on_screen;
PALETTEENTRY on_screen_palette[256];
bool on_screen_known = false;
std::vector<std::uint8_t> changed_rows;

Uint32 now_ms() {
    return platform::virtual_clock_active() ? last_tick_read : platform::wall_ticks();
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
// cannot be locked. Whole, or where the texture already holds the last frame, only the rows from
// the first changed one to the last: the texture keeps the others, and the renderer uploads only
// the rows locked.
bool convert(const IDirectDrawSurface *surface, const PALETTEENTRY *palette, bool whole) {
    Uint32 lut[256];
    for (int i = 0; i < 256; ++i)
        lut[i] = 0xFF000000u | (Uint32(palette[i].peRed) << 16) |
                 (Uint32(palette[i].peGreen) << 8) | Uint32(palette[i].peBlue);
    const int w = surface->width < mode_width ? surface->width : mode_width;
    const int h = surface->height < mode_height ? surface->height : mode_height;
    int first = 0, last = h - 1;
    if (!whole && texture_filled &&
        changed_rows.size() == static_cast<std::size_t>(surface->height)) {
        while (first <= last && changed_rows[static_cast<std::size_t>(first)] == 0)
            ++first;
        while (last >= first && changed_rows[static_cast<std::size_t>(last)] == 0)
            --last;
        if (first > last)
            return true;
    }
    const SDL_Rect rows{0, first, mode_width, last - first + 1};
    void *texels = nullptr;
    int texture_pitch = 0;
    if (SDL_LockTexture(texture, &rows, &texels, &texture_pitch) != 0) {
        texture_filled = false;
        return false;
    }
    for (int y = first; y <= last; ++y)
        convert_row(surface->pixels.data() + static_cast<std::size_t>(y) * surface->pitch,
                    reinterpret_cast<Uint32 *>(static_cast<Uint8 *>(texels) +
                                               static_cast<std::size_t>(y - first) * texture_pitch),
                    w, lut);
    SDL_UnlockTexture(texture);
    texture_filled = true;
    return true;
}

// The texture to SDL, scaled and letterboxed onto the window.
void hand_over() {
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
}

// Nearest neighbour in 16.16 fixed point from the middle of the first step, as SDL's software
// stretch samples: each of `to` positions takes the source position it falls on.
void sample_positions(int from, int to, std::vector<int> &positions) {
    positions.resize(static_cast<std::size_t>(to));
    const std::uint32_t step =
        (static_cast<std::uint32_t>(from) << 16) / static_cast<std::uint32_t>(to);
    std::uint32_t at = step / 2;
    for (int &position : positions) {
        position = static_cast<int>(at >> 16);
        at += step;
    }
}

// The picture's place on a target of the given size, worked out as SDL's logical size does it
// (in float, rounded down), so that both paths put every pixel in the same place.
void lay_out(int width, int height) {
    const float want = static_cast<float>(mode_width) / static_cast<float>(mode_height);
    const float real = static_cast<float>(width) / static_cast<float>(height);
    auto scaled = [](int side, float scale) { return static_cast<int>(std::floor(side * scale)); };
    picture.w = width;
    picture.h = height;
    if (integer_scaling) {
        const float scale = std::max(
            1.0f, static_cast<float>(want > real ? width / mode_width : height / mode_height));
        picture.w = scaled(mode_width, scale);
        picture.h = scaled(mode_height, scale);
    } else if (std::fabs(want - real) < 0.0001f) {
        // The same shape: the whole target.
    } else if (want > real) {
        picture.h = scaled(mode_height, static_cast<float>(width) / static_cast<float>(mode_width));
    } else {
        picture.w =
            scaled(mode_width, static_cast<float>(height) / static_cast<float>(mode_height));
    }
    picture.x = (width - picture.w) / 2;
    picture.y = (height - picture.h) / 2;
    // A picture larger than the target (whole multiples on a small window) is cut at its edges.
    sample_positions(mode_width, picture.w, source_columns);
    sample_positions(mode_height, picture.h, source_rows);
    converted_row.resize(static_cast<std::size_t>(mode_width));
    drawn_pixels = nullptr;
    layout_width = width;
    layout_height = height;
}

// The rows of the window surface handed over, as a few bands: consecutive rows join one, and
// beyond the last band a new row widens it (the rows between hold what is already shown).
struct Bands {
    std::array<SDL_Rect, 16> rects;
    int count = 0;

    void add_row(int x, int y, int width) {
        SDL_Rect *last = count > 0 ? &rects[static_cast<std::size_t>(count - 1)] : nullptr;
        if (last != nullptr && (last->y + last->h == y || count == int(rects.size()))) {
            last->h = y + 1 - last->y;
            return;
        }
        rects[static_cast<std::size_t>(count++)] = SDL_Rect{x, y, width, 1};
    }
};

// One pass over the window surface: each row of the picture a copy of the row above when it shows
// the same source row, or the source row converted through the table and scaled. Whole, or where
// the surface already holds the last frame, only the rows whose source rows changed; the black
// borders only when whole.
bool draw_on_window_surface(const IDirectDrawSurface *source, const PALETTEENTRY *palette,
                            bool whole) {
    SDL_Surface *target = SDL_GetWindowSurface(window);
    // The layout reads whole rows of the mode's size.
    if (target == nullptr || target->format->BytesPerPixel != 4 || source->width < mode_width ||
        source->height < mode_height)
        return false;
    if (target->w != layout_width || target->h != layout_height)
        lay_out(target->w, target->h);
    Uint32 lut[256];
    for (int i = 0; i < 256; ++i)
        lut[i] =
            SDL_MapRGB(target->format, palette[i].peRed, palette[i].peGreen, palette[i].peBlue);
    const Uint32 black = SDL_MapRGB(target->format, 0, 0, 0);
    if (SDL_MUSTLOCK(target) && SDL_LockSurface(target) != 0)
        return false;
    whole = whole || target->pixels != drawn_pixels ||
            changed_rows.size() != static_cast<std::size_t>(source->height);
    const int width = target->w;
    // The part of the picture on the target.
    const int left = std::max(picture.x, 0), right = std::min(picture.x + picture.w, width);
    const bool one_to_one = picture.w == mode_width;
    Bands bands;
    int previous_row = -1;
    for (int y = 0; y < target->h; ++y) {
        auto *row = reinterpret_cast<Uint32 *>(static_cast<Uint8 *>(target->pixels) +
                                               static_cast<std::size_t>(y) * target->pitch);
        const int inside = y - picture.y;
        if (inside < 0 || inside >= picture.h) {
            if (whole)
                std::fill_n(row, width, black);
            continue;
        }
        if (whole) {
            std::fill_n(row, left, black);
            std::fill(row + right, row + width, black);
        }
        const int source_row = source_rows[static_cast<std::size_t>(inside)];
        if (!whole) {
            if (changed_rows[static_cast<std::size_t>(source_row)] == 0)
                continue;
            bands.add_row(left, y, right - left);
        }
        if (source_row == previous_row) {
            const Uint32 *above = reinterpret_cast<const Uint32 *>(
                reinterpret_cast<const Uint8 *>(row) - target->pitch);
            std::copy(above + left, above + right, row + left);
            continue;
        }
        previous_row = source_row;
        const BYTE *from =
            source->pixels.data() + static_cast<std::size_t>(source_row) * source->pitch;
        if (one_to_one) {
            convert_row(from + (left - picture.x), row + left, right - left, lut);
            continue;
        }
        convert_row(from, converted_row.data(), mode_width, lut);
        for (int x = left; x < right; ++x)
            row[x] = converted_row[static_cast<std::size_t>(
                source_columns[static_cast<std::size_t>(x - picture.x)])];
    }
    if (SDL_MUSTLOCK(target))
        SDL_UnlockSurface(target);
    const bool handed_over =
        whole ? SDL_UpdateWindowSurface(window) == 0
              : bands.count == 0 ||
                    SDL_UpdateWindowSurfaceRects(window, bands.rects.data(), bands.count) == 0;
    drawn_pixels = handed_over ? target->pixels : nullptr;
    return handed_over;
}

// Whether the surface through the palette is exactly what was last handed over. Each row that
// differs is marked in changed_rows and remembered as what is handed over now.
bool same_as_on_screen(const IDirectDrawSurface *surface, const PALETTEENTRY *palette) {
    const std::size_t width = static_cast<std::size_t>(surface->width);
    const std::size_t rows = static_cast<std::size_t>(surface->height);
    const bool comparable = on_screen_known && on_screen.size() == width * rows &&
                            std::memcmp(on_screen_palette, palette, sizeof on_screen_palette) == 0;
    on_screen.resize(width * rows);
    changed_rows.assign(rows, comparable ? 0 : 1);
    std::memcpy(on_screen_palette, palette, sizeof on_screen_palette);
    on_screen_known = true;
    bool same = comparable;
    for (std::size_t y = 0; y < rows; ++y) {
        BYTE *kept = &on_screen[y * width];
        const BYTE *now = &surface->pixels[y * surface->pitch];
        if (comparable && std::memcmp(kept, now, width) == 0)
            continue;
        std::memcpy(kept, now, width);
        changed_rows[y] = 1;
        same = false;
    }
    return same;
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
    if (!through_surface && (renderer == nullptr || texture == nullptr))
        return;
    if (same_as_on_screen(surface, palette) && !force)
        return;
    bool shown_now = true;
    if (through_surface && !hand_over_on)
        drawn_pixels = nullptr;
    else if (through_surface)
        shown_now = draw_on_window_surface(surface, palette, force);
    else if ((shown_now = convert(surface, palette, force)) && hand_over_on)
        hand_over();
    if (!shown_now)
        on_screen_known = false;
}

// Whether the renderer draws with a graphics card: not SDL's software renderer, nor OpenGL on
// Mesa's software rasterizers. Its name, with the OpenGL renderer's where there is one, goes to
// `name`.
bool renderer_accelerated(std::string &name) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0)
        return false;
    name = info.name != nullptr ? info.name : "unknown";
    if ((info.flags & SDL_RENDERER_SOFTWARE) != 0 || name == "software")
        return false;
    using GetString = const GLubyte *(APIENTRY *)(GLenum);
    auto get_string = name.starts_with("opengl") && SDL_GL_GetCurrentContext() != nullptr
                          ? reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"))
                          : nullptr;
    const GLubyte *gl = get_string != nullptr ? get_string(GL_RENDERER) : nullptr;
    if (gl == nullptr)
        return true;
    const std::string gl_name = reinterpret_cast<const char *>(gl);
    name += " on " + gl_name;
    for (const char *software : {"llvmpipe", "softpipe", "Software Rasterizer"})
        if (gl_name.find(software) != std::string::npos)
            return false;
    return true;
}

void close_renderer() {
    if (texture != nullptr)
        SDL_DestroyTexture(texture);
    if (renderer != nullptr)
        SDL_DestroyRenderer(renderer);
    texture = nullptr;
    renderer = nullptr;
    texture_filled = false;
}

// An accelerated renderer, else (when software_too) SDL's software one.
bool open_renderer(int width, int height, bool software_too) {
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (renderer == nullptr && software_too)
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (renderer == nullptr)
        return false;
    SDL_RenderSetLogicalSize(renderer, width, height);
    SDL_RenderSetIntegerScale(renderer, integer_scaling ? SDL_TRUE : SDL_FALSE);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                width, height);
    if (texture == nullptr) {
        close_renderer();
        return false;
    }
    return true;
}

// Makes the renderer or takes the window surface, as chosen; said once on standard error.
bool open_path(int width, int height) {
    static bool said = false;
    std::string name;
    const bool automatic = chosen_path == PresentationPath::automatic;
    through_surface = chosen_path == PresentationPath::surface;
    if (!through_surface) {
        // Where no accelerated renderer can be made, SDL's software one would be it: not made
        // only to be closed again.
        if (!open_renderer(width, height, !automatic)) {
            if (!automatic)
                return false;
            name = "software";
            through_surface = true;
        } else if (!renderer_accelerated(name) && automatic) {
            close_renderer();
            through_surface = true;
        }
    }
    layout_width = layout_height = 0;
    drawn_pixels = nullptr;
    if (through_surface && SDL_GetWindowSurface(window) == nullptr)
        return false;
    if (!said) {
        if (!through_surface)
            std::fprintf(stderr, "dirtwhirl: presenting through the renderer %s\n", name.c_str());
        else if (name.empty())
            std::fprintf(stderr, "dirtwhirl: presenting through the window surface (chosen)\n");
        else
            std::fprintf(stderr,
                         "dirtwhirl: presenting through the window surface (renderer %s is not "
                         "accelerated)\n",
                         name.c_str());
        said = true;
    }
    return true;
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
    // The window surface as plain memory for the window system, not a texture of yet another
    // renderer behind it.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (!open_path(width, height))
        return false;
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
    close_renderer();
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
    static DWORD last_flip = 0;
    if (virtual_clock_active())
        return;
    const DWORD now = wall_ticks();
    const DWORD since = now - last_flip;
    if (since < refresh_interval)
        sleep_until_wall_tick(last_flip + refresh_interval);
    last_flip = wall_ticks();
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
        convert(shown, palette_of(shown), true);
}

void present_hand_over_shown() {
    if (shown != nullptr && through_surface)
        draw_on_window_surface(shown, palette_of(shown), true);
    else if (shown != nullptr && renderer != nullptr && texture != nullptr)
        hand_over();
}

void present_without_hand_over(bool on) {
    hand_over_on = !on;
}

void present_reopen() {
    const IDirectDrawSurface *was_shown = shown;
    if (window_handle != nullptr && present_open(window_handle, mode_width, mode_height))
        present_show(was_shown);
}

void present_target_size(int *width, int *height) {
    *width = *height = 0;
    if (window != nullptr)
        SDL_GetWindowSizeInPixels(window, width, height);
}

} // namespace platform

void presentation_start_fullscreen(bool on) {
    start_fullscreen = on;
}

void presentation_integer_scaling(bool on) {
    integer_scaling = on;
}

void presentation_path(PresentationPath path) {
    chosen_path = path;
}

bool presentation_path_from_name(const char *name, PresentationPath *path) {
    static const struct {
        const char *name;
        PresentationPath path;
    } names[] = {{"auto", PresentationPath::automatic},
                 {"surface", PresentationPath::surface},
                 {"renderer", PresentationPath::renderer}};
    for (const auto &entry : names)
        if (name != nullptr && std::strcmp(name, entry.name) == 0) {
            *path = entry.path;
            return true;
        }
    return false;
}
