// The input layer: the DirectInput object, the system keyboard, the system mouse and the first
// attached joystick, each read on request into a fixed module-level record. No queue and no
// buffering: a caller reads a device when it wants its current state and then looks at the record.
// The game's set-up and race frame share di_object, keyboard_device and keyboard_state.
#pragma once

#include "platform/input.h"

extern IDirectInput *di_object;
extern IDirectInputDevice *keyboard_device;
extern IDirectInputDevice *mouse_device;
extern IDirectInputDevice2 *joystick_device;

extern BYTE keyboard_state[256]; // by DirectInput key code; 0x80 while down
extern DIMOUSESTATE mouse_state;
extern DIJOYSTATE joystick_state;

extern int joystick_found;     // 1 once joystick_init has succeeded; never cleared
extern char joystick_name[80]; // product name of the joystick found, cut to fit
extern GUID joystick_guid;     // its instance GUID; all zero until one is found

// Creates di_object for main_instance; 1, or 0 when it can't be created.
int input_init();
// Releases di_object and clears the handle.
void input_shutdown();

// Each creates its device, sets the cooperative level (shared, read in the background) and the
// data format and acquires it; 1, or 0 at the first step that fails (the device then stays in its
// handle, unacquired, and its reads return 0).
int keyboard_init();
int mouse_init();
// The first joystick the enumeration offers, with the X and Y axes reported in min..max.
int joystick_init(int min_x, int max_x, int min_y, int max_y);

// 1 when the record was filled with the device's current state, 0 otherwise. Without a device,
// keyboard_read and mouse_read clear their record; joystick_read before a successful
// joystick_init leaves its record alone.
int keyboard_read();
int mouse_read();
int joystick_read();

// Unacquire and release the device and clear its handle, so a later read takes the no-device path.
void keyboard_release();
void mouse_release();
void joystick_release();

// Enumeration callback: keeps the offered device's instance GUID at reference and its product
// name in joystick_name, and stops the enumeration at this first joystick.
BOOL joystick_enum_callback(const DIDEVICEINSTANCEA *instance, void *reference);
