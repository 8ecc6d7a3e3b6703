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

namespace {

void clampZoom(SceneState& state)
{
    if (state.zoom < kMinZoom)
        state.zoom = kMinZoom;
    else if (state.zoom > kMaxZoom)
        state.zoom = kMaxZoom;
}

// Zoom per pixel of vertical drag in zoom mode, and the drag a wheel notch stands for.
constexpr double kZoomPerPixel = 0.0025;
constexpr int kPixelsPerNotch = 20;

}  // namespace

void applyDrag(SceneState& state, int x, int y)
{
    // Products are formed in double precision and added to the float fields.
    const int dx = x - state.lastPointerX;
    state.lastPointerX = x;
    state.rotation[state.horizontalDragAxis] += dx * 0.2;

    const int dy = y - state.lastPointerY;
    if (state.zoomMode)
        state.zoom += dy * kZoomPerPixel;
    else
        state.rotation[state.verticalDragAxis] -= dy * 0.2;
    clampZoom(state);
    state.lastPointerY = y;
}

void applyWheel(SceneState& state, int direction)
{
    // A drag up (negative dy) zooms in, as does the wheel turned away from the user.
    const int dy = direction > 0 ? -kPixelsPerNotch : direction < 0 ? kPixelsPerNotch : 0;
    state.zoom += dy * kZoomPerPixel;
    clampZoom(state);
}

void applyPinch(SceneState& state, float startZoom, double startSpan, double span)
{
    if (!(startSpan > 0) || !(span > 0))
        return;
    state.zoom = static_cast<float>(startZoom * (startSpan / span));
    clampZoom(state);
}

ViewPose viewPoseOf(const SceneState& state)
{
    ViewPose pose;
    for (int i = 0; i < 3; ++i)
        pose.rotation[i] = state.rotation[i];
    pose.zoom = state.zoom;
    pose.spinY = state.spinY;
    return pose;
}

void restoreViewPose(SceneState& state, const ViewPose& pose)
{
    for (int i = 0; i < 3; ++i)
        state.rotation[i] = pose.rotation[i];
    state.zoom = pose.zoom;
    state.spinY = pose.spinY;
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

bool viewIsMoving(const SceneState& state, bool dragMoving)
{
    return dragMoving || state.spinY != 0;
}
