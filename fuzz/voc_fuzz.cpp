// Fuzz target for the VOC loader, from memory, with a real sound object on OpenAL's null device.
// A load that succeeds must hold a buffer of the block length less 6 bytes, at least one byte and
// all of them inside the file.
#include <cstdint>

#include "engine/sound/sound.h"
#include "engine/sound/sound_load.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    return fuzz_start_sound();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const int slot = sound_load_voc_memory(data, size);
    if (slot >= 0) {
        const SoundSlot &loaded = sound_slots[slot];
        fuzz_require(slot == 0 && loaded.state == 1, "slot");
        fuzz_require(loaded.size > 6 && static_cast<std::size_t>(loaded.size) <= size, "size");
        fuzz_require(loaded.rate >= 3906 && loaded.rate <= 1000000, "rate");
        fuzz_require(loaded.buffer != nullptr && loaded.buffer->data != nullptr, "buffer");
        fuzz_require(loaded.buffer->data->bytes.size() == static_cast<std::size_t>(loaded.size) - 6,
                     "buffer length");
    }
    sound_init(); // releases the buffer and frees the slot for the next input
    return 0;
}
