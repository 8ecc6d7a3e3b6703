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

// How a frame that may come from the kept picture is made.
enum class KeptFrameChoice {
    CopyKept,     // the kept picture copied in, the sphere drawn over it
    DrawAndKeep,  // all but the sphere drawn and kept, the sphere over it
    DrawOnly      // all but the sphere drawn, nothing kept, the sphere over it
};

// The one rule both front ends follow. `keptMatches`: a picture is kept and shows what this
// frame would draw but the sphere; `changed`: this frame shows a change besides the globe from
// the frame before; `lastChanged`: the frame before showed one from its own predecessor.
KeptFrameChoice chooseKeptFrame(bool keptMatches, bool changed, bool lastChanged);
