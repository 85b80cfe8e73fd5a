// The pause of the race, between the race loop's message handling and its race frame.
#include "game/additions/pause.h"

#include <cstring>

#include "engine/display/display.h"
#include "engine/display/raster.h"
#include "engine/sound/sound.h"
#include "game/race_state.h"
#include "platform/additions/controls.h"

namespace {

// The longest sleep between two looks at the keys while paused; a key event ends it sooner.
constexpr DWORD pause_wait_ms = 50;

bool paused = false;

} // namespace

void pause_show() {
    sound_stop(engine_sound);
    display_lock_primary();
    display_lock_back();
    if (primary_buffer != nullptr && back_buffer != nullptr)
        for (int y = 0; y < screen_height; ++y)
            std::memcpy(back_buffer + y * back_pitch, primary_buffer + y * primary_pitch,
                        static_cast<std::size_t>(screen_width));
    display_unlock_back();
    display_unlock_primary();
    // In black on the light sign in the infield, where the title asks for the space bar.
    draw_text_rgb("PAUSED", 289, 200, RGB(0, 0, 0), back_surface);
    display_flip();
}

void pause_reset() {
    controls_take_pause();
    controls_take_focus_lost();
    paused = false;
}

int race_paused() {
    const bool toggled = controls_take_pause();
    const bool lost_focus = controls_take_focus_lost();
    if (paused && toggled) {
        paused = false;
        return 0;
    }
    if (!paused && (toggled || lost_focus)) {
        paused = true;
        pause_show();
    }
    if (!paused)
        return 0;
    // As in the race frame: Escape posts the destroy message, which ends the race loop.
    if ((GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0)
        PostMessageA(main_window, WM_DESTROY, 0, 0);
    else
        controls_wait(pause_wait_ms);
    return 1;
}
