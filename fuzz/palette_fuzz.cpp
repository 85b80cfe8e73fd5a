// Fuzz target for the palette text loader (palette_load_file's core, from memory). Any text
// loads (numbers of any length keep their low 8 bits); an empty text changes nothing.
#include <cstdint>
#include <cstring>

#include "engine/display/palette.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    PALETTEENTRY palette[256];
    std::memset(palette, 0xA5, sizeof palette);
    fuzz_require(palette_load_memory(data, size, palette) == 1, "a text was refused");
    if (size == 0) {
        PALETTEENTRY untouched[256];
        std::memset(untouched, 0xA5, sizeof untouched);
        fuzz_require(std::memcmp(palette, untouched, sizeof palette) == 0, "empty text changed");
    }
    return 0;
}
