// Shows the nine screen transitions on the intro picture, one after another, for a person to
// watch. Each time the picture is drawn into the primary surface and its palette put back; the
// erasing kinds run with the primary surface locked, writing straight into what is on the screen.
// Run it from the repository's root (it reads images/intro.bmp). Escape stops it early.
#include <cstdio>
#include <cstring>

#include "engine/display/bitmap.h"
#include "engine/display/clock.h"
#include "engine/display/display.h"
#include "engine/display/palette.h"
#include "engine/display/transition.h"
#include "platform/window.h"

namespace {

constexpr const char *picture_path = "images/intro.bmp";
constexpr std::uint32_t pause_ms = 700;

const char *const kind_names[] = {
    "fade to black",         "fade to white", "wipe columns", "wipe rows",     "dissolve pixels",
    "wipe rows and columns", "tint to blue",  "tint to red",  "tint to green",
};

LRESULT demo_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

bool escape_down() {
    return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0;
}

// Keeps the screen as it is for a moment; the platform refreshes it while the clock is read.
void pause() {
    clock_start();
    clock_wait(pause_ms);
}

bool open_display() {
    WNDCLASS window_class{};
    window_class.lpfnWndProc = demo_window_proc;
    window_class.lpszClassName = "TRANSITIONDEMO";
    main_instance = GetModuleHandleA(nullptr);
    window_class.hInstance = main_instance;
    if (RegisterClassA(&window_class) == 0) {
        std::fprintf(stderr, "transition_demo: cannot register the window class\n");
        return false;
    }
    main_window =
        CreateWindowExA(0, "TRANSITIONDEMO", "Dirtwhirl transitions", WS_POPUP | WS_VISIBLE, 0, 0,
                        64, 48, nullptr, nullptr, main_instance, nullptr);
    if (main_window == nullptr) {
        std::fprintf(stderr, "transition_demo: cannot open a window: %s\n", window_last_error());
        return false;
    }
    if (display_init(640, 480, 8) == 0) {
        std::fprintf(stderr, "transition_demo: cannot open the 640 x 480 x 8 display\n");
        return false;
    }
    return true;
}

bool load_picture(BitmapImage *image, PALETTEENTRY *palette) {
    BitmapFile bitmap{};
    if (bitmap_file_load(&bitmap, picture_path) == 0) {
        std::fprintf(stderr, "transition_demo: cannot read %s as a BMP file\n", picture_path);
        return false;
    }
    std::memcpy(palette, bitmap.palette, sizeof bitmap.palette);
    const bool loaded =
        image_create(image, 0, 0, 640, 480) == 1 && image_load_cell(image, &bitmap, 0, 0, 1) == 1;
    bitmap_file_unload(&bitmap);
    if (!loaded)
        std::fprintf(stderr, "transition_demo: %s is not an 8-bit picture of 640 x 480\n",
                     picture_path);
    return loaded;
}

} // namespace

int main() {
    if (!open_display()) {
        display_shutdown();
        return 1;
    }
    BitmapImage picture{};
    PALETTEENTRY palette[256];
    if (!load_picture(&picture, palette)) {
        image_destroy(&picture);
        display_shutdown();
        return 1;
    }

    for (int kind = FADE_TO_BLACK; kind <= TINT_TO_GREEN && !escape_down(); ++kind) {
        std::printf("%d: %s\n", kind, kind_names[kind]);
        std::fflush(stdout);
        palette_set_all(palette);
        BYTE *memory = display_lock_primary();
        image_draw(&picture, memory, primary_pitch, 0);
        const bool erasing = kind >= WIPE_COLUMNS && kind <= WIPE_ROWS_AND_COLUMNS;
        if (!erasing)
            display_unlock_primary();
        pause();
        screen_transition(kind, primary_buffer, primary_pitch);
        display_unlock_primary();
        pause();
    }

    image_destroy(&picture);
    display_shutdown();
    return 0;
}
