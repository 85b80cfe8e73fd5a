// Set-up and tear-down of the race: the display, the keyboard, a random track, the intro picture,
// both karts with their frames and sequences, the five sounds, the clipper and the hidden cursor.
// A picture or car file that is missing or unreadable stops the program before the intro with a
// message that names it; a missing sound only costs that sound.
#include "game/setup.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "engine/display/display.h"
#include "engine/display/palette.h"
#include "engine/input/input.h"
#include "engine/sound/sound.h"
#include "engine/sound/sound_load.h"
#include "game/main.h"
#include "game/race.h"

namespace {

constexpr int kart_width = 56;
constexpr int kart_height = 72;
constexpr int kart_frames = 32;
constexpr DWORD sound_controls = 0xE0; // frequency, pan and volume control

bool fail(const char *what) {
    std::fprintf(stderr, "dirtwhirl: %s\n", what);
    return false;
}

bool fail_file(const char *file_name, const char *what) {
    std::fprintf(stderr, "dirtwhirl: %s: %s\n", file_name, what);
    return false;
}

bool open_keyboard() {
    if (DirectInputCreateA(main_instance, 0x0500, &di_object, nullptr) != DI_OK)
        return fail("cannot open the input devices");
    if (di_object->CreateDevice(GUID_SysKeyboard, &keyboard_device, nullptr) != DI_OK ||
        keyboard_device->SetCooperativeLevel(main_window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND) !=
            DI_OK ||
        keyboard_device->SetDataFormat(&c_dfDIKeyboard) != DI_OK ||
        keyboard_device->Acquire() != DI_OK)
        return fail("cannot open the keyboard");
    return true;
}

// Frames 4i to 4i + 3 from the four cells of car file i; sequence i from the table.
bool build_kart(BOB *kart, const char *file_pattern, int animations[8][4], int x, int y) {
    if (bob_create(kart, 0, 0, kart_width, kart_height, kart_frames, BOB_SHOWN | BOB_SEQUENCES,
                   DDSCAPS_SYSTEMMEMORY) == 0)
        return fail("cannot create the karts");
    static const int cells[4][2] = {{0, 0}, {1, 0}, {2, 0}, {0, 1}};
    for (int i = 0; i < 8; ++i) {
        char file_name[32];
        std::snprintf(file_name, sizeof file_name, file_pattern, i);
        if (bitmap_file_load(&load_bitmap, file_name) == 0)
            return fail_file(file_name, "missing or not a readable BMP picture");
        bool cells_loaded = load_bitmap.info_header.biBitCount == 8;
        for (int c = 0; c < 4 && cells_loaded; ++c)
            cells_loaded =
                bob_load_frame(kart, &load_bitmap, 4 * i + c, cells[c][0], cells[c][1], 0) != 0;
        bitmap_file_unload(&load_bitmap);
        if (!cells_loaded)
            return fail_file(file_name, "not an 8-bit grid of four 56 x 72 cells");
        bob_load_animation(kart, i, 4, animations[i]);
    }
    bob_set_animation(kart, 0);
    bob_set_anim_speed(kart, 4);
    bob_set_velocity(kart, 0, 0);
    bob_set_position(kart, x, y);
    return true;
}

// The winner pictures are shown only after the race; they are checked now, so that a missing one
// stops the program before the race rather than leaving a blank screen at its end.
bool check_picture(const char *file_name) {
    const int loaded = bitmap_file_load(&load_bitmap, file_name);
    const bool fits = loaded != 0 && load_bitmap.info_header.biBitCount == 8 &&
                      load_bitmap.info_header.biWidth >= 640 &&
                      load_bitmap.info_header.biHeight >= 480;
    bitmap_file_unload(&load_bitmap);
    if (loaded == 0)
        return fail_file(file_name, "missing or not a readable BMP picture");
    if (!fits)
        return fail_file(file_name, "not an 8-bit picture of 640 x 480");
    return true;
}

void load_sounds() {
    struct Wanted {
        const char *file_name;
        int *slot;
    };
    const Wanted wanted[] = {{"sounds/boing.wav", &boing_sound},
                             {"sounds/mud.wav", &mud_sound},
                             {"sounds/turn.wav", &turn_sound},
                             {"sounds/ice.wav", &ice_sound},
                             {"sounds/engine.wav", &engine_sound}};
    for (const Wanted &sound : wanted) {
        *sound.slot = sound_load_wav(sound.file_name, sound_controls);
        if (*sound.slot < 0 && ds_object != nullptr)
            std::fprintf(stderr, "dirtwhirl: %s: missing or unreadable; playing without it\n",
                         sound.file_name);
    }
}

bool init() {
    if (display_init(640, 480, 8) == 0)
        return fail("cannot open the 640 x 480 display");
    if (!open_keyboard())
        return false;

    if (race_track < 0) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        race_track = std::rand() % 3;
    }
    char track_name[32];
    std::snprintf(track_name, sizeof track_name, "images/track%d.bmp", race_track);
    if (load_full_screen_picture(track_name, &track_image) == 0)
        return fail_file(track_name, "missing or not an 8-bit picture of 640 x 480");
    // The intro's palette stays in effect for the intro, the title and the whole race.
    if (load_full_screen_picture("images/intro.bmp", &intro_image) == 0)
        return fail_file("images/intro.bmp", "missing or not an 8-bit picture of 640 x 480");
    if (!check_picture("images/win1.bmp") || !check_picture("images/win2.bmp"))
        return false;

    if (!build_kart(&kart1, "cars/car1%d.BMP", kart1_animations, 235, 70) ||
        !build_kart(&kart2, "cars/car2%d.BMP", kart2_animations, 235, 23))
        return false;

    if (sound_init() == 0 || ds_object == nullptr)
        std::fprintf(stderr, "dirtwhirl: no audio device; playing without sound\n");
    load_sounds();

    RECT screen{0, 0, screen_width, screen_height};
    main_clipper = display_attach_clipper(back_surface, 1, &screen);
    race_prepare_texts();
    ShowCursor(FALSE);
    return true;
}

} // namespace

int race_track = -1;

int load_full_screen_picture(const char *file_name, BitmapImage *image) {
    int loaded = bitmap_file_load(&load_bitmap, file_name);
    // Anything but an 8-bit picture of at least the screen's size would be cut out of memory
    // that is not there.
    if (loaded != 0 &&
        (load_bitmap.info_header.biBitCount != 8 || load_bitmap.info_header.biWidth < 640 ||
         load_bitmap.info_header.biHeight < 480))
        loaded = 0;
    if (loaded != 0) {
        palette_set_all(load_bitmap.palette);
        image_destroy(image);
        image_create(image, 0, 0, 640, 480);
        image_load_cell(image, &load_bitmap, 0, 0, 1);
    }
    bitmap_file_unload(&load_bitmap);
    return loaded;
}

int game_init() {
    return init() ? 1 : 0;
}

// Releases whatever exists, so that it also tears down after a set-up that stopped half-way.
int game_shutdown() {
    image_destroy(&track_image);
    image_destroy(&intro_image);
    image_destroy(&winner1_image);
    image_destroy(&winner2_image);
    bob_destroy(&kart1);
    bob_destroy(&kart2);
    keyboard_release();
    input_shutdown();
    display_shutdown();
    sound_shutdown();
    return 1;
}
