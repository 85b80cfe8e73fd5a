// Text on a surface with SDL2_ttf. The font is opened once; each string is rendered once into a
// 1-bit mask (TTF's solid mode, no anti-aliasing) kept in a small cache, so drawing a string that
// was drawn recently allocates nothing. Drawing writes one palette index where the mask is set.
#include "platform/text.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <future>
#include <string>
#include <system_error>
#include <vector>

#include "platform/file.h"
#include "platform/internal.h"

namespace {

// DejaVu Sans Bold at 14 points: capitals 10 pixels tall, 14 pixels from the top of the tallest
// letters to the bottom of the descenders, like the bold system font of a 640 x 480 game; the
// title's "PRESS SPACEBAR TO GO!" at x 220 then sits in the middle of the screen.
constexpr int font_points = 14;
// Far more than any text font; a larger file is not one.
constexpr std::uint64_t max_font_bytes = 64u << 20;

TTF_Font *font = nullptr;
bool font_tried = false;

// The file of the best match for a bold sans-serif face, or empty. A configuration of our own,
// destroyed afterwards, leaves nothing of fontconfig behind.
std::string find_font_file() {
    std::string path;
    FcConfig *config = FcInitLoadConfigAndFonts();
    FcPattern *pattern = FcNameParse(reinterpret_cast<const FcChar8 *>("DejaVu Sans:bold"));
    if (config != nullptr && pattern != nullptr) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern *match = FcFontMatch(config, pattern, &result);
        FcChar8 *file = nullptr;
        if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
            path = reinterpret_cast<const char *>(file);
        if (match != nullptr)
            FcPatternDestroy(match);
    }
    if (pattern != nullptr)
        FcPatternDestroy(pattern);
    if (config != nullptr)
        FcConfigDestroy(config);
    return path;
}

std::future<std::string> font_lookup;

TTF_Font *the_font() {
    if (font != nullptr || font_tried)
        return font;
    font_tried = true;
    const std::string path = font_lookup.valid() ? font_lookup.get() : find_font_file();
    if (!TTF_WasInit() && TTF_Init() != 0)
        return nullptr;
    // The font's bytes stay for the font's life: SDL_ttf reads from them as it draws.
    static std::vector<BYTE> font_bytes;
    const std::string why =
        path.empty() ? "" : read_file_checked(path.c_str(), font_bytes, max_font_bytes);
    if (!path.empty() && !why.empty())
        std::fprintf(stderr, "dirtwhirl: %s: %s; no text is shown\n", path.c_str(), why.c_str());
    else if (!path.empty())
        if (SDL_RWops *bytes =
                SDL_RWFromConstMem(font_bytes.data(), static_cast<int>(font_bytes.size())))
            font = TTF_OpenFontRW(bytes, 1, font_points);
    return font;
}

// Recently drawn strings and their masks: index 0 is background, anything else is ink.
struct CachedText {
    std::string text;
    SDL_Surface *mask = nullptr;
    std::uint64_t last_used = 0;
};
// Room for every text the game shows: 22 lap counts, the exit hint and the two title lines.
std::array<CachedText, 32> cache;
std::uint64_t use_count = 0;

SDL_Surface *mask_for(const char *text, int length) {
    const std::size_t size = static_cast<std::size_t>(length);
    for (CachedText &entry : cache) {
        if (entry.mask != nullptr && entry.text.size() == size &&
            std::memcmp(entry.text.data(), text, size) == 0) {
            entry.last_used = ++use_count;
            return entry.mask;
        }
    }
    CachedText &slot =
        *std::min_element(cache.begin(), cache.end(), [](const CachedText &a, const CachedText &b) {
            return a.last_used < b.last_used;
        });
    SDL_FreeSurface(slot.mask);
    slot.text.assign(text, size);
    // The text is ANSI (Latin-1), as TextOutA's is.
    slot.mask = TTF_RenderText_Solid(font, slot.text.c_str(), SDL_Color{255, 255, 255, 255});
    slot.last_used = slot.mask != nullptr ? ++use_count : 0;
    return slot.mask;
}

