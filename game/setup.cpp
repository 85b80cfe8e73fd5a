// Set-up and tear-down of the race.
#include "game/setup.h"

#include <cstdio>

#include "engine/display/display.h"
#include "engine/display/palette.h"
#include "game/main.h"

int load_full_screen_picture(const char *file_name, BitmapImage *image) {
    const int loaded = bitmap_file_load(&load_bitmap, file_name);
    if (loaded != 0) {
        palette_set_all(load_bitmap.palette);
        image_create(image, 0, 0, 640, 480);
        image_load_cell(image, &load_bitmap, 0, 0, 1);
    }
    bitmap_file_unload(&load_bitmap);
    return loaded;
}

int game_init() {
    if (display_init(640, 480, 8) == 0) {
        std::fprintf(stderr, "dirtwhirl: cannot open the 640 x 480 display\n");
        return 0;
    }
    load_full_screen_picture("images/intro.bmp", &intro_image);
    RECT screen{0, 0, screen_width, screen_height};
    main_clipper = display_attach_clipper(back_surface, 1, &screen);
    ShowCursor(FALSE);
    return 1;
}

int game_shutdown() {
    image_destroy(&track_image);
    display_shutdown();
    return 1;
}
