// Text on a surface: a device context, had from IDirectDrawSurface::GetDC, draws text into the
// surface's 8-bit memory in the palette index nearest to its RGB colour. The font is DejaVu Sans
// Bold (found through fontconfig), rendered without anti-aliasing, 14 pixels from the top of its
// tallest letters to the bottom of its descenders.
#pragma once

#include "platform/display.h"
#include "platform/types.h"
#include "platform/window.h"

// Background modes.
constexpr int TRANSPARENT = 1; // the background is left untouched
constexpr int OPAQUE = 2;      // the text's box is first filled with white, as a fresh context does

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// A context lives from GetDC to ReleaseDC; it draws through the palette the surface is shown
// through (its own, that of the primary surface it belongs to, or for an off-screen surface the
// one on the screen).
struct DeviceContext {
    IDirectDrawSurface *surface = nullptr;
    IDirectDrawPalette *palette = nullptr;
    COLORREF text_color = RGB(0, 0, 0);
    int background_mode = OPAQUE;
};

// Each returns the previous setting; CLR_INVALID or 0 for a context that is not out.
COLORREF SetTextColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);
// Draws `length` bytes of text with the top-left corner of its box at (x, y), clipped to the
// surface. FALSE for a context that is not out.
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length);
