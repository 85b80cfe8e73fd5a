// BOBs: creating the frame surfaces, filling frames from bitmap cells, stepping the animation,
// moving with wrap or rebound, keyed drawing and the overlap test. Requests that would read or
// write outside memory (a frame, sequence or cell that does not exist) are refused with 0 and
// change nothing; everything else behaves as the record's users expect, quirks included.
#include "engine/display/bob.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/display/display.h"
#include "engine/display/log.h"

namespace {

// A sequence lives in a block behind a small header: how many ints the block holds, and the block
// it replaced. Reloading a slot writes into its block when the new sequence fits; otherwise the
// old block is kept, chained to the new one, because a copy made by bob_clone may still point at
// it, and all of them go with bob_destroy. Capacities at least double, so a slot reloaded any
// number of times holds at most about twice its longest sequence.
struct SequenceBlock {
    SequenceBlock *replaced;
    std::size_t capacity; // ints, the closing -1 included
};
static_assert(sizeof(SequenceBlock) % alignof(int) == 0);

int *entries_of(SequenceBlock *block) {
    return reinterpret_cast<int *>(reinterpret_cast<char *>(block) + sizeof(SequenceBlock));
}

SequenceBlock *block_of(int *entries) {
    return reinterpret_cast<SequenceBlock *>(reinterpret_cast<char *>(entries) -
                                             sizeof(SequenceBlock));
}

SequenceBlock *allocate_block(std::size_t capacity) {
    return static_cast<SequenceBlock *>(
        std::malloc(sizeof(SequenceBlock) + capacity * sizeof(int)));
}

void free_sequence(int *entries) {
    SequenceBlock *block = entries != nullptr ? block_of(entries) : nullptr;
    while (block != nullptr) {
        SequenceBlock *replaced = block->replaced;
        std::free(block);
        block = replaced;
    }
}

// Positions and velocities are 32-bit and wrap around as the original's registers did; sums of a
// position and a size are formed in 64 bits.
int wrapping_add(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

int wrapping_negate(int a) {
    return static_cast<int>(0u - static_cast<std::uint32_t>(a));
}

// Counts one bob_animate call; true (and the count back at 0) when it is time for a step.
bool next_tick(BOB *bob) {
    const std::int64_t tick = std::int64_t{bob->anim_tick} + 1;
    if (tick < bob->anim_delay) {
        bob->anim_tick = static_cast<int>(tick);
        return false;
    }
    bob->anim_tick = 0;
    return true;
}

// Number of entries before the -1 that ends a sequence.
int sequence_length(const int *sequence) {
    int length = 0;
    while (sequence[length] != -1)
        ++length;
    return length;
}

bool frame_exists(const BOB *bob, int frame) {
    return frame >= 0 && frame < bob->frame_count && frame < BOB_MAX_FRAMES &&
           bob->frames[frame] != nullptr;
}

// A rectangle's edges before they are known to fit a RECT.
struct Edges {
    std::int64_t left, top, right, bottom;
};

bool fits(const Edges &e) {
    for (const std::int64_t edge : {e.left, e.top, e.right, e.bottom})
        if (edge < INT32_MIN || edge > INT32_MAX)
            return false;
    return true;
}

RECT to_rect(const Edges &e) {
    return RECT{static_cast<LONG>(e.left), static_cast<LONG>(e.top), static_cast<LONG>(e.right),
                static_cast<LONG>(e.bottom)};
}

// A rectangle whose edges do not fit 32 bits is a failed blit, as its wrapped edges always made
// it.
int draw_frame(const BOB *bob, const Edges &dest_edges, const Edges &source_edges,
               IDirectDrawSurface *dest) {
    if (!(bob->attr & BOB_SHOWN))
        return 1;
    if (dest == nullptr || !frame_exists(bob, bob->curr_frame) || !fits(dest_edges) ||
        !fits(source_edges))
        return 0;
    const RECT dest_rect = to_rect(dest_edges);
    const RECT source_rect = to_rect(source_edges);
    const HRESULT result = dest->Blt(&dest_rect, bob->frames[bob->curr_frame], &source_rect,
                                     DDBLT_WAIT | DDBLT_KEYSRC, nullptr);
    return result == DD_OK ? 1 : 0;
}

// Half-extents shrunk to about three quarters, as the overlap test wants them.
int half_extent(int size) {
    return (size >> 1) - (size >> 3);
}

} // namespace

int bob_create(BOB *bob, int x, int y, int width, int height, int frame_count, int attr,
               DWORD mem_caps) {
    if (bob == nullptr)
        return 0;
    // Before anything can fail, so that bob_destroy after a refused create releases nothing.
    for (IDirectDrawSurface *&frame : bob->frames)
        frame = nullptr;
    for (int *&anim : bob->anims)
        anim = nullptr;
    if (frame_count < 0 || frame_count > BOB_MAX_FRAMES || width < 1 || height < 1 ||
        width > INT_MAX - 8)
        return 0;

    bob->state = 1;
    bob->attr = attr;
    bob->anim_state = 0;
    bob->counter_1 = bob->counter_2 = bob->counter_3 = bob->counter_4 = 0;
    bob->curr_frame = 0;
    bob->frame_count = frame_count;
    bob->curr_anim = bob->anim_tick = bob->anim_pos = bob->anim_delay = 0;
    bob->x = x;
    bob->y = y;
    bob->vx = bob->vy = 0;
    bob->width = width;
    bob->height = height;

    bob->width_fill = width % 8 == 0 ? 0 : 8 - width % 8;
    log_write("\nCreate BOB %d", bob->width_fill);

    for (int i = 0; i < frame_count; ++i) {
        DDSURFACEDESC desc{};
        desc.dwSize = DDSURFACEDESC_SIZE;
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
        desc.dwWidth = static_cast<DWORD>(width + bob->width_fill);
        desc.dwHeight = static_cast<DWORD>(height);
        desc.ddsCaps.dwCaps = mem_caps | DDSCAPS_OFFSCREENPLAIN;
        // On failure the surfaces made so far stay in frames for bob_destroy to release.
        if (dd_object == nullptr ||
            dd_object->CreateSurface(&desc, &bob->frames[i], nullptr) != DD_OK) {
            bob->frames[i] = nullptr;
            return 0;
        }
        const DDCOLORKEY key{0, 0};
        bob->frames[i]->SetColorKey(DDCKEY_SRCBLT, &key);
    }
    return 1;
}

// The pointers are left as they are: the record may only go back to bob_create afterwards.
int bob_destroy(BOB *bob) {
    if (bob == nullptr)
        return 0;
    for (IDirectDrawSurface *frame : bob->frames)
        if (frame != nullptr)
            frame->Release();
    for (int *anim : bob->anims)
        free_sequence(anim);
    return 1;
}

// A copy gives up its borrowed frames; its anims pointers stay, still borrowed from the source.
int bob_destroy_or_detach(BOB *bob) {
    if (bob == nullptr)
        return 0;
    if (!(bob->attr & BOB_IS_COPY))
        return bob_destroy(bob);
    for (IDirectDrawSurface *&frame : bob->frames)
        frame = nullptr;
    return 1;
}

int bob_clone(const BOB *source, BOB *dest) {
    if (source == nullptr || dest == nullptr)
        return 0;
    std::memcpy(dest, source, sizeof(BOB));
    dest->attr |= BOB_IS_COPY;
    return 1;
}

int bob_draw(const BOB *bob, IDirectDrawSurface *dest) {
    if (bob == nullptr)
        return 0;
    const std::int64_t x = bob->x, y = bob->y;
    return draw_frame(bob, Edges{x, y, x + bob->width, y + bob->height},
                      Edges{0, 0, bob->width, bob->height}, dest);
}

// Both rectangles are one pixel short in each direction, kept on purpose: callers may rely on
// this exact stretch of the top-left (width - 1) x (height - 1) pixels.
int bob_draw_scaled(const BOB *bob, int draw_width, int draw_height, IDirectDrawSurface *dest) {
    if (bob == nullptr)
        return 0;
    const std::int64_t x = bob->x, y = bob->y;
    return draw_frame(bob, Edges{x, y, x + draw_width - 1, y + draw_height - 1},
                      Edges{0, 0, std::int64_t{bob->width} - 1, std::int64_t{bob->height} - 1},
                      dest);
}

int bob_load_frame(BOB *bob, const BitmapFile *bitmap, int frame, int cx, int cy, int mode) {
    if (bob == nullptr || !frame_exists(bob, frame))
        return 0;
    const BYTE *source = bitmap_cell_start(bitmap, cx, cy, mode, bob->width, bob->height);
    if (source == nullptr)
        return 0;

    IDirectDrawSurface *surface = bob->frames[frame];
    DDSURFACEDESC desc{};
    desc.dwSize = DDSURFACEDESC_SIZE;
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK)
        return 0;
    auto *dest = static_cast<BYTE *>(desc.lpSurface);
    // Rows are stepped by the width the surface was made with; a surface whose rows are laid
    // out otherwise would be written past its end, so it is refused.
    const int row_step = bob->width + bob->width_fill;
    if (dest == nullptr || desc.lPitch != row_step) {
        surface->Unlock(desc.lpSurface);
        return 0;
    }
    for (int row = 0; row < bob->height; ++row) {
        std::memcpy(dest, source, static_cast<std::size_t>(bob->width));
        dest += row_step;
        source += bitmap->info_header.biWidth;
    }
    surface->Unlock(desc.lpSurface);
    bob->attr |= BOB_HAS_FRAMES;
    return 1;
}

