// An OpenGL context with no window and no X server: an EGL pbuffer, for pictures and benchmarks.
#pragma once

#include <string>

struct OffscreenResult {
    bool ok = false;
    std::string description;  // e.g. "EGL 1.5, surfaceless display, 500x500 pbuffer"
    std::string message;      // one line saying why no context could be made
    int samples = 0;          // samples a pixel the surface has (0: not multisampled)
};

// Makes a desktop-GL context current on a width x height RGB pbuffer with a 24-bit depth
// buffer. Tries the default display, then each EGL device (a GPU without a window system),
// then Mesa's surfaceless platform. The context lives until the process ends. With `samples`
// (2, 4 or 8) it asks for a multisampled surface, falling back to fewer samples, then none.
OffscreenResult openOffscreenContext(int width, int height, int samples = 0);
