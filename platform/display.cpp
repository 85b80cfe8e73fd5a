// The display objects in plain memory. Surfaces are byte arrays with a pitch; the primary surface
// owns one back buffer and exchanges memory with it on a flip, after which it is presented. Objects
// count their references: a surface holds its back buffer, palette and clipper.
#include "platform/display.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/internal.h"
#include "platform/text.h"

namespace {

constexpr int max_surface_side = 16384;

IDirectDrawSurface *make_surface(int width, int height, DWORD caps) {
    auto *surface = new IDirectDrawSurface;
    surface->width = width;
    surface->height = height;
    surface->pitch = (width + 3) & ~3;
    surface->caps = caps;
    surface->pixels.assign(static_cast<std::size_t>(surface->pitch) * height, 0);
    return surface;
}

RECT whole(const IDirectDrawSurface *surface) {
    return RECT{0, 0, surface->width, surface->height};
}

bool empty(const RECT &r) {
    return r.right <= r.left || r.bottom <= r.top;
}

RECT intersect(const RECT &a, const RECT &b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

bool inside(const RECT &inner, const RECT &outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The rectangles a blit onto the surface may write: its clip list cut to the surface, or the
// whole surface when it has no clipper.
template <typename Visit> void for_each_clip(const IDirectDrawSurface *surface, Visit visit) {
    const RECT bounds = whole(surface);
    if (surface->clipper == nullptr) {
        visit(bounds);
        return;
    }
    for (const RECT &clip : surface->clipper->rects) {
        const RECT r = intersect(clip, bounds);
        if (!empty(r))
            visit(r);
    }
}

void fill(IDirectDrawSurface *surface, const RECT &r, BYTE color) {
    for (LONG y = r.top; y < r.bottom; ++y)
        std::memset(&surface->pixels[static_cast<std::size_t>(y) * surface->pitch + r.left], color,
                    static_cast<std::size_t>(r.right - r.left));
}

// Copies the part of dest_rect inside clip; each destination pixel takes the source pixel its
// position maps to in source_rect, so clipping never shifts the picture.
void copy(IDirectDrawSurface *dest, const RECT &dest_rect, const IDirectDrawSurface *source,
          const RECT &source_rect, const RECT &clip, bool keyed, DDCOLORKEY key) {
    const RECT r = intersect(dest_rect, clip);
    if (empty(r))
        return;
    // In 64 bits: the edges of a rectangle far off the surface may be 2^32 apart.
    const std::int64_t dw = std::int64_t{dest_rect.right} - dest_rect.left;
    const std::int64_t dh = std::int64_t{dest_rect.bottom} - dest_rect.top;
    const std::int64_t sw = std::int64_t{source_rect.right} - source_rect.left;
    const std::int64_t sh = std::int64_t{source_rect.bottom} - source_rect.top;
    for (LONG y = r.top; y < r.bottom; ++y) {
        const std::int64_t sy = source_rect.top + (std::int64_t{y} - dest_rect.top) * sh / dh;
        const BYTE *src_row = &source->pixels[static_cast<std::size_t>(sy) * source->pitch];
        BYTE *dst_row = &dest->pixels[static_cast<std::size_t>(y) * dest->pitch];
        for (LONG x = r.left; x < r.right; ++x) {
            const std::int64_t offset = std::int64_t{x} - dest_rect.left;
            // Unstretched (every sprite the game draws) the column needs no division, which
            // otherwise costs more than the rest of the copy.
            const BYTE value = src_row[source_rect.left + (sw == dw ? offset : offset * sw / dw)];
            if (keyed && value >= key.dwColorSpaceLowValue && value <= key.dwColorSpaceHighValue)
                continue;
            dst_row[x] = value;
        }
    }
}

} // namespace

HRESULT DirectDrawCreate(GUID *, IDirectDraw **object, void *) {
    if (object == nullptr)
        return DDERR_INVALIDPARAMS;
    *object = nullptr;
    if (platform::fault("DirectDrawCreate"))
        return DDERR_GENERIC;
    platform::start_font_lookup(); // text is drawn on the display's surfaces
    *object = new IDirectDraw;
    return DD_OK;
}

HRESULT IDirectDraw::SetCooperativeLevel(HWND hwnd, DWORD flags) {
    if (hwnd == nullptr && (flags & DDSCL_EXCLUSIVE) != 0)
        return DDERR_INVALIDPARAMS;
    if (platform::fault("SetCooperativeLevel"))
        return DDERR_GENERIC;
    window = hwnd;
    cooperative_flags = flags;
    return DD_OK;
}

HRESULT IDirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bpp) {
    if ((cooperative_flags & DDSCL_EXCLUSIVE) == 0)
        return DDERR_NOEXCLUSIVEMODE;
    if (width == 0 || height == 0 || width > 4096 || height > 4096 || bpp != 8)
        return DDERR_INVALIDPARAMS;
    if (platform::fault("SetDisplayMode") ||
        !platform::present_open(window, static_cast<int>(width), static_cast<int>(height)))
        return DDERR_GENERIC;
    mode_width = static_cast<int>(width);
    mode_height = static_cast<int>(height);
    mode_bpp = static_cast<int>(bpp);
    return DD_OK;
}

HRESULT IDirectDraw::CreateSurface(DDSURFACEDESC *desc, IDirectDrawSurface **surface, void *) {
    if (desc == nullptr || surface == nullptr || desc->dwSize != DDSURFACEDESC_SIZE ||
        (desc->dwFlags & DDSD_CAPS) == 0)
        return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    if (platform::fault("CreateSurface"))
        return DDERR_OUTOFMEMORY;
    const DWORD caps = desc->ddsCaps.dwCaps;
    if ((caps & DDSCAPS_PRIMARYSURFACE) != 0) {
        if (mode_width == 0)
            return DDERR_NOEXCLUSIVEMODE;
        if ((caps & DDSCAPS_FLIP) != 0 &&
            ((desc->dwFlags & DDSD_BACKBUFFERCOUNT) == 0 || desc->dwBackBufferCount != 1))
            return DDERR_INVALIDPARAMS;
        IDirectDrawSurface *primary =
            make_surface(mode_width, mode_height, caps | DDSCAPS_FRONTBUFFER);
        if ((caps & DDSCAPS_FLIP) != 0) {
            primary->attached = make_surface(mode_width, mode_height,
                                             DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
            primary->attached->owner = primary;
        }
        platform::present_show(primary);
        *surface = primary;
        return DD_OK;
    }
    if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) ||
        desc->dwWidth == 0 || desc->dwHeight == 0 || desc->dwWidth > max_surface_side ||
        desc->dwHeight > max_surface_side)
        return DDERR_INVALIDPARAMS;
    *surface =
        make_surface(static_cast<int>(desc->dwWidth), static_cast<int>(desc->dwHeight), caps);
    return DD_OK;
}

