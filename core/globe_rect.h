// Where on the screen the pieces that turn with the globe can change pixels. No GL.
#pragma once

#include "core/view_math.h"

struct SceneState;

// A rectangle of window pixels, lower-left origin, as glScissor takes it.
struct PixelRect {
    int x = 0, y = 0;
    int width = 0, height = 0;
};

// The window pixels that hold every pixel, every
// sample included, the pieces that turn with the globe can cover, at any globe angle, in a
// frame of `state` drawn into `viewport` with the view's orthographic projection. Within the
// viewport; width or height 0 when none shows. The whole viewport when a piece that turns has
// no bound known here.
PixelRect globeScreenRect(const SceneState& state, const Viewport& viewport);
