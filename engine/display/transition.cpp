// Screen transitions: palette fades and tints through the palette utilities, and erasing effects
// that write palette index 0 into the caller's locked memory through the clipped spans and the
// pixel primitive. Each step waits 12 ms on the frame clock; the transition never flips, so the
// erasing kinds are seen as they run only in the primary surface's memory.
#include "engine/display/transition.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "engine/display/clock.h"
#include "engine/display/display.h"
#include "engine/display/palette.h"
#include "engine/display/raster.h"

namespace {

constexpr std::uint32_t step_ms = 12;
constexpr int fade_to_black_steps = 80;
constexpr int palette_steps = 64;

void wait_one_step() {
    clock_start();
    clock_wait(step_ms);
}

BYTE fall_to_black(BYTE v) {
    return v > 4 ? static_cast<BYTE>(v - 3) : 0;
}
BYTE rise(BYTE v, int by) {
    return static_cast<BYTE>(std::min(v + by, 255));
}
BYTE fall(BYTE v) {
    return static_cast<BYTE>(std::max(v - 4, 0));
}

void change_entry(int kind, PALETTEENTRY &entry) {
    BYTE &r = entry.peRed;
    BYTE &g = entry.peGreen;
    BYTE &b = entry.peBlue;
    switch (kind) {
    case FADE_TO_BLACK:
        r = fall_to_black(r);
        g = fall_to_black(g);
        b = fall_to_black(b);
        break;
    case FADE_TO_WHITE:
        r = rise(r, 4);
        g = rise(g, 4);
        b = rise(b, 4);
        break;
    case TINT_TO_BLUE:
        r = fall(r);
        g = fall(g);
        b = rise(b, 6);
        break;
    case TINT_TO_RED:
        r = rise(r, 6);
        g = fall(g);
        b = fall(b);
        break;
    case TINT_TO_GREEN:
        r = fall(r);
        g = rise(g, 6);
        b = fall(b);
        break;
    }
}

void change_palette(int kind, int steps) {
    // Entry 0 keeps its colour through the fade to black; kept on purpose.
    const int first = kind == FADE_TO_BLACK ? 1 : 0;
    PALETTEENTRY table[256];
    for (int step = 0; step < steps; ++step) {
        palette_save_all(table);
        for (int i = first; i < 256; ++i)
            change_entry(kind, table[i]);
        palette_set_all(table);
        wait_one_step();
    }
}

void erase_column_pair(int i, int width, int height, BYTE *buffer, int pitch) {
    draw_vline(0, height - 1, width - 1 - i, 0, buffer, pitch);
    draw_vline(0, height - 1, i, 0, buffer, pitch);
    draw_vline(0, height - 1, width - 2 - i, 0, buffer, pitch);
    draw_vline(0, height - 1, i + 1, 0, buffer, pitch);
}

void erase_row_pair(int i, int width, int height, BYTE *buffer, int pitch) {
    draw_hline(0, width - 1, height - 1 - i, 0, buffer, pitch);
    draw_hline(0, width - 1, i, 0, buffer, pitch);
    draw_hline(0, width - 1, height - 2 - i, 0, buffer, pitch);
    draw_hline(0, width - 1, i + 1, 0, buffer, pitch);
}

void erase(int kind, BYTE *buffer, int pitch) {
    const int width = screen_width;
    const int height = screen_height;
    // Pixels are written unclipped anywhere in width x height, so the memory must hold a whole
    // screen of rows at least width bytes apart.
    if (buffer == nullptr || width < 1 || height < 1 || pitch < width)
        return;
    switch (kind) {
    case WIPE_COLUMNS:
        for (int i = 0; i < width / 2; i += 2) {
            wait_one_step();
            erase_column_pair(i, width, height, buffer, pitch);
        }
        break;
    case WIPE_ROWS:
        for (int i = 0; i < height / 2; i += 2) {
            wait_one_step();
            erase_row_pair(i, width, height, buffer, pitch);
        }
        break;
    case WIPE_ROWS_AND_COLUMNS:
        if (height / 2 == 0)
            return;
        // The loop runs on the width, so once the rows are all gone they are erased again from
        // the edges; kept on purpose.
        for (int i = 0; i < width / 2; i += 2) {
            wait_one_step();
            erase_row_pair(i % (height / 2), width, height, buffer, pitch);
            erase_column_pair(i, width, height, buffer, pitch);
        }
        break;
    case DISSOLVE_PIXELS: {
        // One pixel more than four screens' worth, with no waiting between them.
        const std::int64_t last = std::int64_t{width} * height * 4;
        for (std::int64_t n = 0; n <= last; ++n) {
            const int y = std::rand() % height;
            const int x = std::rand() % width;
            draw_pixel(x, y, 0, buffer, pitch);
        }
        break;
    }
    }
}

} // namespace

void screen_transition(int kind, BYTE *buffer, int pitch) {
    switch (kind) {
    case FADE_TO_BLACK:
        change_palette(kind, fade_to_black_steps);
        break;
    case FADE_TO_WHITE:
    case TINT_TO_BLUE:
    case TINT_TO_RED:
    case TINT_TO_GREEN:
        change_palette(kind, palette_steps);
        break;
    case WIPE_COLUMNS:
    case WIPE_ROWS:
    case DISSOLVE_PIXELS:
    case WIPE_ROWS_AND_COLUMNS:
        erase(kind, buffer, pitch);
        break;
    default:
        break;
    }
}
