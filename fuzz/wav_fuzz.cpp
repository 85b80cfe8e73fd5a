// Fuzz target for the WAV loader with the RIFF functions under it, from memory, with a real
// sound object on OpenAL's null device. A load that succeeds must hold a buffer of exactly the
// data chunk's size, which is at least one byte and no more than the file. One that fails leaves
// the slot free, or claimed without a buffer when the buffer could not be made (a data chunk
// shorter than the smallest buffer).
#include <cstdint>

#include "engine/sound/sound.h"
#include "engine/sound/sound_load.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    return fuzz_start_sound();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const int slot = sound_load_wav_memory(data, size, 224);
    if (slot < 0) {
        fuzz_require(sound_slots[0].state == 0 || sound_slots[0].buffer == nullptr,
                     "a refused file holds a buffer");
    } else {
        const SoundSlot &loaded = sound_slots[slot];
        fuzz_require(slot == 0 && loaded.state == 1, "slot");
        fuzz_require(loaded.size > 0 && static_cast<std::size_t>(loaded.size) <= size, "size");
        fuzz_require(loaded.buffer != nullptr && loaded.buffer->data != nullptr, "buffer");
        fuzz_require(loaded.buffer->data->bytes.size() == static_cast<std::size_t>(loaded.size),
                     "buffer length");
    }
    sound_init(); // releases the buffer and frees the slot for the next input
    return 0;
}
