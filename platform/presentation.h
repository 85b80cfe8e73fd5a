// How the display is presented on the screen: full screen on the desktop or in a window at the
// start (Alt+Enter switches either way later), how the 640 x 480 picture is scaled, and through
// what it reaches the window. All are read when the display takes the window.
#pragma once

// Full screen (true, the default) or in a window.
void presentation_start_fullscreen(bool fullscreen);
// The largest 4:3 picture that fits (false, the default) or only whole multiples of the mode.
void presentation_integer_scaling(bool on);

// Through SDL's renderer, or converted straight into the window's own surface, which costs less
// than a renderer that scales in software. automatic (the default): the surface where the
// renderer SDL gives is not accelerated, the renderer elsewhere.
enum class PresentationPath { automatic, surface, renderer };
void presentation_path(PresentationPath path);
// "auto", "surface" or "renderer"; false for any other name.
bool presentation_path_from_name(const char *name, PresentationPath *path);
