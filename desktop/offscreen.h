// An OpenGL context with no window and no X server: an EGL pbuffer, for pictures and benchmarks.
#pragma once

#include <string>

struct OffscreenResult {
    bool ok = false;
    std::string description;  // e.g. "EGL 1.5, surfaceless display, 500x500 pbuffer"
    std::string message;      // one line saying why no context could be made
};

// Makes a desktop-GL context current on a width x height RGB pbuffer with a 24-bit depth
// buffer. Tries the default display, then each EGL device (a GPU without a window system),
// then Mesa's surfaceless platform. The context lives until the process ends.
OffscreenResult openOffscreenContext(int width, int height);
