// One frame of the race. The track picture is at once what the players see and the map: under
// each moved kart the frame probes the picture's palette indices for wall, finish line and the
// two kinds of terrain, and undoes moves that hit a wall or the other kart.
#include "game/race.h"

#include <cstdio>

#include "engine/display/clock.h"
#include "engine/display/display.h"
#include "engine/display/raster.h"
#include "engine/input/input.h"
#include "engine/sound/sound.h"
#include "game/race_state.h"

const LapRule *race_lap_rule = nullptr;

namespace {

// The keys and counters of one player.
struct Player {
    int number; // 0 for player 1, 1 for player 2
    BOB *kart;
    BYTE right;
    BYTE left;
    BYTE up;
    BYTE down;
    int *laps;
    int *lap_timer;
    int lap_limit; // the lap timer must exceed this for a lap to count
    int *bump_timer;
    int *terrain_timer;
    int *on_terrain;
    int *moved;
    const char *lap_format;
    int lap_text_y;
};

const Player player1{.number = 0,
                     .kart = &kart1,
                     .right = race_keys[0].right,
                     .left = race_keys[0].left,
                     .up = race_keys[0].up,
                     .down = race_keys[0].down,
                     .laps = &player1_laps,
                     .lap_timer = &player1_lap_timer,
                     .lap_limit = player1_lap_limit,
                     .bump_timer = &player1_bump_timer,
                     .terrain_timer = &player1_terrain_timer,
                     .on_terrain = &player1_on_terrain,
                     .moved = &player1_moved,
                     .lap_format = "Player1 lap: %d",
                     .lap_text_y = 340};
const Player player2{.number = 1,
                     .kart = &kart2,
                     .right = race_keys[1].right,
                     .left = race_keys[1].left,
                     .up = race_keys[1].up,
                     .down = race_keys[1].down,
                     .laps = &player2_laps,
                     .lap_timer = &player2_lap_timer,
                     .lap_limit = player2_lap_limit,
                     .bump_timer = &player2_bump_timer,
                     .terrain_timer = &player2_terrain_timer,
                     .on_terrain = &player2_on_terrain,
                     .moved = &player2_moved,
                     .lap_format = "Player2 lap: %d",
                     .lap_text_y = 370};

// The change the keys made to the kart being resolved; kart1's first, then kart2's.
int move_dx = 0;
int move_dy = 0;

bool held(BYTE key) {
    return keyboard_state[key] != 0;
}

// While either turbo key is held, terrain counts for neither kart. On terrain the diagonal step
// equals the straight one.
void choose_steps(Steps &steps1, Steps &steps2) {
    const bool turbo1 = held(race_keys[0].turbo);
    const bool turbo2 = held(race_keys[1].turbo);
    if (turbo1 || turbo2) {
        steps1 = turbo1 ? turbo_steps : plain_steps;
        steps2 = turbo2 ? turbo_steps : plain_steps;
        return;
    }
    steps1 = player1_on_terrain ? terrain_steps : plain_steps;
    steps2 = player2_on_terrain ? terrain_steps : plain_steps;
}

// The first row whose keys are all held applies. On terrain the sequence restarts every frame;
// otherwise a sequence already running goes on.
void apply_keys(const Player &player, const Steps &steps) {
    struct Row {
        BYTE a, b; // b == 0: one key
        int dx, dy;
        int terrain_sequence, sequence;
    };
    const int s = steps.step;
    const int d = steps.diagonal_step;
    const Row rows[] = {
        {player.right, player.up, +d, -d, 0, 1},
        {player.left, player.up, -d, -d, 2, 3},
        {player.left, player.down, -d, +d, 4, 5},
        {player.right, player.down, +d, +d, 6, 7},
        {player.right, 0, +s, 0, 7, 0},
        {player.left, 0, -s, 0, 5, 4},
        {player.up, 0, 0, -s, 1, 2},
        {player.down, 0, 0, +s, 5, 6},
    };
    for (const Row &row : rows) {
        if (!held(row.a) || (row.b != 0 && !held(row.b)))
            continue;
        BOB *kart = player.kart;
        kart->x += row.dx;
        kart->y += row.dy;
        move_dx = row.dx;
        move_dy = row.dy;
        *player.moved = 1;
        if (*player.on_terrain == 1)
            bob_set_animation(kart, row.terrain_sequence);
        else if (kart->curr_anim != row.sequence)
            bob_set_animation(kart, row.sequence);
        return;
    }
}

bool probe(const BOB *kart, int color) {
    return scan_color(kart->x + probe_inset, kart->y + probe_inset,
                      kart->x + kart->width - probe_inset, kart->y + kart->height - probe_inset,
                      color, back_buffer, back_pitch) != 0;
}

bool karts_touch() {
    return kart2.x - contact_distance <= kart1.x && kart1.x <= kart2.x + contact_distance &&
           kart2.y - contact_distance <= kart1.y && kart1.y <= kart2.y + contact_distance;
}

// The documented lap rule, or the one that stands in for it.
bool lap_due(const Player &player) {
    if (race_lap_rule != nullptr)
        return race_lap_rule->due(player.number, *player.lap_timer);
    return *player.lap_timer > player.lap_limit;
}

void bump(const Player &player) {
    if (*player.bump_timer > 10) {
        sound_play(boing_sound, 0);
        *player.bump_timer = 0;
    }
}

// Each undo subtracts the move once and nothing it produces is tested again: a kart that hits a
// wall while touching the other kart ends behind where it started the frame.
void resolve_move(const Player &player) {
    BOB *kart = player.kart;
    bob_animate(kart);
    *player.on_terrain = 0;
    display_lock_back();
    // Without the back buffer's memory there is nothing to probe: the track probes of this kart
    // are skipped for this frame.
    if (back_buffer != nullptr) {
        if (probe(kart, wall_color)) {
            kart->x -= move_dx;
            kart->y -= move_dy;
            bump(player);
        }
        if (race_lap_rule != nullptr)
            race_lap_rule->note(player.number, kart->x, kart->y);
        if (probe(kart, finish_color) && lap_due(player)) {
            ++*player.laps;
            *player.lap_timer = 0;
            if (race_lap_rule != nullptr)
                race_lap_rule->counted(player.number);
        }
        if (probe(kart, turn_color)) {
            *player.on_terrain = 1;
            if (*player.terrain_timer > 20) {
                sound_play(turn_sound, 0);
                *player.terrain_timer = 0;
            }
        } else if (probe(kart, mud_color)) {
            *player.on_terrain = 1;
            if (*player.terrain_timer > 30) {
                sound_play(mud_sound, 0);
                *player.terrain_timer = 0;
            }
        }
    }
    if (karts_touch()) {
        kart->x -= move_dx;
        bump(player);
    }
    if (karts_touch()) {
        kart->y -= move_dy;
        bump(player);
    }
    display_unlock_back();
}

void draw_lap_text(const Player &player) {
    char text[32];
    std::snprintf(text, sizeof text, player.lap_format, *player.laps);
    draw_text_rgb(text, 520, player.lap_text_y, RGB(0, 0, 0), back_surface);
}

} // namespace

