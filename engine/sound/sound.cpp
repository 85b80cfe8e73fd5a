// The sound table and playback. The free-slot search looks only at a slot's state and playback
// only at its buffer, so a slot can be claimed and yet have nothing to play.
#include "engine/sound/sound.h"

#include <cstdint>
#include <cstring>

#include "engine/display/display.h"

SoundSlot sound_slots[SOUND_SLOT_COUNT];
IDirectSound *ds_object = nullptr;
int sound_first_call = 1;

namespace {

bool in_table(int slot) {
    return slot >= 0 && slot < SOUND_SLOT_COUNT;
}

IDirectSoundBuffer *slot_buffer(int slot) {
    return in_table(slot) ? sound_slots[slot].buffer : nullptr;
}

} // namespace

int sound_first_free_slot() {
    for (int slot = 0; slot < SOUND_SLOT_COUNT; ++slot)
        if (sound_slots[slot].state == 0)
            return slot;
    return -1;
}

int sound_init() {
    if (sound_first_call) {
        std::memset(sound_slots, 0, sizeof sound_slots);
        sound_first_call = 0;
        // A failure here leaves the layer without a sound object for good: loads are refused
        // and nothing plays.
        if (FAILED(DirectSoundCreate(nullptr, &ds_object, nullptr)))
            return 0;
        if (FAILED(ds_object->SetCooperativeLevel(main_window, DSSCL_NORMAL)))
            return 0;
    }
    for (int slot = 0; slot < SOUND_SLOT_COUNT; ++slot) {
        if (sound_slots[slot].buffer != nullptr) {
            sound_slots[slot].buffer->Stop();
            sound_slots[slot].buffer->Release();
        }
        sound_slots[slot] = SoundSlot{nullptr, 0, 0, 0, slot};
    }
    return 1;
}

int sound_shutdown() {
    sound_stop_all();
    // The released buffers and object are forgotten, so that a later call of the layer cannot
    // reach freed memory; the slots' other fields stay as they were.
    for (SoundSlot &slot : sound_slots) {
        if (slot.buffer != nullptr) {
            slot.buffer->Release();
            slot.buffer = nullptr;
        }
    }
    if (ds_object != nullptr) {
        ds_object->Release();
        ds_object = nullptr;
    }
    return 1;
}

int sound_replicate(int source) {
    if (!in_table(source))
        return -1;
    int slot = sound_first_free_slot();
    if (slot < 0)
        return -1;
    sound_slots[slot] = sound_slots[source];
    if (ds_object == nullptr || FAILED(ds_object->DuplicateSoundBuffer(
                                    sound_slots[source].buffer, &sound_slots[slot].buffer))) {
        sound_slots[slot].buffer = nullptr;
        sound_slots[slot].state = 0;
        return -1;
    }
    sound_slots[slot].id = slot;
    return slot;
}

int sound_play(int slot, DWORD flags) {
    IDirectSoundBuffer *buffer = slot_buffer(slot);
    if (buffer == nullptr)
        return 1;
    // Rewinding first makes every play start from the first byte, also of a sound still sounding.
    if (FAILED(buffer->SetCurrentPosition(0)))
        return 0;
    if (FAILED(buffer->Play(0, 0, flags)))
        return 0;
    return 1;
}

int sound_set_volume(int slot, int volume) {
    IDirectSoundBuffer *buffer = slot_buffer(slot);
    if (buffer == nullptr)
        return 0;
    // 0.3 dB a step below full volume; values the buffer would refuse anyway are not passed on
    // when they do not even fit its argument.
    long long attenuation = -30LL * (100LL - volume);
    if (attenuation < INT32_MIN || attenuation > INT32_MAX)
        return 0;
    return SUCCEEDED(buffer->SetVolume(static_cast<LONG>(attenuation))) ? 1 : 0;
}

int sound_set_frequency(int slot, int frequency) {
    IDirectSoundBuffer *buffer = slot_buffer(slot);
    if (buffer == nullptr)
        return 0;
    return SUCCEEDED(buffer->SetFrequency(static_cast<DWORD>(frequency))) ? 1 : 0;
}

int sound_set_pan(int slot, int pan) {
    IDirectSoundBuffer *buffer = slot_buffer(slot);
    if (buffer == nullptr)
        return 0;
    return SUCCEEDED(buffer->SetPan(pan)) ? 1 : 0;
}

int sound_stop(int slot) {
    IDirectSoundBuffer *buffer = slot_buffer(slot);
    if (buffer != nullptr) {
        buffer->Stop();
        buffer->SetCurrentPosition(0);
    }
    return 1;
}

int sound_stop_all() {
    for (int slot = 0; slot < SOUND_SLOT_COUNT; ++slot)
        sound_stop(slot);
    return 1;
}

int sound_delete(int slot) {
    sound_stop(slot);
    // The slot keeps its state, so it stays claimed until sound_init resets the table.
    IDirectSoundBuffer *buffer = slot_buffer(slot);
    if (buffer != nullptr) {
        buffer->Release();
        sound_slots[slot].buffer = nullptr;
    }
    return 1;
}

int sound_delete_all() {
    for (int slot = 0; slot < SOUND_SLOT_COUNT; ++slot)
        sound_delete(slot);
    return 1;
}

int sound_status(int slot) {
    IDirectSoundBuffer *buffer = slot_buffer(slot);
    if (buffer == nullptr)
        return -1;
    DWORD status = 0;
    if (FAILED(buffer->GetStatus(&status)))
        return -1;
    return static_cast<int>(status);
}
