// What the GLUT windows ask of GLX directly: a swap interval, and pictures of a hidden window.
#pragma once

#include <functional>
#include <string>

// Asks the current window's GLX drawable to swap once per display refresh, through
// GLX_EXT_swap_control, GLX_MESA_swap_control or GLX_SGI_swap_control, whichever the GL
// offers; returns the extension used, or an empty string when none is offered (frames are
// then not paced).
std::string askForSwapIntervalOne();

// Runs `draw` with the current window's context made current on a width x height pbuffer of
// the window's own pixel format, then makes the window current again. Returns an empty string,
// or why nothing could be drawn.
std::string drawInWindowPbuffer(int width, int height, const std::function<void()>& draw);
