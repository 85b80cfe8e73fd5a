// Keys held by gamepads, the computer driver and replays, merged into the keyboard's two views.
#include "platform/key_sources.h"

#include <cstring>

#include "platform/input.h"
#include "platform/window.h"

namespace {

// The two readers that each see a short press once: the keyboard device and GetAsyncKeyState.
enum Reader { device_reader, async_reader, reader_count };

struct SourceKeys {
    bool held[256];
    bool unseen[reader_count][256]; // pressed since that reader last looked at the key
};

SourceKeys sources[key_source_count];
bool replay_only = false;
const KeyReadWatch *read_watch = nullptr;

// The DirectInput key that stands for a virtual key; 0 when none does.
int dik_of_virtual_key(int vk) {
    static const BYTE letters[26] = {DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F, DIK_G, DIK_H, DIK_I,
                                     DIK_J, DIK_K, DIK_L, DIK_M, DIK_N, DIK_O, DIK_P, DIK_Q, DIK_R,
                                     DIK_S, DIK_T, DIK_U, DIK_V, DIK_W, DIK_X, DIK_Y, DIK_Z};
    static const BYTE digits[10] = {DIK_0, DIK_1, DIK_2, DIK_3, DIK_4,
                                    DIK_5, DIK_6, DIK_7, DIK_8, DIK_9};
    if (vk >= 'A' && vk <= 'Z')
        return letters[vk - 'A'];
    if (vk >= '0' && vk <= '9')
        return digits[vk - '0'];
    switch (vk) {
    case VK_RETURN:
        return DIK_RETURN;
    case VK_SPACE:
        return DIK_SPACE;
    case VK_ESCAPE:
        return DIK_ESCAPE;
    case VK_LEFT:
        return DIK_LEFT;
    case VK_RIGHT:
        return DIK_RIGHT;
    case VK_UP:
        return DIK_UP;
    case VK_DOWN:
        return DIK_DOWN;
    default:
        return 0;
    }
}

bool heard(int source) {
    return !replay_only || source == static_cast<int>(KeySource::replay);
}

// Whether the source shows the key down to the reader, which has now looked at it.
bool take(SourceKeys &keys, Reader reader, int dik) {
    const bool down = keys.held[dik] || keys.unseen[reader][dik];
    keys.unseen[reader][dik] = false;
    return down;
}

} // namespace

void key_source_hold(KeySource source, int dik, bool down) {
    if (dik <= 0 || dik > 255)
        return;
    SourceKeys &keys = sources[static_cast<int>(source)];
    if (down && !keys.held[dik])
        for (auto &unseen : keys.unseen)
            unseen[dik] = true;
    keys.held[dik] = down;
}

void key_source_release_all(KeySource source) {
    std::memset(&sources[static_cast<int>(source)], 0, sizeof(SourceKeys));
}

void key_sources_replay_only(bool on) {
    replay_only = on;
}

void key_sources_watch_reads(const KeyReadWatch *watch) {
    read_watch = watch;
}

namespace platform {

void report_device_read(const std::uint8_t keys[256]) {
    if (read_watch != nullptr && read_watch->device_read != nullptr)
        read_watch->device_read(keys);
}

void report_async_read(int virtual_key, bool down) {
    if (read_watch != nullptr && read_watch->async_read != nullptr)
        read_watch->async_read(virtual_key, down);
}

void merge_held_keys(std::uint8_t keys[256]) {
    if (replay_only)
        std::memset(keys, 0, 256);
    for (int source = 0; source < key_source_count; ++source) {
        if (!heard(source))
            continue;
        for (int dik = 1; dik < 256; ++dik)
            if (take(sources[source], device_reader, dik))
                keys[dik] = 0x80;
    }
}

int held_virtual_key(int virtual_key) {
    const int dik = dik_of_virtual_key(virtual_key);
    bool down = false;
    for (int source = 0; source < key_source_count; ++source)
        if (heard(source) && dik != 0 && take(sources[source], async_reader, dik))
            down = true;
    if (down)
        return 1;
    return replay_only ? 0 : -1;
}

} // namespace platform