int bob_load_animation(BOB *bob, int anim_index, int entry_count, const int *entries) {
    if (bob == nullptr || anim_index < 0 || anim_index >= BOB_MAX_ANIMATIONS || entry_count < 0 ||
        (entries == nullptr && entry_count > 0))
        return 0;
    // A copy owns no sequences: it can neither replace its source's nor keep one of its own.
    if (bob->attr & BOB_IS_COPY)
        return 0;
    const std::size_t needed = static_cast<std::size_t>(entry_count) + 1;
    int *sequence = bob->anims[anim_index];
    if (sequence == nullptr || block_of(sequence)->capacity < needed) {
        // When memory runs out the slot keeps the sequence it had.
        const std::size_t grown = sequence != nullptr ? 2 * block_of(sequence)->capacity : 0;
        std::size_t capacity = std::max(needed, grown);
        SequenceBlock *block = allocate_block(capacity);
        if (block == nullptr && capacity > needed)
            block = allocate_block(capacity = needed);
        if (block == nullptr)
            return 0;
        block->replaced = sequence != nullptr ? block_of(sequence) : nullptr;
        block->capacity = capacity;
        sequence = entries_of(block);
        bob->anims[anim_index] = sequence;
    }
    if (entry_count > 0)
        std::memcpy(sequence, entries, static_cast<std::size_t>(entry_count) * sizeof(int));
    sequence[entry_count] = -1;
    return 1;
}

