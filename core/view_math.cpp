// Arithmetic of the scene window's input, reshape and idle handlers.
#include "core/view_math.h"

#include <cmath>

#include "core/scene_state.h"

Viewport squareViewport(int windowWidth, int windowHeight)
{
    const int side = windowWidth < windowHeight ? windowWidth : windowHeight;
    return {(windowWidth - side) / 2, (windowHeight - side) / 2, side, side};
}

void recordPress(SceneState& state, bool leftButton, bool pressed, int x, int y)
{
    if (!leftButton || !pressed)
        return;
    state.lastPointerX = x;
    state.lastPointerY = y;
}

void applyDrag(SceneState& state, int x, int y)
{
    // Products are formed in double precision and added to the float fields.
    const int dx = x - state.lastPointerX;
    state.lastPointerX = x;
    state.rotation[state.horizontalDragAxis] += dx * 0.2;

    const int dy = y - state.lastPointerY;
    if (state.zoomMode)
        state.zoom += dy * 0.0025;
    else
        state.rotation[state.verticalDragAxis] -= dy * 0.2;

    if (state.zoom < kMinZoom)
        state.zoom = kMinZoom;
    else if (state.zoom > kMaxZoom)
        state.zoom = kMaxZoom;
    state.lastPointerY = y;
}

void applyKey(SceneState& state, unsigned char key)
{
    switch (key) {
    case 'c': state.cylindricalProjection = 1; break;
    case 's': state.cylindricalProjection = 0; break;
    case 'y': state.spinY = state.spinY ? 0 : 1; break;
    default: break;
    }
}

void advanceAnimation(SceneState& state)
{
    // The fraction a drag left is dropped; C++'s % keeps the dividend's sign, so a
    // negative angle climbs toward 0.
    if (state.spinY)
        state.rotation[1] = static_cast<float>((static_cast<int>(state.rotation[1]) + 1) % 360);
    if (state.spinGlobe == 1)
        state.globeAngle = (state.globeAngle + 1) % 360;
}

float wrapDegrees(float degrees)
{
    return std::fmod(degrees, 360.0f);
}
