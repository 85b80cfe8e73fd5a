// The sound table: 64 numbered slots, each able to hold one sound buffer, and the operations on a
// sound by its slot number (play, stop, volume, frequency, pan, status, duplicate, delete). The
// loaders (sound_load.h) fill free slots; -1 stands for no sound.
#pragma once

#include "platform/sound.h"

constexpr int SOUND_SLOT_COUNT = 64;

struct SoundSlot {
    IDirectSoundBuffer *buffer; // null when the slot has none
    int state;                  // 0 free, 1 in use
    int rate;                   // the sample rate the file declares; stored only
    int size;                   // the byte length of the sound data as the file gives it
    int id;                     // the slot's own number
};

extern SoundSlot sound_slots[SOUND_SLOT_COUNT];
extern IDirectSound *ds_object;
extern int sound_first_call;

// Operations on a slot number outside 0 to 63 treat it as a slot without a buffer.
int sound_init();
// The first slot whose state is 0, which the loaders and sound_replicate fill; -1 when none is.
int sound_first_free_slot();
int sound_shutdown();
int sound_replicate(int source);
int sound_play(int slot, DWORD flags);
int sound_set_volume(int slot, int volume);
int sound_set_frequency(int slot, int frequency);
int sound_set_pan(int slot, int pan);
int sound_stop(int slot);
int sound_stop_all();
int sound_delete(int slot);
int sound_delete_all();
int sound_status(int slot);
