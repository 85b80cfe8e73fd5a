// The display device: the full-screen 8-bit display with a primary surface and one back buffer,
// the palette and its working copy, the back buffer's clipper, colour fills, locks and flips.
// Locking the primary or back surface publishes its memory and pitch in the globals below.
#pragma once

#include "platform/display.h"
#include "platform/window.h"

// The game window and the program instance: set by the entry point before set-up, read by the
// display, input and sound layers.
extern HWND main_window;
extern HINSTANCE main_instance;

extern int screen_width;  // 640 until display_init sets a mode
extern int screen_height; // 480
extern int screen_bpp;    // 8

// The clip rectangle, inclusive edges; fixed for the life of the program.
extern int clip_left;
extern int clip_top;
extern int clip_right;
extern int clip_bottom;

extern IDirectDraw *dd_object;
extern IDirectDrawSurface *primary_surface;
extern IDirectDrawSurface *back_surface;
extern IDirectDrawPalette *main_palette;
extern IDirectDrawClipper *main_clipper;

// Working copy of the device palette.
extern PALETTEENTRY palette_table[256];

// Shared description record: the last lock fills it.
extern DDSURFACEDESC surface_desc;

// Memory and bytes per row of the primary and back surfaces while locked; null and 0 otherwise.
extern BYTE *primary_buffer;
extern int primary_pitch;
extern BYTE *back_buffer;
extern int back_pitch;

int display_init(int width, int height, int bpp);
int display_shutdown();
IDirectDrawClipper *display_attach_clipper(IDirectDrawSurface *surface, int count,
                                           const RECT *rects);
IDirectDrawSurface *display_create_surface(int width, int height, DWORD caps);
int display_flip();
int display_wait_vsync();
int display_fill_surface(IDirectDrawSurface *surface, int color);
BYTE *display_lock_surface(IDirectDrawSurface *surface, int *pitch);
int display_unlock_surface(IDirectDrawSurface *surface, BYTE *memory);
BYTE *display_lock_primary();
int display_unlock_primary();
BYTE *display_lock_back();
int display_unlock_back();
