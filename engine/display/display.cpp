// The display device: opens the full-screen 8-bit mode with a flipping chain and the default
// palette, fills, locks, flips and closes it, and builds the back buffer's clip list.
#include "engine/display/display.h"

#include <cstdlib>
#include <cstring>

HWND main_window = nullptr;
HINSTANCE main_instance = nullptr;

int screen_width = 640;
int screen_height = 480;
int screen_bpp = 8;

int clip_left = 0;
int clip_top = 0;
int clip_right = 639;
int clip_bottom = 479;

IDirectDraw *dd_object = nullptr;
IDirectDrawSurface *primary_surface = nullptr;
IDirectDrawSurface *back_surface = nullptr;
IDirectDrawPalette *main_palette = nullptr;
IDirectDrawClipper *main_clipper = nullptr;

PALETTEENTRY palette_table[256];
DDSURFACEDESC surface_desc;

BYTE *primary_buffer = nullptr;
int primary_pitch = 0;
BYTE *back_buffer = nullptr;
int back_pitch = 0;

namespace {

// A flip that keeps failing (the surfaces were lost) is tried this often, restoring the
// surfaces between tries, before the frame is given up.
constexpr int flip_attempts = 100;

// Four ramps of 64 entries in steps of 4: red, green, blue, grey.
void build_default_palette() {
    std::memset(palette_table, 0, sizeof palette_table);
    for (int i = 0; i < 256; ++i) {
        const BYTE level = static_cast<BYTE>(4 * (i % 64));
        PALETTEENTRY &entry = palette_table[i];
        switch (i / 64) {
        case 0:
            entry.peRed = level;
            break;
        case 1:
            entry.peGreen = level;
            break;
        case 2:
            entry.peBlue = level;
            break;
        default:
            entry.peRed = entry.peGreen = entry.peBlue = level;
            break;
        }
        entry.peFlags = PC_NOCOLLAPSE;
    }
}

} // namespace

int display_init(int width, int height, int bpp) {
    if (DirectDrawCreate(nullptr, &dd_object, nullptr) != DD_OK)
        return 0;
    if (dd_object->SetCooperativeLevel(main_window, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT |
                                                        DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX) !=
        DD_OK)
        return 0;
    if (dd_object->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(height),
                                  static_cast<DWORD>(bpp)) != DD_OK)
        return 0;
    screen_height = height;
    screen_width = width;
    screen_bpp = bpp;

    std::memset(&surface_desc, 0, sizeof surface_desc);
    surface_desc.dwSize = DDSURFACEDESC_SIZE;
    surface_desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    surface_desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    surface_desc.dwBackBufferCount = 1;
    if (dd_object->CreateSurface(&surface_desc, &primary_surface, nullptr) != DD_OK)
        return 0;
    DDSCAPS back_caps{DDSCAPS_BACKBUFFER};
    if (primary_surface->GetAttachedSurface(&back_caps, &back_surface) != DD_OK)
        return 0;

    build_default_palette();
    if (dd_object->CreatePalette(DDPCAPS_8BIT | DDPCAPS_INITIALIZE | DDPCAPS_ALLOW256,
                                 palette_table, &main_palette, nullptr) != DD_OK)
        return 0;
    if (primary_surface->SetPalette(main_palette) != DD_OK)
        return 0;

    display_fill_surface(primary_surface, 0);
    display_fill_surface(back_surface, 0);
    return 1;
}

// Releases in the reverse order of creation; the globals are cleared too, so that a second
// shutdown, or a later init, never touches a released object.
int display_shutdown() {
    if (main_clipper != nullptr)
        main_clipper->Release();
    if (main_palette != nullptr)
        main_palette->Release();
    if (back_surface != nullptr)
        back_surface->Release();
    if (primary_surface != nullptr)
        primary_surface->Release();
    if (dd_object != nullptr)
        dd_object->Release();
    main_clipper = nullptr;
    main_palette = nullptr;
    back_surface = nullptr;
    primary_surface = nullptr;
    dd_object = nullptr;
    primary_buffer = back_buffer = nullptr;
    primary_pitch = back_pitch = 0;
    return 1;
}