int bob_animate(BOB *bob) {
    if (bob == nullptr)
        return 0;
    if (bob->attr & BOB_STILL) {
        bob->curr_frame = 0;
    } else if (bob->attr & BOB_CYCLE_FRAMES) {
        if (next_tick(bob)) {
            const std::int64_t frame = std::int64_t{bob->curr_frame} + 1;
            bob->curr_frame = frame >= bob->frame_count ? 0 : static_cast<int>(frame);
        }
    } else if (bob->attr & BOB_SEQUENCES) {
        // Without a sequence of at least one entry there is nothing to step through.
        if (bob->curr_anim < 0 || bob->curr_anim >= BOB_MAX_ANIMATIONS)
            return 0;
        const int *sequence = bob->anims[bob->curr_anim];
        if (sequence == nullptr)
            return 0;
        const int length = sequence_length(sequence);
        if (length == 0)
            return 0;
        if (next_tick(bob)) {
            // A position outside the sequence (it reached the -1, or a shorter sequence was
            // loaded into the slot meanwhile) counts as its end.
            const std::int64_t position = std::int64_t{bob->anim_pos} + 1;
            if (position >= 0 && position < length) {
                bob->anim_pos = static_cast<int>(position);
                bob->curr_frame = sequence[bob->anim_pos];
            } else if (bob->attr & BOB_PLAY_ONCE) {
                bob->anim_state = 1;
                bob->anim_pos = length - 1;
                bob->curr_frame = sequence[bob->anim_pos];
            } else {
                bob->anim_pos = 0;
                bob->curr_frame = sequence[0];
            }
        }
    }
    return 1;
}

