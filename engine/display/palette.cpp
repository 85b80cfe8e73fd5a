// Palette utilities over the device palette and its working copy palette_table.
#include "engine/display/palette.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/display/display.h"
#include "platform/file.h"

namespace {

bool valid_index(int index) {
    return index >= 0 && index < 256;
}

// Reads the next decimal number as "%d" would: white space skipped, an optional sign, digits.
// The value is accumulated modulo 2^64, which keeps its low 8 bits right however long it is.
bool read_number(const BYTE *&at, const BYTE *end, BYTE &low_bits) {
    while (at < end && std::isspace(*at))
        ++at;
    const BYTE *p = at;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    if (p == end || !std::isdigit(*p))
        return false;
    std::uint64_t value = 0;
    while (p < end && std::isdigit(*p))
        value = value * 10 + static_cast<std::uint64_t>(*p++ - '0');
    if (negative)
        value = 0 - value;
    low_bits = static_cast<BYTE>(value & 0xFF);
    at = p;
    return true;
}

} // namespace

int palette_set_entry(int index, const PALETTEENTRY *entry) {
    if (!valid_index(index) || entry == nullptr)
        return 0;
    if (main_palette != nullptr)
        main_palette->SetEntries(0, static_cast<DWORD>(index), 1, entry);
    palette_table[index] = *entry;
    return 1;
}

int palette_get_entry(int index, PALETTEENTRY *entry) {
    if (!valid_index(index) || entry == nullptr)
        return 0;
    *entry = palette_table[index];
    return 1;
}

// Four numbers per entry, entries 0 to 255 in order; reading stops at the end of the text or at
// anything that is not a number, and the fields not read keep their contents.
int palette_load_memory(const BYTE *text, std::size_t size, PALETTEENTRY *palette) {
    if ((text == nullptr && size > 0) || palette == nullptr)
        return 0;
    const BYTE *at = text;
    const BYTE *end = text + size;
    for (int i = 0; i < 256; ++i) {
        BYTE *fields = &palette[i].peRed;
        for (int f = 0; f < 4; ++f)
            if (!read_number(at, end, fields[f]))
                return 1;
    }
    return 1;
}

int palette_load_file(const char *path, PALETTEENTRY *palette) {
    // A palette file as written is under 5 KiB; 1 MiB leaves room for any spacing and number
    // lengths a person or a tool would use.
    constexpr std::uint64_t largest_file = 1 << 20;
    std::vector<BYTE> text;
    if (path == nullptr || palette == nullptr || !read_whole_file(path, text, largest_file))
        return 0;
    return palette_load_memory(text.data(), text.size(), palette);
}

int palette_save_file(const char *path, const PALETTEENTRY *palette) {
    if (path == nullptr || palette == nullptr)
        return 0;
    std::string why;
    std::FILE *file = open_for_writing(path, false, why);
    if (file == nullptr)
        return 0;
    for (int i = 0; i < 256; ++i)
        std::fprintf(file, "\n%u %u %u %u", palette[i].peRed, palette[i].peGreen, palette[i].peBlue,
                     palette[i].peFlags);
    std::fclose(file);
    return 1;
}

int palette_save_all(PALETTEENTRY *palette) {
    if (palette == nullptr)
        return 0;
    std::memcpy(palette, palette_table, sizeof palette_table);
    return 1;
}

int palette_set_all(const PALETTEENTRY *palette) {
    if (palette == nullptr)
        return 0;
    std::memcpy(palette_table, palette, sizeof palette_table);
    if (main_palette != nullptr)
        main_palette->SetEntries(0, 0, 256, palette_table);
    return 1;
}

int palette_rotate(int first, int count) {
    if (first < 0 || first > 255 || count < 1 || count > 256 - first)
        return 0;
    if (main_palette == nullptr)
        return 1;
    PALETTEENTRY local[256];
    main_palette->GetEntries(0, static_cast<DWORD>(first), static_cast<DWORD>(count), local);
    main_palette->SetEntries(0, static_cast<DWORD>(first + 1), static_cast<DWORD>(count - 1),
                             local);
    main_palette->SetEntries(0, static_cast<DWORD>(first), 1, &local[count - 1]);
    main_palette->GetEntries(0, 0, 256, palette_table);
    return 1;
}

int palette_reserved_1() {
    return 1;
}

int palette_reserved_2() {
    return 1;
}
