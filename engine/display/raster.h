// Raster primitives and text: pixels, clipped spans and lines written into locked 8-bit surface
// memory (a pointer and its pitch in bytes), filled rectangles by colour-fill blit, text through
// the surface's device context, and a scan for palette indices in a range. Colours are palette
// indices (only their low 8 bits count), except the RGB colour of draw_text_rgb.
#pragma once

#include "platform/display.h"
#include "platform/types.h"

// Unclipped; returns 1 (0 for a null buffer).
int draw_pixel(int x, int y, int color, BYTE *buffer, int pitch);
// Spans clipped to the clip rectangle; the ends may come in either order.
void draw_hline(int x1, int x2, int y, int color, BYTE *buffer, int pitch);
void draw_vline(int y1, int y2, int x, int color, BYTE *buffer, int pitch);
// 1 with the ends replaced by the clipped ones when part of the segment is visible; 0 with the
// ends unchanged otherwise.
int clip_line(int *x1, int *y1, int *x2, int *y2);
// Unclipped; both ends must lie on the surface. Returns 1 (0 for a null buffer).
int draw_line(int x1, int y1, int x2, int y2, int color, BYTE *buffer, int pitch);
// clip_line on a copy of the ends, then draw_line of what is left; returns 1.
int draw_clipped_line(int x1, int y1, int x2, int y2, int color, BYTE *buffer, int pitch);
// Colour-fills left x1, top y1 to right x2, bottom y2 (right and bottom exclusive); returns 1.
int draw_rectangle(int x1, int y1, int x2, int y2, int color, IDirectDrawSurface *surface);
// Text with its top-left corner at (x, y), background untouched; 0 when the surface gives no
// device context.
int draw_text_rgb(const char *text, int x, int y, COLORREF color, IDirectDrawSurface *surface);
// The same with the colour of palette_table entry `index`.
int draw_text_indexed(const char *text, int x, int y, int index, IDirectDrawSurface *surface);
// 1 as soon as a pixel of the rectangle (clamped to the screen) lies in low..high, else 0.
int scan_color_range(int x1, int y1, int x2, int y2, int low, int high, BYTE *buffer, int pitch);