IDirectDrawClipper *display_attach_clipper(IDirectDrawSurface *surface, int count,
                                           const RECT *rects) {
    if (dd_object == nullptr || surface == nullptr || count < 0 || (count > 0 && rects == nullptr))
        return nullptr;
    IDirectDrawClipper *clipper = nullptr;
    if (dd_object->CreateClipper(0, &clipper, nullptr) != DD_OK)
        return nullptr;

    const std::size_t rect_bytes = sizeof(RECT) * static_cast<std::size_t>(count);
    auto *region = static_cast<RGNDATA *>(std::malloc(sizeof(RGNDATAHEADER) + rect_bytes));
    if (region == nullptr) {
        clipper->Release();
        return nullptr;
    }
    if (count > 0)
        std::memcpy(region->Buffer, rects, rect_bytes);
    region->rdh.dwSize = RGNDATAHEADER_SIZE;
    region->rdh.iType = RDH_RECTANGLES;
    region->rdh.nCount = static_cast<DWORD>(count);
    region->rdh.nRgnSize = static_cast<DWORD>(rect_bytes);
    region->rdh.rcBound = RECT{64000, 64000, -64000, -64000};
    for (int i = 0; i < count; ++i) {
        RECT &bound = region->rdh.rcBound;
        if (rects[i].left < bound.left)
            bound.left = rects[i].left;
        if (rects[i].right > bound.right)
            bound.right = rects[i].right;
        if (rects[i].top < bound.top)
            bound.top = rects[i].top;
        if (rects[i].bottom > bound.bottom)
            bound.bottom = rects[i].bottom;
    }

    // On failure the clipper is released as well as the record: nobody else holds it.
    if (clipper->SetClipList(region, 0) != DD_OK || surface->SetClipper(clipper) != DD_OK) {
        std::free(region);
        clipper->Release();
        return nullptr;
    }
    std::free(region);
    return clipper;
}

IDirectDrawSurface *display_create_surface(int width, int height, DWORD caps) {
    if (dd_object == nullptr)
        return nullptr;
    DDSURFACEDESC desc{};
    desc.dwSize = DDSURFACEDESC_SIZE;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = caps | DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface *surface = nullptr;
    if (width <= 0 || height <= 0 || dd_object->CreateSurface(&desc, &surface, nullptr) != DD_OK)
        return nullptr;
    DDCOLORKEY key{0, 0};
    surface->SetColorKey(DDCKEY_SRCBLT, &key);
    return surface;
}

int display_flip() {
    if (primary_buffer != nullptr || back_buffer != nullptr)
        return 0;
    if (primary_surface == nullptr)
        return 0;
    for (int attempt = 0; attempt < flip_attempts; ++attempt) {
        if (primary_surface->Flip(nullptr, DDFLIP_WAIT) == DD_OK)
            return 1;
        if (primary_surface->IsLost() != DD_OK)
            primary_surface->Restore();
    }
    return 0;
}

int display_wait_vsync() {
    if (dd_object != nullptr)
        dd_object->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    return 1;
}

int display_fill_surface(IDirectDrawSurface *surface, int color) {
    if (surface == nullptr)
        return 1;
    DDBLTFX fx{};
    fx.dwSize = DDBLTFX_SIZE;
    fx.dwFillColor = static_cast<DWORD>(color);
    surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    return 1;
}

BYTE *display_lock_surface(IDirectDrawSurface *surface, int *pitch) {
    if (surface == nullptr)
        return nullptr;
    std::memset(&surface_desc, 0, sizeof surface_desc);
    surface_desc.dwSize = DDSURFACEDESC_SIZE;
    surface->Lock(nullptr, &surface_desc, DDLOCK_WAIT, nullptr);
    if (pitch != nullptr)
        *pitch = surface_desc.lPitch;
    return static_cast<BYTE *>(surface_desc.lpSurface);
}

int display_unlock_surface(IDirectDrawSurface *surface, BYTE *memory) {
    if (surface == nullptr)
        return 0;
    surface->Unlock(memory);
    return 1;
}

BYTE *display_lock_primary() {
    if (primary_buffer != nullptr)
        return primary_buffer;
    primary_buffer = display_lock_surface(primary_surface, &primary_pitch);
    if (primary_buffer == nullptr)
        primary_pitch = 0;
    return primary_buffer;
}

int display_unlock_primary() {
    if (primary_buffer == nullptr)
        return 0;
    display_unlock_surface(primary_surface, primary_buffer);
    primary_buffer = nullptr;
    primary_pitch = 0;
    return 1;
}

BYTE *display_lock_back() {
    if (back_buffer != nullptr)
        return back_buffer;
    back_buffer = display_lock_surface(back_surface, &back_pitch);
    if (back_buffer == nullptr)
        back_pitch = 0;
    return back_buffer;
}

int display_unlock_back() {
    if (back_buffer == nullptr)
        return 0;
    display_unlock_surface(back_surface, back_buffer);
    back_buffer = nullptr;
    back_pitch = 0;
    return 1;
}
