// Fuzz target for the BMP loader (bitmap_file_load's core, from memory). A load that succeeds
// must leave pixels of the size its header now states: 1 to 16384 on each side, 8 or 16 bits.
#include <cstdint>
#include <cstring>

#include "engine/display/bitmap.h"
#include "fuzz/fuzz_check.h"

#ifdef DW_FUZZ_HAS_ASAN
#include <sanitizer/allocator_interface.h>
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    BitmapFile bitmap{};
    // A second load into the same record must free the first load's pixels.
    for (int pass = 0; pass < 2; ++pass) {
        if (bitmap_file_load_memory(&bitmap, data, size) != 1)
            continue;
        const BITMAPINFOHEADER &info = bitmap.info_header;
        fuzz_require(bitmap.pixels != nullptr, "no pixels");
        fuzz_require(info.biWidth >= 1 && info.biWidth <= 16384, "width");
        fuzz_require(info.biHeight >= 1 && info.biHeight <= 16384, "height");
        fuzz_require(info.biBitCount == 8 || info.biBitCount == 16, "depth");
        const std::size_t length = static_cast<std::size_t>(info.biWidth) *
                                   static_cast<std::size_t>(info.biHeight) * info.biBitCount / 8;
#ifdef DW_FUZZ_HAS_ASAN
        fuzz_require(__sanitizer_get_allocated_size(bitmap.pixels) == length,
                     "pixel buffer length");
#endif
        // Touch every byte, so that a short buffer is a read past its end.
        unsigned sum = 0;
        for (std::size_t i = 0; i < length; ++i)
            sum += bitmap.pixels[i];
        volatile unsigned sink = sum;
        (void)sink;
    }
    bitmap_file_unload(&bitmap);
    return 0;
}
