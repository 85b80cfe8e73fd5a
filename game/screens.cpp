// The screens around the race: the intro until Enter (or C), the title until the space bar, and
// the winner picture until Q. They poll their key with GetAsyncKeyState and read no messages.
#include "game/screens.h"

#include "engine/display/display.h"
#include "engine/display/raster.h"
#include "game/race_state.h"
#include "game/setup.h"

bool intro_chose_computer = false;

namespace {

constexpr int VK_C = 0x43;
constexpr int VK_Q = 0x51;

bool key_down(int virtual_key) {
    return (GetAsyncKeyState(virtual_key) & 0x8000) != 0;
}

// One pass of a screen: the picture, opaque, into the back buffer; the title's texts; a flip.
void picture_pass(BitmapImage *picture, bool title_texts) {
    display_fill_surface(back_surface, 0);
    display_lock_back();
    image_draw(picture, back_buffer, back_pitch, 0);
    display_unlock_back();
    if (title_texts) {
        draw_text_rgb("Pellowind - 10", 255, 10, RGB(255, 255, 255), back_surface);
        draw_text_rgb("PRESS SPACEBAR TO GO!", 220, 200, RGB(0, 0, 0), back_surface);
    }
    display_flip();
}

// The key is tested before anything is drawn: a key already down ends the screen at once.
void screen_loop(int virtual_key, BitmapImage *picture, bool title_texts) {
    while (!key_down(virtual_key))
        picture_pass(picture, title_texts);
}

// Enter keeps the drivers chosen at start-up (two people unless told otherwise); C asks for the
// computer in kart 2 against the person in kart 1. The keys are tested before anything is drawn.
void intro_loop() {
    intro_chose_computer = false;
    for (;;) {
        if (key_down(VK_RETURN))
            return;
        if (key_down(VK_C)) {
            intro_chose_computer = true;
            return;
        }
        picture_pass(&intro_image, false);
    }
}

void winner_screen(const char *name, BitmapImage *picture) {
    load_full_screen_picture(data_file(name).c_str(), picture);
    screen_loop(VK_Q, picture, false);
}

} // namespace

int intro_screen() {
    intro_loop();
    player1_laps = 0;
    player2_laps = 0;
    player1_lap_timer = 0;
    player2_lap_timer = 0;
    return 1;
}

int title_screen() {
    screen_loop(VK_SPACE, &track_image, true);
    return 1;
}

int winner1_screen() {
    winner_screen("images/win1.bmp", &winner1_image);
    return 1;
}

int winner2_screen() {
    winner_screen("images/win2.bmp", &winner2_image);
    return 1;
}

int winner_screen_for_laps() {
    return player1_laps > player2_laps ? winner1_screen() : winner2_screen();
}
