// Gamepads through SDL's game controller API: each player may have one. Its d-pad and left stick
// steer (eight directions), A or the right trigger is turbo, Start stands for its keys (and
// pauses the race), Back for its key; the game says which keys those are, and the pad holds them
// through the player's key holder, so the race and the screens read them as keys. Controllers are
// taken when plugged in, also later; one unplugged lets go of everything it held.
#pragma once

#include <string>

class KeyHolder;
union SDL_Event;

// Which controller a player gets: the one at this index among those plugged in (player 1 index 0
// and player 2 index 1 unless the settings say otherwise), the one with this GUID, or none. A
// controller that fits no player's index goes to a player whose choice is an index and who has
// none, so a pad plugged in again goes back to the player who lost it.
struct GamepadChoice {
    enum Kind { by_index, by_guid, none } kind = by_index;
    int device_index = 0;
    std::string guid; // as SDL writes it: 32 hexadecimal digits
};

// The DirectInput keys a player's pad holds: steering, turbo, and those of Start and Back.
struct GamepadKeys {
    int right, left, up, down, turbo;
    int start[2];
    int back;
};

// Starts the game controller support with the players' choices, keys and holders: mappings from
// mappings_file when it exists, then the controllers already plugged in. False when SDL has no
// controller support.
bool gamepads_start(const GamepadChoice choices[2], const GamepadKeys keys[2],
                    KeyHolder *holders[2], const char *mappings_file);

namespace platform {

// Inside the platform: the event pump's controller events (plugged, unplugged, buttons, axes).
void gamepad_event(const SDL_Event &event);

} // namespace platform