BYTE nearest_index(const PALETTEENTRY *entries, COLORREF color) {
    const int red = GetRValue(color);
    const int green = GetGValue(color);
    const int blue = GetBValue(color);
    int best = 0;
    int best_distance = INT32_MAX;
    for (int i = 0; i < 256; ++i) {
        const int dr = entries[i].peRed - red;
        const int dg = entries[i].peGreen - green;
        const int db = entries[i].peBlue - blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < best_distance) {
            best_distance = distance;
            best = i;
        }
    }
    return static_cast<BYTE>(best);
}

// Only a few contexts are ever out at once (one per surface); they live here, so that getting
// one allocates nothing.
std::array<DeviceContext, 8> contexts;

bool is_out(HDC dc) {
    return dc != nullptr && dc->surface != nullptr;
}

} // namespace

// Without a thread to spare, the first text looks the font up itself.
void platform::start_font_lookup() {
    if (font_tried || font_lookup.valid())
        return;
    try {
        font_lookup = std::async(std::launch::async, find_font_file);
    } catch (const std::system_error &) {
    }
}

HRESULT IDirectDrawSurface::GetDC(HDC *out) {
    if (out == nullptr)
        return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (platform::fault("GetDC"))
        return DDERR_GENERIC;
    if (lost)
        return DDERR_SURFACELOST;
    if (locked || dc != nullptr)
        return DDERR_SURFACEBUSY;
    // A surface without a palette of its own draws with the one it is shown through: that of
    // its primary surface, or for an off-screen surface (a BOB frame) the one on the screen.
    IDirectDrawPalette *shown_through = palette;
    if (shown_through == nullptr && owner != nullptr)
        shown_through = owner->palette;
    if (shown_through == nullptr)
        shown_through = platform::present_palette();
    if (shown_through == nullptr || the_font() == nullptr)
        return DDERR_CANTCREATEDC;
    auto free_context = std::find_if(contexts.begin(), contexts.end(),
                                     [](const DeviceContext &c) { return c.surface == nullptr; });
    if (free_context == contexts.end())
        return DDERR_CANTCREATEDC;
    *free_context = DeviceContext{this, shown_through};
    dc = &*free_context;
    *out = dc;
    return DD_OK;
}

HRESULT IDirectDrawSurface::ReleaseDC(HDC released) {
    if (released == nullptr || released != dc)
        return DDERR_INVALIDPARAMS;
    *released = DeviceContext{};
    dc = nullptr;
    if ((caps & DDSCAPS_PRIMARYSURFACE) != 0)
        platform::present_mark_dirty();
    return DD_OK;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    if (!is_out(dc))
        return CLR_INVALID;
    const COLORREF previous = dc->text_color;
    dc->text_color = color;
    return previous;
}

int SetBkMode(HDC dc, int mode) {
    if (!is_out(dc) || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    const int previous = dc->background_mode;
    dc->background_mode = mode;
    return previous;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
    if (!is_out(dc) || text == nullptr || length < 0)
        return FALSE;
    platform::note("TextOutA %d %d %.*s", x, y, length, text);
    if (length == 0)
        return TRUE;
    SDL_Surface *mask = mask_for(text, length);
    if (mask == nullptr)
        return FALSE;
    IDirectDrawSurface &surface = *dc->surface;
    const PALETTEENTRY *entries = dc->palette->entries;
    const BYTE ink = nearest_index(entries, dc->text_color);
    const bool opaque = dc->background_mode == OPAQUE;
    // Only an opaque background needs the search for white; the game draws all its text without.
    const BYTE paper = opaque ? nearest_index(entries, RGB(255, 255, 255)) : 0;

    // The part of the text's box that lies on the surface.
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + mask->w, surface.width);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + mask->h, surface.height);
    for (std::int64_t row = top; row < bottom; ++row) {
        const BYTE *source = static_cast<const BYTE *>(mask->pixels) + (row - y) * mask->pitch;
        BYTE *dest = surface.pixels.data() + row * surface.pitch;
        for (std::int64_t column = left; column < right; ++column) {
            if (source[column - x] != 0)
                dest[column] = ink;
            else if (opaque)
                dest[column] = paper;
        }
    }
    return TRUE;
}
