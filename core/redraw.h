// What keeps the scene drawing frame after frame, and what the panel's status line says. No GL.
#pragma once

#include <cstddef>
#include <string>

struct SceneState;

// Whether the scene changes by itself from one frame to the next: the globe's spin or the turn
// about Y. Only then are frames drawn one after another; otherwise a frame is drawn when
// something visible changes (a setting, a drag, a key, a resize or expose).
bool sceneAnimating(const SceneState& state);

// Whether the next animation step may be taken: only once the previous one has been drawn, so
// that each drawn frame shows exactly one step however often the idle handler runs.
bool animationStepDue(unsigned long framesDrawn, unsigned long framesAtLastStep);

// Microseconds between two refreshes of a display running at `hz`: 60 Hz where the rate is
// unknown (0 or less, as Xvfb's XRandR reports, or absurdly high).
long refreshPeriodUs(double hz);

// When the next continuous frame may start, in microseconds of a steady clock.
struct FramePace {
    long long dueUs = 0;  // 0: the first frame may start at once
};

// Microseconds to wait before a frame may start at `nowUs`; 0 when it may start now, and then
// the next frame is due one period later. Late frames are not made up for: after a stall of more
// than a period the pace starts again from now.
long long paceFrame(FramePace& pace, long long nowUs, long periodUs);

// The status line's first line. `lastFrameMs` is the time the last drawn scene frame took
// (negative before the first); while `idle` the scene draws nothing, which the line says rather
// than a rate that no longer holds. `paceMs` is the time from one frame to the next where a
// front end measures it apart from a frame's cost (the page, whose frames wait for the GPU): 0
// while it is being measured; negative where frames follow their drawing (the desktop).
std::string sceneStatusText(double lastFrameMs, bool idle, std::size_t vaseQuads,
                            double paceMs = -1.0);

// The panel's own reasons to draw frames without new input, in milliseconds of GLUT time.
struct PanelActivity {
    bool inputPending = false;  // queued input not yet fed to the panel
    bool buttonHeld = false;    // a mouse button is down (arrow repeat needs frames)
    int msSinceInput = 1 << 30;
    int msSinceRedraw = 1 << 30;
    bool sceneAnimating = false;  // the status line's figures change while frames are drawn
};

// Whether the panel should draw a frame now: for input, for a held button, for a short while
// after input (hover and click highlights settle over a frame or two), and for the status line
// at most a few times a second while the scene animates.
bool panelWantsFrame(const PanelActivity& activity);

// Milliseconds the panel keeps drawing after its last input, and between status refreshes.
constexpr int kPanelSettleMs = 150;
constexpr int kStatusRefreshMs = 250;
