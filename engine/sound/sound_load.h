// The sound file loaders: a WAV (RIFF WAVE) or VOC file into the first free sound slot. Every
// buffer is made 8-bit mono at 11025 samples per second whatever the file declares: the file's
// rate only goes into the slot, and its sample bytes are copied unchanged.
#pragma once

#include <cstddef>

#include "engine/sound/sound.h"

// The format and buffer description that every load fills afresh before it makes its buffer.
extern WAVEFORMATEX sound_format;
extern DSBUFFERDESC sound_buffer_desc;

// Each returns the slot number 0 to 63, or -1 when the sound could not be loaded: no sound
// object, no free slot, a file that can't be read or is malformed or truncated, or a buffer that
// can't be made, locked or unlocked. A failed buffer creation leaves the slot claimed without a
// buffer; a failed lock or unlock leaves it claimed with its new buffer.
int sound_load_wav(const char *filename, DWORD flags);
int sound_load_voc(const char *filename);

// The same loads from a file's bytes in memory.
int sound_load_wav_memory(const BYTE *bytes, std::size_t size, DWORD flags);
int sound_load_voc_memory(const BYTE *bytes, std::size_t size);
