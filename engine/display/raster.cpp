// Raster primitives and text. The spans clip to the fixed clip rectangle; clip_line clips each
// end point once against it, with the rounding the line drawing has always had; draw_line keeps
// its two differently-tested branches. Text goes through the surface's device context.
#include "engine/display/raster.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/display/display.h"
#include "platform/text.h"

namespace {

constexpr int code_left = 1;
constexpr int code_right = 2;
constexpr int code_below = 4;
constexpr int code_above = 8;

int region_code(std::int64_t x, std::int64_t y) {
    int code = 0;
    if (y < clip_top)
        code = code_above;
    else if (y > clip_bottom)
        code = code_below;
    if (x < clip_left)
        code |= code_left;
    else if (x > clip_right)
        code |= code_right;
    return code;
}

struct Point {
    std::int64_t x;
    std::int64_t y;
};

bool inside_clip(Point p) {
    return p.x >= clip_left && p.x <= clip_right && p.y >= clip_top && p.y <= clip_bottom;
}

// a * b / c truncated toward zero. |a| <= |c| wherever it is used, so the quotient fits; the
// product of two far-off coordinates' differences may not fit 64 bits, hence the wide multiply.
std::int64_t quotient(std::int64_t a, std::int64_t b, std::int64_t c) {
    return static_cast<std::int64_t>(static_cast<__int128>(a) * b / c);
}

// The half-step form adds 0.5 before truncating toward zero, which moves only negative results.
std::int64_t offset_by(std::int64_t base, std::int64_t q, bool half_step) {
    if (!half_step)
        return base + q;
    return static_cast<std::int64_t>(static_cast<double>(base) + 0.5 + static_cast<double>(q));
}

// Moves end point `p` along the segment towards `other` onto the edge its code names. The first
// end point uses the half-step form everywhere, the second only at the corners: a quirk of the
// original clipper kept so lines land on the same pixels.
Point clip_end(int code, Point p, Point other, bool half_step_on_edges) {
    auto onto_row = [&](std::int64_t row, bool half_step) {
        return Point{offset_by(p.x, quotient(row - p.y, other.x - p.x, other.y - p.y), half_step),
                     row};
    };
    auto onto_column = [&](std::int64_t column, bool half_step) {
        return Point{column, offset_by(p.y, quotient(column - p.x, other.y - p.y, other.x - p.x),
                                       half_step)};
    };
    switch (code) {
    case 0:
        return p;
    case code_above:
        return onto_row(clip_top, half_step_on_edges);
    case code_below:
        return onto_row(clip_bottom, half_step_on_edges);
    case code_left:
        return onto_column(clip_left, half_step_on_edges);
    case code_right:
        return onto_column(clip_right, half_step_on_edges);
    default: {
        // A corner: the top or bottom edge first, the side when that crossing misses the
        // rectangle.
        Point crossing = onto_row((code & code_above) != 0 ? clip_top : clip_bottom, true);
        if (crossing.x < clip_left || crossing.x > clip_right)
            crossing = onto_column((code & code_left) != 0 ? clip_left : clip_right, true);
        return crossing;
    }
    }
}

} // namespace

int draw_pixel(int x, int y, int color, BYTE *buffer, int pitch) {
    if (buffer == nullptr)
        return 0;
    buffer[x + static_cast<std::ptrdiff_t>(y) * pitch] = static_cast<BYTE>(color);
    return 1;
}

void draw_hline(int x1, int x2, int y, int color, BYTE *buffer, int pitch) {
    if (buffer == nullptr || y > clip_bottom || y < clip_top)
        return;
    if (x1 > x2)
        std::swap(x1, x2);
    if (x1 > clip_right || x2 < clip_left)
        return;
    x1 = std::max(x1, clip_left);
    x2 = std::min(x2, clip_right);
    std::memset(buffer + static_cast<std::ptrdiff_t>(y) * pitch + x1, static_cast<BYTE>(color),
                static_cast<std::size_t>(x2 - x1 + 1));
}

void draw_vline(int y1, int y2, int x, int color, BYTE *buffer, int pitch) {
    if (buffer == nullptr || x > clip_right || x < clip_left)
        return;
    if (y1 > y2)
        std::swap(y1, y2);
    if (y1 > clip_bottom || y2 < clip_top)
        return;
    y1 = std::max(y1, clip_top);
    y2 = std::min(y2, clip_bottom);
    BYTE *p = buffer + static_cast<std::ptrdiff_t>(y1) * pitch + x;
    for (int y = y1; y <= y2; ++y, p += pitch)
        *p = static_cast<BYTE>(color);
}