int bob_move(BOB *bob) {
    if (bob == nullptr)
        return 0;
    bob->x = wrapping_add(bob->x, bob->vx);
    bob->y = wrapping_add(bob->y, bob->vy);
    const std::int64_t x = bob->x, y = bob->y, width = bob->width, height = bob->height;
    if (bob->attr & BOB_WRAP_EDGES) {
        if (x > clip_right)
            bob->x = static_cast<int>(clip_left - width);
        else if (x < clip_left - width)
            bob->x = clip_right;
        if (y > clip_bottom)
            bob->y = static_cast<int>(clip_top - height);
        else if (y < clip_top - height)
            bob->y = clip_bottom;
    } else if (bob->attr & BOB_REBOUND) {
        // Only the velocity turns; the position stays past the edge until the next move.
        if (x > clip_right - width || x < clip_left)
            bob->vx = wrapping_negate(bob->vx);
        if (y > clip_bottom - height || y < clip_top)
            bob->vy = wrapping_negate(bob->vy);
    }
    return 1;
}

int bob_set_position(BOB *bob, int x, int y) {
    if (bob == nullptr)
        return 0;
    bob->x = x;
    bob->y = y;
    return 1;
}

int bob_set_velocity(BOB *bob, int vx, int vy) {
    if (bob == nullptr)
        return 0;
    bob->vx = vx;
    bob->vy = vy;
    return 1;
}

int bob_set_anim_speed(BOB *bob, int delay) {
    if (bob == nullptr)
        return 0;
    bob->anim_delay = delay;
    return 1;
}

// The next step shows entry 1 of the new sequence: entry 0 only when the sequence starts over.
int bob_set_animation(BOB *bob, int anim_index) {
    if (bob == nullptr || anim_index < 0 || anim_index >= BOB_MAX_ANIMATIONS)
        return 0;
    bob->curr_anim = anim_index;
    bob->anim_pos = 0;
    return 1;
}

int bob_hide(BOB *bob) {
    if (bob == nullptr)
        return 0;
    bob->attr &= ~BOB_SHOWN;
    return 1;
}

int bob_show(BOB *bob) {
    if (bob == nullptr)
        return 0;
    bob->attr |= BOB_SHOWN;
    return 1;
}

int bob_collide(const BOB *a, const BOB *b) {
    if (a == nullptr || b == nullptr)
        return 0;
    return rects_collide(a->x, a->y, a->width, a->height, b->x, b->y, b->width, b->height);
}

// The reference point lies three eighths into each rectangle, not at its centre, and the extents
// are shrunk; kept on purpose, since callers rely on these exact distances (two 56 x 72 karts
// touch when x differs by less than 42 and y by less than 54).
int rects_collide(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2) {
    const std::int64_t hw1 = half_extent(w1), hh1 = half_extent(h1);
    const std::int64_t hw2 = half_extent(w2), hh2 = half_extent(h2);
    const std::int64_t dx = (x2 + hw2) - (x1 + hw1);
    const std::int64_t dy = (y2 + hh2) - (y1 + hh1);
    return (std::llabs(dx) < hw1 + hw2 && std::llabs(dy) < hh1 + hh2) ? 1 : 0;
}

int bob_placeholder() {
    return 1;
}
