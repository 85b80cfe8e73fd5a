// How the display is presented on the screen: full screen on the desktop or in a window at the
// start (Alt+Enter switches either way later), and how the 640 x 480 picture is scaled. Both are
// read when the display takes the window.
#pragma once

// Full screen (true, the default) or in a window.
void presentation_start_fullscreen(bool fullscreen);
// The largest 4:3 picture that fits (false, the default) or only whole multiples of the mode.
void presentation_integer_scaling(bool on);