int clip_line(int *x1, int *y1, int *x2, int *y2) {
    if (x1 == nullptr || y1 == nullptr || x2 == nullptr || y2 == nullptr)
        return 0;
    const Point first{*x1, *y1};
    const Point second{*x2, *y2};
    const int code1 = region_code(first.x, first.y);
    const int code2 = region_code(second.x, second.y);
    if ((code1 & code2) != 0)
        return 0;
    if (code1 == 0 && code2 == 0)
        return 1;
    const Point clipped1 = clip_end(code1, first, second, true);
    const Point clipped2 = clip_end(code2, second, first, false);
    if (!inside_clip(clipped1) || !inside_clip(clipped2))
        return 0;
    *x1 = static_cast<int>(clipped1.x);
    *y1 = static_cast<int>(clipped1.y);
    *x2 = static_cast<int>(clipped2.x);
    *y2 = static_cast<int>(clipped2.y);
    return 1;
}

// The mostly-horizontal branch steps down only once the error exceeds dx, so it ends a row short
// of y2 whenever dy > 0; kept as it has always drawn.
int draw_line(int x1, int y1, int x2, int y2, int color, BYTE *buffer, int pitch) {
    if (buffer == nullptr)
        return 0;
    BYTE *p = buffer + x1 + static_cast<std::ptrdiff_t>(y1) * pitch;
    const BYTE value = static_cast<BYTE>(color);
    std::int64_t dx = static_cast<std::int64_t>(x2) - x1;
    std::int64_t dy = static_cast<std::int64_t>(y2) - y1;
    std::ptrdiff_t x_step = 1;
    std::ptrdiff_t y_step = pitch;
    if (dx < 0) {
        x_step = -1;
        dx = -dx;
    }
    if (dy < 0) {
        y_step = -y_step;
        dy = -dy;
    }
    std::int64_t error = 0;
    if (dx > dy) {
        for (std::int64_t i = 0; i <= dx; ++i) {
            *p = value;
            error += dy;
            if (error > dx) {
                error -= dx;
                p += y_step;
            }
            p += x_step;
        }
    } else {
        for (std::int64_t i = 0; i <= dy; ++i) {
            *p = value;
            error += dx;
            if (error > 0) {
                error -= dy;
                p += x_step;
            }
            p += y_step;
        }
    }
    return 1;
}

int draw_clipped_line(int x1, int y1, int x2, int y2, int color, BYTE *buffer, int pitch) {
    if (clip_line(&x1, &y1, &x2, &y2))
        draw_line(x1, y1, x2, y2, color, buffer, pitch);
    return 1;
}

int draw_rectangle(int x1, int y1, int x2, int y2, int color, IDirectDrawSurface *surface) {
    if (surface == nullptr)
        return 1;
    DDBLTFX fx{};
    fx.dwSize = DDBLTFX_SIZE;
    fx.dwFillColor = static_cast<BYTE>(color);
    const RECT rect{x1, y1, x2, y2};
    surface->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    return 1;
}

int draw_text_rgb(const char *text, int x, int y, COLORREF color, IDirectDrawSurface *surface) {
    if (text == nullptr || surface == nullptr)
        return 0;
    HDC dc = nullptr;
    if (surface->GetDC(&dc) != DD_OK)
        return 0;
    SetTextColor(dc, color);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text)));
    surface->ReleaseDC(dc);
    return 1;
}

int draw_text_indexed(const char *text, int x, int y, int index, IDirectDrawSurface *surface) {
    const PALETTEENTRY &entry = palette_table[static_cast<BYTE>(index)];
    return draw_text_rgb(text, x, y, RGB(entry.peRed, entry.peGreen, entry.peBlue), surface);
}

int scan_color_range(int x1, int y1, int x2, int y2, int low, int high, BYTE *buffer, int pitch) {
    if (buffer == nullptr)
        return 0;
    auto clamp_to = [](int value, int size) { return std::clamp(value, 0, std::max(size - 1, 0)); };
    x1 = clamp_to(x1, screen_width);
    x2 = clamp_to(x2, screen_width);
    y1 = clamp_to(y1, screen_height);
    y2 = clamp_to(y2, screen_height);
    const BYTE lowest = static_cast<BYTE>(low);
    const BYTE highest = static_cast<BYTE>(high);
    // The ends are not swapped: a rectangle given right to left or bottom up scans nothing.
    for (int y = y1; y <= y2; ++y) {
        const BYTE *row = buffer + static_cast<std::ptrdiff_t>(y) * pitch;
        for (int x = x1; x <= x2; ++x)
            if (row[x] >= lowest && row[x] <= highest)
                return 1;
    }
    return 0;
}