int scan_color(int x1, int y1, int x2, int y2, int color, BYTE *buffer, int pitch) {
    if (buffer == nullptr)
        return 0;
    auto clamp = [](int v, int high) { return v < 0 ? 0 : (v > high ? high : v); };
    x1 = clamp(x1, 639);
    x2 = clamp(x2, 639);
    y1 = clamp(y1, 479);
    y2 = clamp(y2, 479);
    const BYTE wanted = static_cast<BYTE>(color);
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x)
            if (buffer[y * pitch + x] == wanted)
                return 1;
    return 0;
}

void race_prepare_texts() {
    const int laps[2] = {player1_laps, player2_laps};
    for (int count = 0; count <= 10; ++count) {
        player1_laps = player2_laps = count;
        draw_lap_text(player1);
        draw_lap_text(player2);
    }
    player1_laps = laps[0];
    player2_laps = laps[1];
    draw_text_rgb("ESC to exit", 530, 440, RGB(0, 0, 0), back_surface);
    display_fill_surface(back_surface, 0);
}

int race_frame() {
    if ((GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0)
        PostMessageA(main_window, WM_DESTROY, 0, 0);
    clock_start();

    display_fill_surface(back_surface, 0);
    display_lock_back();
    image_draw(&track_image, back_buffer, back_pitch, 0);
    display_unlock_back();

    ++player1_lap_timer;
    ++player2_lap_timer;
    ++player1_bump_timer;
    ++player2_bump_timer;
    ++player1_terrain_timer;
    ++player2_terrain_timer;

    if (keyboard_device != nullptr)
        keyboard_device->GetDeviceState(sizeof keyboard_state, keyboard_state);
    player1_moved = 0;
    player2_moved = 0;

    Steps steps1, steps2;
    choose_steps(steps1, steps2);
    apply_keys(player1, steps1);
    if (player1_moved != 0)
        resolve_move(player1);
    apply_keys(player2, steps2);
    if (player2_moved != 0)
        resolve_move(player2);

    bob_draw(&kart1, back_surface);
    bob_draw(&kart2, back_surface);
    draw_lap_text(player1);
    draw_lap_text(player2);
    draw_text_rgb("ESC to exit", 530, 440, RGB(0, 0, 0), back_surface);

    if (player1_laps == 10 || player2_laps == 10)
        return 5;
    display_flip();
    if (player1_moved == 1 || player2_moved == 1)
        sound_play(engine_sound, 0);
    clock_wait(30);
    return 1;
}
