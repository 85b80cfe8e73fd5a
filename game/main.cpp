// The program's skeleton: registers the window class, creates the window, and runs set-up, the
// intro, the title, the race loop, the winner screen and tear-down, in that order.
#include "game/main.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/display/display.h"
#include "engine/display/palette.h"
#include "engine/display/raster.h"
#include "game/computer_driver.h"
#include "game/options.h"
#include "game/pause.h"
#include "game/race.h"
#include "game/replay_drive.h"
#include "game/settings.h"
#include "game/setup.h"
#include "platform/data_paths.h"

BitmapFile load_bitmap;
BitmapImage track_image;
BitmapImage intro_image;
BitmapImage winner1_image;
BitmapImage winner2_image;

BOB kart1;
BOB kart2;
int kart1_animations[8][4] = {{0, 1, 0, 2},     {4, 5, 4, 6},     {8, 9, 8, 10},
                              {12, 13, 12, 14}, {16, 17, 16, 18}, {20, 21, 20, 22},
                              {24, 25, 24, 26}, {28, 29, 28, 30}};
int kart2_animations[8][4] = {{0, 1, 0, 2},     {4, 5, 4, 6},     {8, 9, 8, 10},
                              {12, 13, 12, 14}, {16, 17, 16, 18}, {20, 21, 20, 22},
                              {24, 25, 24, 26}, {28, 29, 28, 30}};

int boing_sound = 0;
int mud_sound = 0;
int turn_sound = 0;
int ice_sound = 0;
int engine_sound = 0;

int player1_laps = 0;
int player2_laps = 0;
int player1_lap_timer = 0;
int player2_lap_timer = 0;
// The first bump of either kart sounds at once; player 2's first terrain sound waits.
int player1_bump_timer = 59;
int player2_bump_timer = 59;
int player1_terrain_timer = 59;
int player2_terrain_timer = 0;
int player1_on_terrain = 0;
int player2_on_terrain = 0;
int player1_moved = 0;
int player2_moved = 0;

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

// Enter keeps the drivers chosen at start-up (two people unless told otherwise); C seats the
// computer in kart 2 against the person in kart 1. The keys are tested before anything is drawn.
void intro_loop() {
    for (;;) {
        if (key_down(VK_RETURN))
            return;
        if (key_down(VK_C)) {
            computer_drives[0] = false;
            computer_drives[1] = true;
            return;
        }
        picture_pass(&intro_image, false);
    }
}

void winner_screen(const char *name, BitmapImage *picture) {
    load_full_screen_picture(data_file(name).c_str(), picture);
    screen_loop(VK_Q, picture, false);
}

// The first candidate folder that holds the data, into data_folder; a note when a folder the user
// named is passed over, and the list of every folder tried when none holds it.
bool choose_data_folder(const std::string &option_folder) {
    const std::vector<DataFolder> candidates = data_folder_candidates(option_folder);
    if (find_data_folder(candidates, data_folder)) {
        for (const DataFolder &candidate : candidates) {
            if (candidate.path == data_folder)
                break;
            if (candidate.named_by_user)
                std::fprintf(
                    stderr, "dirtwhirl: %s (%s) has no images/, cars/ and sounds/; using %s\n",
                    candidate.path.c_str(), candidate.named_by.c_str(), data_folder.c_str());
        }
        return true;
    }
    std::fprintf(stderr,
                 "dirtwhirl: cannot find the game's data (the folders images/, cars/ and sounds/); "
                 "looked in:\n");
    for (const DataFolder &candidate : candidates)
        std::fprintf(stderr, "  %s (%s)\n", candidate.path.c_str(), candidate.named_by.c_str());
    return false;
}

} // namespace

LRESULT window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

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

int race_loop(bool (*after_frame)(int frame_result)) {
    pause_reset();
    for (;;) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (race_paused() != 0)
            continue;
        computer_race_frame();
        const int result = race_frame();
        const bool go_on = after_frame == nullptr || after_frame(result);
        if (result == 5 || !go_on)
            return 0;
    }
}

HWND open_game_window(HINSTANCE instance, std::string *why) {
    WNDCLASS window_class{};
    window_class.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = "WINXCLASS";
    if (RegisterClassA(&window_class) == 0) {
        *why = "cannot register the window class";
        return nullptr;
    }
    HWND window = CreateWindowExA(0, "WINXCLASS", "Dirtwhirl v1.0", WS_POPUP | WS_VISIBLE, 0, 0, 64,
                                  48, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        *why = std::string("cannot open the game window: ") + window_last_error();
        return nullptr;
    }
    main_window = window;
    main_instance = instance;
    return window;
}

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!replay_prepare())
        return 2;
    // A program that cannot start says why and fails, rather than exiting as if all went well.
    std::string why;
    HWND window = open_game_window(instance, &why);
    if (window == nullptr) {
        std::fprintf(stderr, "dirtwhirl: %s\n", why.c_str());
        return 1;
    }

    if (game_init() == 0) {
        game_shutdown();
        DestroyWindow(window);
        return 1;
    }
    // A replay goes straight to its race; a timed demo shows nothing after it either.
    const bool replayed = replay_mode == ReplayMode::play || replay_mode == ReplayMode::timedemo;
    if (!replayed) {
        intro_screen();
        title_screen();
    }
    // A replay hears its recorded keys alone: the computer drives only races that are played.
    const std::uint32_t seed = static_cast<std::uint32_t>(std::rand());
    if (!replayed)
        computer_race_start(seed);
    const int exit_code = replay_race();
    computer_race_end();
    if (replay_mode != ReplayMode::timedemo)
        winner_screen_for_laps();
    game_shutdown();
    DestroyWindow(window);
    return exit_code;
}

int program_main(int argc, char **argv, HINSTANCE instance) {
    Options options;
    switch (parse_options(argc, argv, options, stdout, stderr)) {
    case OptionsResult::exit_ok:
        return 0;
    case OptionsResult::exit_usage:
        return 2;
    case OptionsResult::run:
        break;
    }
    if (!choose_data_folder(options.data_folder))
        return 1;
    chosen_track = options.track;
    replay_mode = options.replay;
    replay_path = options.replay_file;
    settings_start(options.config_file);
    // An option given on the command line goes before the settings file.
    if (options.mode != StartMode::as_settings)
        window_start_fullscreen(options.mode == StartMode::fullscreen);
    if (options.computer[0] || options.computer[1]) {
        computer_drives[0] = options.computer[0];
        computer_drives[1] = options.computer[1];
    }
    if (options.computer_level.has_value())
        computer_level = *options.computer_level;
    return WinMain(instance, nullptr, nullptr, 1);
}
