// The WAV and VOC loaders. Both parse the file's bytes in memory; the file versions only read
// the file in. Beyond what the formats promise, a load checks that every byte it reads lies in
// the file and that the sound holds at least one byte, and refuses the file otherwise.
#include "engine/sound/sound_load.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "platform/file.h"
#include "platform/riff.h"

WAVEFORMATEX sound_format;
DSBUFFERDESC sound_buffer_desc;

namespace {

constexpr DWORD voc_buffer_flags = 234; // static, in software, frequency, pan and volume
// The loader reads only the header and the first block: the block's offset is one byte and its
// length three, so nothing past 255 + 4 + 0xFFFFFF bytes is ever used; longer files are refused.
constexpr std::uint64_t voc_largest_file = 255 + 4 + 0xFFFFFF;

DWORD little_endian(const BYTE *at, int width) {
    DWORD value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | at[i];
    return value;
}

// Makes the claimed slot's buffer in the fixed format and copies the samples into it. A failed
// creation leaves the slot claimed without a buffer; a failed lock or unlock keeps the buffer.
int fill_slot(int slot, DWORD flags, const BYTE *samples, DWORD length) {
    sound_format = WAVEFORMATEX{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    sound_buffer_desc = DSBUFFERDESC{DSBUFFERDESC1_SIZE, flags, length, 0, &sound_format};
    IDirectSoundBuffer **buffer = &sound_slots[slot].buffer;
    // Memory running out is a failed creation, never an exception out of the loader.
    try {
        if (FAILED(ds_object->CreateSoundBuffer(&sound_buffer_desc, buffer, nullptr)))
            return -1;
    } catch (const std::bad_alloc &) {
        *buffer = nullptr;
        return -1;
    }
    void *region1 = nullptr, *region2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    if (FAILED((*buffer)->Lock(0, length, &region1, &bytes1, &region2, &bytes2,
                               DSBLOCK_FROMWRITECURSOR)))
        return -1;
    // The two regions add up to length; the clamps only keep a faulty lock from reading past the
    // samples.
    bytes1 = std::min(bytes1, length);
    bytes2 = region2 != nullptr ? std::min(bytes2, length - bytes1) : 0;
    std::memcpy(region1, samples, bytes1);
    if (bytes2 > 0)
        std::memcpy(region2, samples + bytes1, bytes2);
    if (FAILED((*buffer)->Unlock(region1, bytes1, region2, bytes2)))
        return -1;
    return slot;
}

} // namespace

int sound_load_wav_memory(const BYTE *bytes, std::size_t size, DWORD flags) {
    if (ds_object == nullptr)
        return -1;
    int slot = sound_first_free_slot();
    if (slot < 0 || size > static_cast<std::size_t>(INT32_MAX))
        return -1;
    MMIOINFO info{};
    info.fccIOProc = FOURCC_MEM;
    info.pchBuffer = reinterpret_cast<char *>(const_cast<BYTE *>(bytes));
    info.cchBuffer = static_cast<LONG>(size);
    HMMIO file = mmioOpenA(nullptr, &info, MMIO_ALLOCBUF | MMIO_READ);
    if (file == nullptr)
        return -1;

    MMCKINFO form{};
    MMCKINFO chunk{};
    BYTE format[18];
    form.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    // Whatever chunk comes first in the form is read as the format, and only its tag is tested.
    // The 18 bytes are read from the file, not the chunk: after a 16-byte format they are the
    // next chunk's header.
    bool ok = mmioDescend(file, &form, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR &&
              mmioDescend(file, &chunk, &form, 0) == MMSYSERR_NOERROR &&
              mmioRead(file, reinterpret_cast<char *>(format), 18) == 18 &&
              little_endian(format, 2) == WAVE_FORMAT_PCM &&
              mmioAscend(file, &chunk, 0) == MMSYSERR_NOERROR;
    if (ok) {
        chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
        ok = mmioDescend(file, &chunk, &form, MMIO_FINDCHUNK) == MMSYSERR_NOERROR;
    }
    // A data chunk that declares more bytes than the file holds is a truncated file.
    ok = ok && chunk.cksize > 0 && chunk.cksize <= DSBSIZE_MAX &&
         static_cast<std::uint64_t>(chunk.dwDataOffset) + chunk.cksize <= size;
    mmioClose(file, 0);
    if (!ok)
        return -1;

    sound_slots[slot].rate = static_cast<int>(little_endian(format + 4, 4));
    sound_slots[slot].size = static_cast<int>(chunk.cksize);
    sound_slots[slot].state = 1;
    // The file is already in memory, so the samples go from there straight into the buffer.
    return fill_slot(slot, flags | DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE, bytes + chunk.dwDataOffset,
                     chunk.cksize);
}

int sound_load_voc_memory(const BYTE *bytes, std::size_t size) {
    if (ds_object == nullptr)
        return -1;
    int slot = sound_first_free_slot();
    if (slot < 0 || bytes == nullptr || size < 21)
        return -1;
    // Only the first block is read, and neither its type nor its packing is checked.
    const std::size_t block = bytes[20];
    if (block + 6 > size)
        return -1;
    const DWORD length = little_endian(bytes + block + 1, 3);
    if (length < 7 || block + 4 + length > size)
        return -1;
    const int time_constant = bytes[block + 4];

    sound_slots[slot].rate = -1000000 / (time_constant - 256);
    sound_slots[slot].size = static_cast<int>(length);
    sound_slots[slot].state = 1;
    // The buffer takes L - 6 bytes from the block's L - 2 sample bytes: its last four are left
    // out, as the format's readers have always done.
    return fill_slot(slot, voc_buffer_flags, bytes + block + 6, length - 6);
}

int sound_load_wav(const char *filename, DWORD flags) {
    if (ds_object == nullptr || sound_first_free_slot() < 0)
        return -1;
    std::vector<BYTE> bytes;
    if (!read_whole_file(filename, bytes, MMIO_LARGEST_FILE))
        return -1;
    return sound_load_wav_memory(bytes.data(), bytes.size(), flags);
}

int sound_load_voc(const char *filename) {
    if (ds_object == nullptr || sound_first_free_slot() < 0)
        return -1;
    std::vector<BYTE> bytes;
    if (!read_whole_file(filename, bytes, voc_largest_file))
        return -1;
    return sound_load_voc_memory(bytes.data(), bytes.size());
}
