// Arithmetic of the scene window's input, reshape and idle handlers, free of GLUT and GL.
#pragma once

struct SceneState;

struct Viewport {
    int x, y;           // lower-left corner in window pixels
    int width, height;  // always equal: the largest centred square
};

// The largest square that fits the window, centred (integer division).
Viewport squareViewport(int windowWidth, int windowHeight);

// Records the pointer on a left-button press; other buttons and releases change nothing.
void recordPress(SceneState& state, bool leftButton, bool pressed, int x, int y);

// One drag event: 0.2 degree per pixel of horizontal movement about Y; vertically 0.0025
// zoom per pixel in zoom mode, else -0.2 degree per pixel about X; the zoom kept in [0.3, 10].
void applyDrag(SceneState& state, int x, int y);

// `degrees` less whole turns, exactly (fmod): within (-360, 360), its sign kept, so that an
// angle already in that range (every one a drag or a saved picture gives) stays bit-identical
// and the idle step's int conversion can never overflow.
float wrapDegrees(float degrees);

// One notch of the mouse wheel: `direction` +1 (away from the user) zooms in, -1 zooms out, by
// as much as a 20-pixel zoom drag, within the same limits; in either mode.
void applyWheel(SceneState& state, int direction);

// Two fingers on a touch screen: the zoom that started the pinch, scaled as the fingers' span
// (any unit) went from `startSpan` to `span`: spreading them zooms in. Within the zoom's limits,
// in either mode; spans that are not positive change nothing.
void applyPinch(SceneState& state, float startZoom, double startSpan, double span);

// The view that `r` restores: rotation, zoom and the turn about Y as they were at start-up
// (after the command line's settings).
struct ViewPose {
    float rotation[3] = {0.0f, 0.0f, 0.0f};  // degrees about X, Y, Z
    float zoom = 1.0f;
    int spinY = 0;
};
ViewPose viewPoseOf(const SceneState& state);
void restoreViewPose(SceneState& state, const ViewPose& pose);

// A dragging pointer that rests this long, in milliseconds, leaves the view still: its frame
// shows the whole vase again, as does letting go.
constexpr int kViewRestMs = 300;
// Whether the view moves: a drag goes on (`dragMoving`: its pointer moved within kViewRestMs)
// or the view turns about Y. Frames then draw the smaller vase (smallerVaseWanted) and come one
// after another.
bool viewIsMoving(const SceneState& state, bool dragMoving);

// One idle step: the view's turn about Y and the globe's spin, one degree each.
void advanceAnimation(SceneState& state);

constexpr float kMinZoom = 0.3f;
constexpr float kMaxZoom = 10.0f;
