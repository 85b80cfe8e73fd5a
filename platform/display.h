// The display objects: the display object, 8-bit surfaces in plain memory, the primary surface
// with one attached back buffer, the 256-entry palette and the clipper. Blits (colour fill and a
// keyed, stretched copy) are clipped by the destination's clipper. Flipping the primary surface
// presents it on the screen through the palette (see presentation.h).
#pragma once

#include <vector>

#include "platform/types.h"
#include "platform/window.h"

// Results.
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_GENERIC = E_FAIL;
constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;
constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DDERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT make_ddhresult(int code) {
    return static_cast<HRESULT>(0x88760000u + static_cast<unsigned>(code));
}
constexpr HRESULT DDERR_NOTFOUND = make_ddhresult(255);
constexpr HRESULT DDERR_SURFACEBUSY = make_ddhresult(430);
constexpr HRESULT DDERR_SURFACELOST = make_ddhresult(450);
constexpr HRESULT DDERR_NOTLOCKED = make_ddhresult(584);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = make_ddhresult(225);
constexpr HRESULT DDERR_CANTCREATEDC = make_ddhresult(570);

// Cooperative levels.
constexpr DWORD DDSCL_FULLSCREEN = 0x01;
constexpr DWORD DDSCL_ALLOWREBOOT = 0x02;
constexpr DWORD DDSCL_NORMAL = 0x08;
constexpr DWORD DDSCL_EXCLUSIVE = 0x10;
constexpr DWORD DDSCL_ALLOWMODEX = 0x40;

// Surface description flags and capabilities.
constexpr DWORD DDSD_CAPS = 0x01;
constexpr DWORD DDSD_HEIGHT = 0x02;
constexpr DWORD DDSD_WIDTH = 0x04;
constexpr DWORD DDSD_PITCH = 0x08;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x20;
constexpr DWORD DDSD_LPSURFACE = 0x800;

constexpr DWORD DDSCAPS_BACKBUFFER = 0x04;
constexpr DWORD DDSCAPS_COMPLEX = 0x08;
constexpr DWORD DDSCAPS_FLIP = 0x10;
constexpr DWORD DDSCAPS_FRONTBUFFER = 0x20;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x800;
constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x4000;

// Palette capabilities.
constexpr DWORD DDPCAPS_8BIT = 0x04;
constexpr DWORD DDPCAPS_INITIALIZE = 0x08;
constexpr DWORD DDPCAPS_ALLOW256 = 0x40;

// Blit, flip, lock, colour key and vertical blank flags.
constexpr DWORD DDBLT_COLORFILL = 0x400;
constexpr DWORD DDBLT_KEYSRC = 0x8000;
constexpr DWORD DDBLT_WAIT = 0x1000000;
constexpr DWORD DDFLIP_WAIT = 0x01;
constexpr DWORD DDLOCK_WAIT = 0x01;
constexpr DWORD DDLOCK_READONLY = 0x10;
constexpr DWORD DDCKEY_SRCBLT = 0x08;
constexpr DWORD DDWAITVB_BLOCKBEGIN = 0x01;

// Clip list region type.
constexpr DWORD RDH_RECTANGLES = 1;

// Sizes of the records as the engine states them in their size fields.
constexpr DWORD DDSURFACEDESC_SIZE = 108;
constexpr DWORD DDBLTFX_SIZE = 100;
constexpr DWORD RGNDATAHEADER_SIZE = 32;

struct DDSCAPS {
    DWORD dwCaps;
};

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
};

struct DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    void *lpSurface;
    DDSCAPS ddsCaps;
};

struct DDBLTFX {
    DWORD dwSize;
    DWORD dwFillColor;
};

struct RGNDATAHEADER {
    DWORD dwSize;
    DWORD iType;
    DWORD nCount;
    DWORD nRgnSize;
    RECT rcBound;
};
static_assert(sizeof(RGNDATAHEADER) == 32);

// A header followed by nCount RECTs.
struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];
};

class IDirectDrawPalette;
class IDirectDrawClipper;

class IDirectDrawSurface {
public:
    HRESULT GetAttachedSurface(const DDSCAPS *caps, IDirectDrawSurface **surface);
    HRESULT SetPalette(IDirectDrawPalette *palette);
    HRESULT SetClipper(IDirectDrawClipper *clipper);
    HRESULT SetColorKey(DWORD flags, const DDCOLORKEY *key);
    // Colour fill (DDBLT_COLORFILL, fx required) or copy from source (DDBLT_KEYSRC skips the
    // source's colour key); null rectangles mean the whole surface. Sizes that differ stretch.
    HRESULT Blt(const RECT *dest_rect, IDirectDrawSurface *source, const RECT *source_rect,
                DWORD flags, const DDBLTFX *fx);
    HRESULT Flip(IDirectDrawSurface *target_override, DWORD flags);
    HRESULT Lock(const RECT *rect, DDSURFACEDESC *desc, DWORD flags, void *event);
    HRESULT Unlock(void *memory);
    HRESULT GetDC(HDC *dc);
    HRESULT ReleaseDC(HDC dc);
    HRESULT IsLost();
    HRESULT Restore();
    DWORD Release();

    // Plain memory, row after row, pitch bytes apart (a multiple of 4, at least the width).
    int width = 0;
    int height = 0;
    int pitch = 0;
    DWORD caps = 0;
    std::vector<BYTE> pixels;
    bool locked = false;
    bool locked_for_reading = false; // DDLOCK_READONLY: nothing on the screen changes
    bool lost = false;
    bool has_color_key = false;
    DDCOLORKEY color_key{};
    IDirectDrawSurface *attached = nullptr; // the back buffer of a primary surface
    IDirectDrawSurface *owner = nullptr;    // the primary surface of a back buffer
    IDirectDrawPalette *palette = nullptr;
    IDirectDrawClipper *clipper = nullptr;
    HDC dc = nullptr; // the device context while one is out
    int refs = 1;
};

class IDirectDrawPalette {
public:
    HRESULT SetEntries(DWORD flags, DWORD first, DWORD count, const PALETTEENTRY *entries);
    HRESULT GetEntries(DWORD flags, DWORD first, DWORD count, PALETTEENTRY *entries);
    DWORD Release();

    PALETTEENTRY entries[256]{};
    IDirectDrawSurface *shown_on = nullptr; // the primary surface that shows through it
    int refs = 1;
};

class IDirectDrawClipper {
public:
    HRESULT SetClipList(const RGNDATA *region, DWORD flags);
    DWORD Release();

    RGNDATAHEADER header{};
    std::vector<RECT> rects;
    int refs = 1;
};

class IDirectDraw {
public:
    HRESULT SetCooperativeLevel(HWND window, DWORD flags);
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp);
    HRESULT CreateSurface(DDSURFACEDESC *desc, IDirectDrawSurface **surface, void *outer);
    HRESULT CreatePalette(DWORD flags, const PALETTEENTRY *entries, IDirectDrawPalette **palette,
                          void *outer);
    HRESULT CreateClipper(DWORD flags, IDirectDrawClipper **clipper, void *outer);
    HRESULT WaitForVerticalBlank(DWORD flags, void *event);
    DWORD Release();

    HWND window = nullptr;
    DWORD cooperative_flags = 0;
    int mode_width = 0;
    int mode_height = 0;
    int mode_bpp = 0;
};

// Creates the display object for the default display; 0 on success.
HRESULT DirectDrawCreate(GUID *driver, IDirectDraw **object, void *outer);