HRESULT IDirectDraw::CreatePalette(DWORD flags, const PALETTEENTRY *entries,
                                   IDirectDrawPalette **palette, void *) {
    if (palette == nullptr || (flags & DDPCAPS_8BIT) == 0)
        return DDERR_INVALIDPARAMS;
    *palette = nullptr;
    if (platform::fault("CreatePalette"))
        return DDERR_GENERIC;
    auto *made = new IDirectDrawPalette;
    if ((flags & DDPCAPS_INITIALIZE) != 0 && entries != nullptr)
        std::memcpy(made->entries, entries, sizeof made->entries);
    *palette = made;
    return DD_OK;
}

HRESULT IDirectDraw::CreateClipper(DWORD, IDirectDrawClipper **clipper, void *) {
    if (clipper == nullptr)
        return DDERR_INVALIDPARAMS;
    *clipper = nullptr;
    if (platform::fault("CreateClipper"))
        return DDERR_GENERIC;
    *clipper = new IDirectDrawClipper;
    return DD_OK;
}

HRESULT IDirectDraw::WaitForVerticalBlank(DWORD, void *) {
    // Without access to the real blank, wait for the next boundary of a 60 Hz refresh.
    const DWORD now = platform::wall_ticks();
    platform::sleep_until_wall_tick(now + 16 - now % 16);
    return DD_OK;
}

DWORD IDirectDraw::Release() {
    platform::note("IDirectDraw::Release");
    platform::present_close(window);
    delete this;
    return 0;
}

