// Bitmap files and bitmap images: BMP files of 8, 16 and 24 bits read into memory with their
// palette and rows turned top-down, and rectangular 8-bit pictures cut from them and drawn into
// locked surface memory, opaque or with palette index 0 transparent.
#pragma once

#include <cstddef>

#include "platform/types.h"

#pragma pack(push, 1)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct BitmapFile {
    BITMAPFILEHEADER file_header;
    BITMAPINFOHEADER info_header;
    PALETTEENTRY palette[256];
    BYTE *pixels; // rows top-down, no gaps; owned; null when none
};

constexpr int IMAGE_LOADED = 0x80;

struct BitmapImage {
    int state;
    int attr;
    int x;
    int y;
    int width;
    int height;
    int byte_count;
    BYTE *pixels; // width * height palette indices, rows top-down; owned
};

int bitmap_file_load(BitmapFile *bitmap, const char *file_name);
// The loader's core: the same load from a file's bytes already in memory.
int bitmap_file_load_memory(BitmapFile *bitmap, const BYTE *data, std::size_t size);
int bitmap_file_unload(BitmapFile *bitmap);
int bitmap_flip_rows(BYTE *buffer, int row_bytes, int rows);
// The first pixel of a width x height rectangle of the bitmap's 8-bit pixels, whose rows lie
// biWidth bytes apart. Mode 0 takes (cx, cy) as a cell of a grid of such rectangles, each framed
// by a one-pixel line shared with its neighbours; any other mode as a pixel position. Null when
// the bitmap holds no 8-bit pixels or the rectangle does not lie wholly inside them.
const BYTE *bitmap_cell_start(const BitmapFile *bitmap, int cx, int cy, int mode, int width,
                              int height);

int image_create(BitmapImage *image, int x, int y, int width, int height);
int image_destroy(BitmapImage *image);
int image_draw(BitmapImage *image, BYTE *memory, int pitch, int transparent);
int image_load_cell(BitmapImage *image, BitmapFile *bitmap, int cx, int cy, int mode);
int image_placeholder_1();
int image_placeholder_2();
