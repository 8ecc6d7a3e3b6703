// When a kept picture of the still life less the globe's sphere stops matching the scene. No GL.
#pragma once

#include "core/scene_state.h"
#include "core/view_math.h"

// What a picture of everything but the globe's sphere was drawn from.
struct KeptPictureBasis {
    SceneState state;
    Viewport viewport{0, 0, 0, 0};  // window pixels, as the frame's glViewport
};

// Whether a picture drawn from `kept` differs from one drawn from `now`: true when anything
// that shows changed (settings, textures, light, view, zoom, viewport), false when only the
// globe's angle or state that never shows (animation switches, pointer, window id) did.
bool keptPictureStale(const KeptPictureBasis& kept, const KeptPictureBasis& now);

// Whether a picture kept of everything but the sphere may stand for the rest of a frame: not
// while shadows are on, since the globe's own shadow lies on the table in the kept part.
bool framesMayBeKept(const SceneState& state);
