// Palette utilities: set and read entries of the device palette (kept equal to palette_table),
// rotate a range, and save and load palettes as text files.
#pragma once

#include <cstddef>

#include "platform/types.h"

int palette_set_entry(int index, const PALETTEENTRY *entry);
int palette_get_entry(int index, PALETTEENTRY *entry);
int palette_load_file(const char *path, PALETTEENTRY *palette);
// The loader's core: the same reading from a palette file's text already in memory.
int palette_load_memory(const BYTE *text, std::size_t size, PALETTEENTRY *palette);
int palette_save_file(const char *path, const PALETTEENTRY *palette);
int palette_save_all(PALETTEENTRY *palette);
int palette_set_all(const PALETTEENTRY *palette);
int palette_rotate(int first, int count);
int palette_reserved_1();
int palette_reserved_2();
