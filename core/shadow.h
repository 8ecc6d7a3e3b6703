// Where the props' shadows fall: the planar projection onto the table top from light 0. No GL.
#pragma once

#include "core/mat4.h"

struct SceneState;

constexpr float kTableTopY = 0.1f;  // world units: the table top's upper face, y = 0.1
// How much of the table's lit colour a shadow takes away: 0.5 halves it.
constexpr float kShadowDarkening = 0.5f;

// The shadow that light 0 casts on the top face, in the view frame (the world as the view
// rotation leaves it, where the props are placed).
struct TableShadow {
    bool falls = false;  // the light is above the top face and the camera sees that face
    Mat4 flatten{};      // multiplied before a prop's own matrix: its shadow on y = kTableTopY
};

// The shadow for `state`'s light (directional when w is 0, positional otherwise) and view
// rotation. The light is set in the camera's frame before the rotation, so it is turned back
// into the view frame first.
TableShadow buildTableShadow(const SceneState& state);

// The light's position (w kept) in the view frame: the inverse of the view rotation applied.
Vec4 lightInViewFrame(const SceneState& state);