HRESULT IDirectDrawSurface::GetAttachedSurface(const DDSCAPS *wanted,
                                               IDirectDrawSurface **surface) {
    if (wanted == nullptr || surface == nullptr)
        return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    if (attached == nullptr || (wanted->dwCaps & ~attached->caps) != 0 ||
        platform::fault("GetAttachedSurface"))
        return DDERR_NOTFOUND;
    ++attached->refs;
    *surface = attached;
    return DD_OK;
}

HRESULT IDirectDrawSurface::SetPalette(IDirectDrawPalette *new_palette) {
    if (platform::fault("SetPalette"))
        return DDERR_GENERIC;
    if (new_palette != nullptr)
        ++new_palette->refs;
    if (palette != nullptr) {
        palette->shown_on = nullptr;
        palette->Release();
    }
    palette = new_palette;
    if (palette != nullptr && (caps & DDSCAPS_PRIMARYSURFACE) != 0) {
        palette->shown_on = this;
        platform::present_refresh();
    }
    return DD_OK;
}

HRESULT IDirectDrawSurface::SetClipper(IDirectDrawClipper *new_clipper) {
    if (platform::fault("SetClipper"))
        return DDERR_GENERIC;
    if (new_clipper != nullptr)
        ++new_clipper->refs;
    if (clipper != nullptr)
        clipper->Release();
    clipper = new_clipper;
    return DD_OK;
}

HRESULT IDirectDrawSurface::SetColorKey(DWORD flags, const DDCOLORKEY *key) {
    if (flags != DDCKEY_SRCBLT)
        return DDERR_UNSUPPORTED;
    has_color_key = key != nullptr;
    if (key != nullptr)
        color_key = *key;
    return DD_OK;
}

HRESULT IDirectDrawSurface::Blt(const RECT *dest_rect, IDirectDrawSurface *source,
                                const RECT *source_rect, DWORD flags, const DDBLTFX *fx) {
    if (lost || (source != nullptr && source->lost))
        return DDERR_SURFACELOST;
    if (locked || (source != nullptr && source->locked))
        return DDERR_SURFACEBUSY;
    if (platform::fault("Blt"))
        return DDERR_GENERIC;
    const RECT dest = dest_rect != nullptr ? *dest_rect : whole(this);
    if (empty(dest))
        return DDERR_INVALIDPARAMS;
    // Without a clipper the rectangle must lie on the surface; with one, it is clipped.
    if (clipper == nullptr && !inside(dest, whole(this)))
        return DDERR_INVALIDPARAMS;
    if ((flags & DDBLT_COLORFILL) != 0) {
        if (fx == nullptr || fx->dwSize != DDBLTFX_SIZE)
            return DDERR_INVALIDPARAMS;
        const BYTE color = static_cast<BYTE>(fx->dwFillColor);
        for_each_clip(this, [&](const RECT &clip) {
            const RECT r = intersect(dest, clip);
            if (!empty(r))
                fill(this, r, color);
        });
        return DD_OK;
    }
    if (source == nullptr)
        return DDERR_INVALIDPARAMS;
    const RECT from = source_rect != nullptr ? *source_rect : whole(source);
    if (empty(from) || !inside(from, whole(source)))
        return DDERR_INVALIDPARAMS;
    const bool keyed = (flags & DDBLT_KEYSRC) != 0 && source->has_color_key;
    for_each_clip(this, [&](const RECT &clip) {
        copy(this, dest, source, from, clip, keyed, source->color_key);
    });
    return DD_OK;
}

HRESULT IDirectDrawSurface::Flip(IDirectDrawSurface *, DWORD) {
    if (attached == nullptr)
        return DDERR_INVALIDPARAMS;
    if (lost || attached->lost)
        return DDERR_SURFACELOST;
    if (locked || attached->locked)
        return DDERR_SURFACEBUSY;
    if (platform::fault("Flip")) {
        lost = attached->lost = true;
        return DDERR_SURFACELOST;
    }
    if (platform::frames_silent())
        return DD_OK;
    platform::present_pace();
    pixels.swap(attached->pixels);
    platform::present_show(this);
    return DD_OK;
}

