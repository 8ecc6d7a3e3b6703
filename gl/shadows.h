// The props' shadows on the table top, drawn with GL 1.1 from the core's shadow projection.
#pragma once

#include <functional>

struct SceneState;

// In the view frame, after the table top and before the props, when shadows is on: darkens the
// top face once wherever the props that `drawCasters` draws (in the view frame) shadow it from
// light 0, clipped to the face, and leaves the depth buffer as the table left it. Needs no
// stencil buffer: the shadows are stamped into depth just above the face, the face is darkened
// where a stamp lies, then its depth is drawn again. Does nothing when no shadow falls.
void drawTableShadows(const SceneState& state, const std::function<void()>& drawCasters);
