// Gamepads: controller events become the keys of their player's key holder.
#include "platform/additions/gamepads.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/additions/controls.h"
#include "platform/file.h"

namespace {

constexpr int stick_dead_zone = 8000; // of 32767: a stick at rest never steers
constexpr int trigger_threshold = 8000;
// Many times the largest mappings file in use; more is not a mappings file.
constexpr std::uint64_t max_mappings_bytes = 4u << 20;

struct Pad {
    SDL_GameController *controller = nullptr;
    SDL_JoystickID id = -1;
    bool buttons[SDL_CONTROLLER_BUTTON_MAX]{};
    int axes[SDL_CONTROLLER_AXIS_MAX]{};
};

GamepadChoice choices[2];
GamepadKeys player_keys[2];
KeyHolder *player_holders[2] = {nullptr, nullptr};
Pad pads[2];

// The keys the pad's buttons and axes stand for, each held or let go through the player's source.
// Steering from the stick follows the nearest of the eight directions (borders at slopes 0.4 and
// 2.5) once it leaves the dead zone.
void hold_keys(int player) {
    const Pad &pad = pads[player];
    const GamepadKeys &keys = player_keys[player];
    KeyHolder *holder = player_holders[player];
    if (holder == nullptr)
        return;
    const int x = pad.axes[SDL_CONTROLLER_AXIS_LEFTX];
    const int y = pad.axes[SDL_CONTROLLER_AXIS_LEFTY];
    const bool stick = x * x + y * y > stick_dead_zone * stick_dead_zone;
    const bool stick_x = stick && 5 * std::abs(x) > 2 * std::abs(y);
    const bool stick_y = stick && 5 * std::abs(y) > 2 * std::abs(x);
    const auto button = [&pad](SDL_GameControllerButton b) { return pad.buttons[b]; };
    const auto hold = [holder](int dik, bool down) { holder->hold(dik, down); };
    hold(keys.right, button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT) || (stick_x && x > 0));
    hold(keys.left, button(SDL_CONTROLLER_BUTTON_DPAD_LEFT) || (stick_x && x < 0));
    hold(keys.up, button(SDL_CONTROLLER_BUTTON_DPAD_UP) || (stick_y && y < 0));
    hold(keys.down, button(SDL_CONTROLLER_BUTTON_DPAD_DOWN) || (stick_y && y > 0));
    hold(keys.turbo, button(SDL_CONTROLLER_BUTTON_A) ||
                         pad.axes[SDL_CONTROLLER_AXIS_TRIGGERRIGHT] > trigger_threshold);
    for (int key : keys.start)
        hold(key, button(SDL_CONTROLLER_BUTTON_START));
    hold(keys.back, button(SDL_CONTROLLER_BUTTON_BACK));
}

int player_of(SDL_JoystickID id) {
    for (int player = 0; player < 2; ++player)
        if (pads[player].controller != nullptr && pads[player].id == id)
            return player;
    return -1;
}

// The player a newly seen controller goes to: one whose GUID it has, else one whose index it is,
// else the first one waiting for any controller; -1 for none.
int player_for(int device_index) {
    char guid[33];
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(device_index), guid, sizeof guid);
    const auto free = [](int player) { return pads[player].controller == nullptr; };
    for (int player = 0; player < 2; ++player)
        if (free(player) && choices[player].kind == GamepadChoice::by_guid &&
            SDL_strcasecmp(choices[player].guid.c_str(), guid) == 0)
            return player;
    for (int player = 0; player < 2; ++player)
        if (free(player) && choices[player].kind == GamepadChoice::by_index &&
            choices[player].device_index == device_index)
            return player;
    for (int player = 0; player < 2; ++player)
        if (free(player) && choices[player].kind == GamepadChoice::by_index)
            return player;
    return -1;
}

void offer(int device_index) {
    if (!SDL_IsGameController(device_index) ||
        player_of(SDL_JoystickGetDeviceInstanceID(device_index)) >= 0)
        return;
    const int player = player_for(device_index);
    if (player < 0)
        return;
    SDL_GameController *controller = SDL_GameControllerOpen(device_index);
    if (controller == nullptr)
        return;
    Pad &pad = pads[player];
    pad = Pad{};
    pad.controller = controller;
    pad.id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b)
        pad.buttons[b] = SDL_GameControllerGetButton(controller, SDL_GameControllerButton(b)) != 0;
    for (int a = 0; a < SDL_CONTROLLER_AXIS_MAX; ++a)
        pad.axes[a] = SDL_GameControllerGetAxis(controller, SDL_GameControllerAxis(a));
    hold_keys(player);
}

void offer_all() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        offer(i);
}

} // namespace

bool gamepads_start(const GamepadChoice new_choices[2], const GamepadKeys keys[2],
                    KeyHolder *holders[2], const char *mappings_file) {
    for (int player = 0; player < 2; ++player) {
        choices[player] = new_choices[player];
        player_keys[player] = keys[player];
        player_holders[player] = holders[player];
    }
    // Pads are read whether or not the window has the focus, as the keyboard device is.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        return false;
    // Read by us, not by SDL: SDL would wait on a pipe and read a file of any size whole.
    std::vector<BYTE> mappings;
    const std::string why = mappings_file == nullptr
                                ? "not found"
                                : read_file_checked(mappings_file, mappings, max_mappings_bytes);
    if (why.empty() && !mappings.empty()) {
        if (SDL_RWops *bytes =
                SDL_RWFromConstMem(mappings.data(), static_cast<int>(mappings.size())))
            SDL_GameControllerAddMappingsFromRW(bytes, 1);
    } else if (why != "not found") {
        std::fprintf(stderr, "dirtwhirl: %s: %s; using the built-in gamepad mappings\n",
                     mappings_file, why.c_str());
    }
    offer_all();
    return true;
}

namespace platform {

void gamepad_event(const SDL_Event &event) {
    switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
        offer(event.cdevice.which);
        return;
    case SDL_CONTROLLERDEVICEREMOVED: {
        const int player = player_of(event.cdevice.which);
        if (player < 0)
            return;
        if (player_holders[player] != nullptr)
            player_holders[player]->release_all();
        SDL_GameControllerClose(pads[player].controller);
        pads[player] = Pad{};
        offer_all(); // another controller waiting may take its place
        return;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        const int player = player_of(event.cbutton.which);
        if (player < 0 || event.cbutton.button >= SDL_CONTROLLER_BUTTON_MAX)
            return;
        const bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
        pads[player].buttons[event.cbutton.button] = down;
        if (down && event.cbutton.button == SDL_CONTROLLER_BUTTON_START)
            controls_press_pause();
        hold_keys(player);
        return;
    }
    case SDL_CONTROLLERAXISMOTION: {
        const int player = player_of(event.caxis.which);
        if (player < 0 || event.caxis.axis >= SDL_CONTROLLER_AXIS_MAX)
            return;
        pads[player].axes[event.caxis.axis] = event.caxis.value;
        hold_keys(player);
        return;
    }
    default:
        return;
    }
}

} // namespace platform