HRESULT IDirectDrawSurface::Lock(const RECT *, DDSURFACEDESC *desc, DWORD flags, void *) {
    if (desc == nullptr || desc->dwSize != DDSURFACEDESC_SIZE)
        return DDERR_INVALIDPARAMS;
    if (lost)
        return DDERR_SURFACELOST;
    if (locked || platform::fault("Lock"))
        return DDERR_SURFACEBUSY;
    locked = true;
    locked_for_reading = (flags & DDLOCK_READONLY) != 0;
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_LPSURFACE;
    desc->dwWidth = static_cast<DWORD>(width);
    desc->dwHeight = static_cast<DWORD>(height);
    desc->lPitch = pitch;
    desc->lpSurface = pixels.data();
    desc->ddsCaps.dwCaps = caps;
    // A lock for reading leaves what is on the screen as it is.
    if ((caps & DDSCAPS_PRIMARYSURFACE) != 0 && !locked_for_reading)
        platform::present_mark_dirty();
    return DD_OK;
}

HRESULT IDirectDrawSurface::Unlock(void *) {
    if (!locked)
        return DDERR_NOTLOCKED;
    locked = false;
    if ((caps & DDSCAPS_PRIMARYSURFACE) != 0 && !locked_for_reading)
        platform::present_mark_dirty();
    return DD_OK;
}

HRESULT IDirectDrawSurface::IsLost() {
    return lost ? DDERR_SURFACELOST : DD_OK;
}

HRESULT IDirectDrawSurface::Restore() {
    if (platform::fault("Restore"))
        return DDERR_GENERIC;
    lost = false;
    if (attached != nullptr)
        attached->lost = false;
    return DD_OK;
}

DWORD IDirectDrawSurface::Release() {
    if ((caps & DDSCAPS_PRIMARYSURFACE) != 0)
        platform::note("IDirectDrawSurface::Release primary");
    else if ((caps & DDSCAPS_BACKBUFFER) != 0)
        platform::note("IDirectDrawSurface::Release back");
    else
        platform::note("IDirectDrawSurface::Release");
    if (--refs > 0)
        return static_cast<DWORD>(refs);
    if ((caps & DDSCAPS_PRIMARYSURFACE) != 0)
        platform::present_show(nullptr);
    if (palette != nullptr) {
        palette->shown_on = nullptr;
        palette->Release();
    }
    if (clipper != nullptr)
        clipper->Release();
    if (attached != nullptr) {
        attached->owner = nullptr;
        attached->Release();
    }
    delete this;
    return 0;
}

HRESULT IDirectDrawPalette::SetEntries(DWORD, DWORD first, DWORD count,
                                       const PALETTEENTRY *new_entries) {
    if (new_entries == nullptr || first > 256 || count > 256 - first)
        return DDERR_INVALIDPARAMS;
    std::memcpy(&entries[first], new_entries, count * sizeof(PALETTEENTRY));
    if (shown_on != nullptr)
        platform::present_palette_changed();
    return DD_OK;
}

HRESULT IDirectDrawPalette::GetEntries(DWORD, DWORD first, DWORD count, PALETTEENTRY *out) {
    if (out == nullptr || first > 256 || count > 256 - first)
        return DDERR_INVALIDPARAMS;
    std::memcpy(out, &entries[first], count * sizeof(PALETTEENTRY));
    return DD_OK;
}

DWORD IDirectDrawPalette::Release() {
    platform::note("IDirectDrawPalette::Release");
    if (--refs > 0)
        return static_cast<DWORD>(refs);
    delete this;
    return 0;
}

HRESULT IDirectDrawClipper::SetClipList(const RGNDATA *region, DWORD) {
    // The header must agree with itself about the list's length before the list is read.
    if (region == nullptr || region->rdh.dwSize != RGNDATAHEADER_SIZE ||
        region->rdh.iType != RDH_RECTANGLES ||
        std::uint64_t{region->rdh.nRgnSize} != std::uint64_t{region->rdh.nCount} * sizeof(RECT) ||
        platform::fault("SetClipList"))
        return DDERR_INVALIDPARAMS;
    header = region->rdh;
    const auto *list = reinterpret_cast<const RECT *>(region->Buffer);
    rects.assign(list, list + region->rdh.nCount);
    return DD_OK;
}

DWORD IDirectDrawClipper::Release() {
    platform::note("IDirectDrawClipper::Release");
    if (--refs > 0)
        return static_cast<DWORD>(refs);
    delete this;
    return 0;
}
