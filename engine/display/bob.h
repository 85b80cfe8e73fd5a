// BOBs, the library's sprites: a rectangle of pixels with up to 64 frames, each in an off-screen
// surface of its own keyed on palette index 0, up to 16 animation sequences, a position, a
// velocity and attribute bits that choose how it animates, whether it is drawn and how it moves.
// Frames are filled from cells of a loaded 8-bit bitmap and drawn with a keyed blit, clipped by
// the destination's clipper.
#pragma once

#include <cstdint>

#include "engine/display/bitmap.h"
#include "platform/display.h"

constexpr int BOB_MAX_FRAMES = 64;
constexpr int BOB_MAX_ANIMATIONS = 16;
constexpr int BOB_USER_WORDS = 32;

// Attribute bits. The first of BOB_STILL, BOB_CYCLE_FRAMES and BOB_SEQUENCES that is set chooses
// how bob_animate steps; BOB_WRAP_EDGES wins over BOB_REBOUND.
constexpr int BOB_STILL = 0x01;
constexpr int BOB_CYCLE_FRAMES = 0x02;
constexpr int BOB_SEQUENCES = 0x04;
constexpr int BOB_PLAY_ONCE = 0x08;
constexpr int BOB_SHOWN = 0x10;
constexpr int BOB_REBOUND = 0x20;
constexpr int BOB_WRAP_EDGES = 0x40;
constexpr int BOB_HAS_FRAMES = 0x80;
constexpr int BOB_IS_COPY = 0x100;

// The caller owns the record; the frame surfaces and sequence arrays belong to it (a copy made
// by bob_clone shares its source's and owns none).
struct BOB {
    int state;      // 1 after bob_create
    int anim_state; // 1 once a play-once sequence has ended
    int attr;
    int x;
    int y;
    int vx;
    int vy;
    int width;
    int height;
    int width_fill; // added to width so that frame surfaces are a multiple of 8 pixels wide
    int counter_1;
    int counter_2;
    int counter_3;
    int counter_4;
    std::uint32_t user_words[BOB_USER_WORDS]; // the caller's; the library never touches them
    int curr_frame;
    int frame_count;
    int curr_anim;
    int anim_tick;                              // bob_animate calls since the last step
    int anim_pos;                               // position within the current sequence
    int anim_delay;                             // bob_animate calls per step
    int *anims[BOB_MAX_ANIMATIONS];             // frame indices ending with -1
    IDirectDrawSurface *frames[BOB_MAX_FRAMES]; // one off-screen surface per frame
};

int bob_create(BOB *bob, int x, int y, int width, int height, int frame_count, int attr,
               DWORD mem_caps);
int bob_destroy(BOB *bob);
int bob_destroy_or_detach(BOB *bob);
int bob_clone(const BOB *source, BOB *dest);
int bob_draw(const BOB *bob, IDirectDrawSurface *dest);
int bob_draw_scaled(const BOB *bob, int draw_width, int draw_height, IDirectDrawSurface *dest);
// Mode 0 takes (cx, cy) as a cell of a grid with 1-pixel borders; any other mode as pixels.
int bob_load_frame(BOB *bob, const BitmapFile *bitmap, int frame, int cx, int cy, int mode);
int bob_load_animation(BOB *bob, int anim_index, int entry_count, const int *entries);
int bob_animate(BOB *bob);
int bob_move(BOB *bob);
int bob_set_position(BOB *bob, int x, int y);
int bob_set_velocity(BOB *bob, int vx, int vy);
int bob_set_anim_speed(BOB *bob, int delay);
int bob_set_animation(BOB *bob, int anim_index);
int bob_hide(BOB *bob);
int bob_show(BOB *bob);
int bob_collide(const BOB *a, const BOB *b);
int rects_collide(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2);
int bob_placeholder();
