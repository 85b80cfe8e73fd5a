// Test seams of the platform layer, for tests and tools only (never for the game's logic): a
// virtual clock, injected input, the presented frames, sound on the loopback device, named faults
// and a record of calls. Every one of them is defined in testing.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

// --- Virtual clock -------------------------------------------------------------------------
// From this call on, GetTickCount returns the virtual tick. Each read then adds auto_step ms, so
// a busy wait on the clock ends after (wait / auto_step) reads without real time passing.
void testing_use_virtual_clock(DWORD start, DWORD auto_step);
void testing_set_ticks(DWORD ticks);
void testing_advance_ticks(DWORD ms);
void testing_use_real_clock();

// --- Injected input ------------------------------------------------------------------------
// Pushes a key press or release through the same SDL event path as a real key. scancode is an
// SDL scancode; the key's symbol is derived from it. The event is seen at the next pump.
void testing_key(int scancode, bool down, bool alt = false);
// Pushes a window close request (the close button).
void testing_close_window();
// Pushes a focus loss of the game window.
void testing_focus_lost();
// Push mouse motion, a wheel turn (notches, positive away from the user) or a button change
// (1 left, 2 middle, 3 right, 4 X1) through the same SDL event path as the real mouse.
void testing_mouse_move(int dx, int dy);
void testing_mouse_wheel(int notches);
void testing_mouse_button(int button, bool down);
// Plugs in a virtual joystick (SDL's virtual joystick API) after those already attached; returns
// its number for the calls below, or -1. Values set below are seen after the next poll.
int testing_attach_joystick(const char *name, int axes, int buttons, int hats);
void testing_joystick_axis(int joystick, int axis, int value); // -32768..32767
void testing_joystick_button(int joystick, int button, bool down);
// bits: 1 up, 2 right, 4 down, 8 left; 0 centred.
void testing_joystick_hat(int joystick, int hat, int bits);
void testing_detach_joystick(int joystick); // unplugs it
// Plugs in a virtual joystick with a game controller's layout: its buttons and axes are numbered
// as SDL's SDL_CONTROLLER_BUTTON_* and SDL_CONTROLLER_AXIS_*, for the calls above.
int testing_attach_gamepad(const char *name);

// --- Presented frames ----------------------------------------------------------------------
struct PresentedFrame {
    int width = 0;
    int height = 0;
    std::vector<BYTE> pixels; // width * height palette indices, rows top-down
    PALETTEENTRY palette[256]{};
    unsigned serial = 0; // how many frames were presented before this one, plus one
};
// Frames are kept for testing_last_frame only while capturing is on (off at start).
void testing_capture_frames(bool on);
// The last frame shown on the screen: the primary surface's pixels and the palette at that time.
const PresentedFrame &testing_last_frame();
// Writes a frame as a 24-bit BMP file a person can look at; false when the file can't be written.
bool testing_save_frame(const PresentedFrame &frame, const char *path);
// Called with every presented frame (null to stop); for tests that follow a frame sequence.
// Without pixels (for benchmarks that only time the frames) the frame's pixels stay empty, unless
// frames are captured, and presenting costs no copy of them.
void testing_on_present(void (*callback)(const PresentedFrame &frame, void *user), void *user,
                        bool with_pixels = true);

// --- Presentation cost ---------------------------------------------------------------------
// The two halves of showing the screen, each run on its own for measuring it: the palette
// conversion of the shown surface into the locked streaming texture, and the hand-over of that
// texture to SDL (clear, copy, present). On the window surface path there is no texture: the
// hand-over is the one pass that converts and scales the frame into the window's memory, and its
// update. Nothing happens before a surface has been shown.
void testing_present_convert();
void testing_present_hand_over();
// While on, frames are shown up to the hand-over and no further, so that a frame's own work can
// be measured without it.
void testing_present_without_hand_over(bool on);
// Takes the window again by the path presentation_path chose since, as a new display would, and
// shows what was shown; and the size the hand-over draws at (the window's, in pixels).
void testing_present_reopen();
void testing_present_size(int *width, int *height);

// --- Sound on the loopback device ---------------------------------------------------------
// From the next DirectSoundCreate on, the sound object mixes on OpenAL's loopback device (stereo,
// 32-bit float, at the given rate; 0 goes back to a real device): nothing is heard, and time
// passes only as testing_render_sound mixes it.
void testing_use_loopback_sound(int rate);
// Mixes the next `count` frames (left and right interleaved) into frames; false without a
// loopback device.
bool testing_render_sound(float *frames, int count);

// --- Faults --------------------------------------------------------------------------------
// The named operation ("SetDisplayMode", "CreateSurface", "Lock", "Flip", "CreateWindow",
// "CreateSoundBuffer", "Acquire", ...) fails the next `times` times it is called, after letting
// `skip` calls pass.
void testing_fail(const char *operation, int times = 1, int skip = 0);
void testing_clear_faults();

// --- Record of calls -----------------------------------------------------------------------
// While recording, platform operations append a line each ("IDirectDraw::Release",
// "IDirectSoundBuffer::Play 0 0 1", ...).
void testing_record_calls(bool on);
const std::vector<std::string> &testing_recorded_calls();
void testing_clear_recorded_calls();
