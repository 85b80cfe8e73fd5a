// The race frame.
#include "game/race.h"

#include "engine/display/clock.h"
#include "engine/display/display.h"
#include "game/main.h"

int race_frame() {
    if ((GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0)
        PostMessageA(main_window, WM_DESTROY, 0, 0);
    clock_start();
    display_fill_surface(back_surface, 0);
    display_lock_back();
    image_draw(&track_image, back_buffer, back_pitch, 0);
    display_unlock_back();
    display_flip();
    clock_wait(30);
    return 1;
}
