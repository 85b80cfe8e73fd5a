// Set-up and tear-down of the race: the display, the keyboard, a random track, the intro picture,
// both karts with their frames and sequences, the five sounds, the clipper and the hidden cursor.
// A picture or car file that is missing or unreadable stops the program before the intro with a
// message that names its full path and why; a missing sound only costs that sound.
#include "game/setup.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "engine/display/display.h"
#include "engine/display/palette.h"
#include "engine/input/input.h"
#include "engine/sound/sound.h"
#include "engine/sound/sound_load.h"
#include "game/race.h"
#include "game/race_state.h"
#include "platform/additions/user_folders.h"
#include "platform/sound.h"

std::string data_folder;
int chosen_track = -1;
std::string chosen_track_file;
int race_track = -1;

namespace {

constexpr int kart_frames = 32;
constexpr DWORD sound_controls = 0xE0; // frequency, pan and volume control

bool fail(const char *what) {
    std::fprintf(stderr, "dirtwhirl: %s\n", what);
    return false;
}

bool fail_file(const std::string &file_name, const std::string &why) {
    std::fprintf(stderr, "dirtwhirl: %s: %s\n", full_path(file_name).c_str(), why.c_str());
    return false;
}

// Loads the file into load_bitmap when it is an 8-bit picture of at least the screen's size;
// otherwise load_bitmap is left empty and the reason, in words, is returned.
std::string load_screen_bitmap(const char *file_name) {
    std::string problem = file_problem(file_name);
    if (!problem.empty())
        return problem;
    if (bitmap_file_load(&load_bitmap, file_name) == 0) {
        bitmap_file_unload(&load_bitmap);
        return "not a BMP picture the game can read";
    }
    // Anything but an 8-bit picture of at least the screen's size would be cut out of memory
    // that is not there.
    if (load_bitmap.info_header.biBitCount != 8 || load_bitmap.info_header.biWidth < 640 ||
        load_bitmap.info_header.biHeight < 480) {
        bitmap_file_unload(&load_bitmap);
        return "not an 8-bit picture of at least 640 x 480";
    }
    return {};
}

// The picture's palette in effect and the picture in image; the reason when it cannot be.
std::string load_screen_picture(const char *file_name, BitmapImage *image) {
    std::string problem = load_screen_bitmap(file_name);
    if (!problem.empty())
        return problem;
    palette_set_all(load_bitmap.palette);
    image_destroy(image);
    image_create(image, 0, 0, 640, 480);
    image_load_cell(image, &load_bitmap, 0, 0, 1);
    bitmap_file_unload(&load_bitmap);
    return {};
}

bool load_picture_or_fail(const char *name, BitmapImage *image) {
    const std::string file_name = data_file(name);
    const std::string problem = load_screen_picture(file_name.c_str(), image);
    return problem.empty() || fail_file(file_name, problem);
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
        char name[32];
        std::snprintf(name, sizeof name, file_pattern, i);
        const std::string file_name = data_file(name);
        const std::string problem = file_problem(file_name);
        if (!problem.empty())
            return fail_file(file_name, problem);
        if (bitmap_file_load(&load_bitmap, file_name.c_str()) == 0) {
            bitmap_file_unload(&load_bitmap);
            return fail_file(file_name, "not a BMP picture the game can read");
        }
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
bool check_picture(const char *name) {
    const std::string file_name = data_file(name);
    const std::string problem = load_screen_bitmap(file_name.c_str());
    bitmap_file_unload(&load_bitmap);
    return problem.empty() || fail_file(file_name, problem);
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
        const std::string file_name = data_file(sound.file_name);
        *sound.slot = sound_load_wav(file_name.c_str(), sound_controls);
        if (*sound.slot < 0 && ds_object != nullptr) {
            std::string problem = file_problem(file_name);
            if (problem.empty())
                problem = "not a WAV sound the game can play";
            std::fprintf(stderr, "dirtwhirl: %s: %s; playing without it\n",
                         full_path(file_name).c_str(), problem.c_str());
        }
    }
}

bool init() {
    sound_open_device_early(); // taken by sound_init below; the display starts meanwhile
    if (display_init(640, 480, 8) == 0)
        return fail("cannot open the 640 x 480 display");
    if (!open_keyboard())
        return false;

    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const int drawn_track = std::rand() % 3;
    const int track_index = chosen_track >= 0 && chosen_track < 3 ? chosen_track : drawn_track;
    char track_name[32];
    std::snprintf(track_name, sizeof track_name, "images/track%d.bmp", track_index);
    if (!chosen_track_file.empty()) {
        race_track = -1;
        const std::string problem = load_screen_picture(chosen_track_file.c_str(), &track_image);
        if (!problem.empty())
            return fail_file(chosen_track_file, problem);
    } else {
        race_track = track_index;
        if (!load_picture_or_fail(track_name, &track_image))
            return false;
    }
    // The intro's palette stays in effect for the intro, the title and the whole race.
    if (!load_picture_or_fail("images/intro.bmp", &intro_image))
        return false;
    if (!check_picture("images/win1.bmp") || !check_picture("images/win2.bmp"))
        return false;

    if (!build_kart(&kart1, "cars/car1%d.BMP", kart1_animations, kart1_start_x, kart1_start_y) ||
        !build_kart(&kart2, "cars/car2%d.BMP", kart2_animations, kart2_start_x, kart2_start_y))
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

std::string data_file(const char *name) {
    return data_folder.empty() ? std::string(name) : data_folder + "/" + name;
}

int load_full_screen_picture(const char *file_name, BitmapImage *image) {
    return load_screen_picture(file_name, image).empty() ? 1 : 0;
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
