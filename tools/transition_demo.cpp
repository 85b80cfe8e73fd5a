// Shows the nine screen transitions on the intro picture, one after another, for a person to
// watch. Each time the picture is drawn into the primary surface and its palette put back; the
// erasing kinds run with the primary surface locked, writing straight into what is on the screen.
// It reads images/intro.bmp from the game's data folder, found as the game finds it (--data DIR,
// DIRTWHIRL_DATA, the installed data, the working directory). Escape stops it early.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/display/bitmap.h"
#include "engine/display/clock.h"
#include "engine/display/display.h"
#include "engine/display/palette.h"
#include "engine/display/transition.h"
#include "platform/additions/user_folders.h"
#include "platform/window.h"

namespace {

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

// The intro picture's path in the first folder that holds the game's data; empty when none does.
std::string find_picture(const std::string &option_folder) {
    const std::vector<DataFolder> candidates = data_folder_candidates(option_folder);
    std::string folder;
    if (find_data_folder(candidates, folder))
        return folder + "/images/intro.bmp";
    std::fprintf(stderr, "transition_demo: cannot find the game's data; looked in:\n");
    for (const DataFolder &candidate : candidates)
        std::fprintf(stderr, "  %s (%s)\n", candidate.path.c_str(), candidate.named_by.c_str());
    return {};
}

bool load_picture(const std::string &path, BitmapImage *image, PALETTEENTRY *palette) {
    BitmapFile bitmap{};
    const std::string problem = file_problem(path);
    if (!problem.empty() || bitmap_file_load(&bitmap, path.c_str()) == 0) {
        std::fprintf(stderr, "transition_demo: %s: %s\n", path.c_str(),
                     problem.empty() ? "not a BMP picture it can read" : problem.c_str());
        return false;
    }
    std::memcpy(palette, bitmap.palette, sizeof bitmap.palette);
    const bool loaded =
        image_create(image, 0, 0, 640, 480) == 1 && image_load_cell(image, &bitmap, 0, 0, 1) == 1;
    bitmap_file_unload(&bitmap);
    if (!loaded)
        std::fprintf(stderr, "transition_demo: %s is not an 8-bit picture of 640 x 480\n",
                     path.c_str());
    return loaded;
}

} // namespace

int main(int argc, char **argv) {
    const bool data_named = argc == 3 && std::strcmp(argv[1], "--data") == 0;
    if (argc != 1 && !data_named) {
        std::fprintf(stderr, "usage: transition_demo [--data DIR]\n");
        return 2;
    }
    const std::string picture_path = find_picture(data_named ? argv[2] : "");
    if (picture_path.empty())
        return 1;
    if (!open_display()) {
        display_shutdown();
        return 1;
    }
    BitmapImage picture{};
    PALETTEENTRY palette[256];
    if (!load_picture(picture_path, &picture, palette)) {
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
