// When the viewer draws: animation, the panel's frames, the status line; the wheel and reset.
#include <gtest/gtest.h>

#include <vector>

#include "core/redraw.h"
#include "core/scene_state.h"
#include "core/view_math.h"

TEST(Redraw, AnimatesOnlyWhileSomethingMoves)
{
    SceneState s;
    EXPECT_TRUE(sceneAnimating(s));  // the globe spins by default
    s.spinGlobe = 0;
    EXPECT_FALSE(sceneAnimating(s));
    s.spinGlobe = 2;  // the step tests for exactly 1, so this does not move
    EXPECT_FALSE(sceneAnimating(s));
    s.spinY = 1;
    EXPECT_TRUE(sceneAnimating(s));

    // Idle runs a varying number of times between drawn frames (none, when a frame is drawn
    // at once); each drawn frame shows exactly one step, the first frame the start.
    SceneState globe;
    const int idleRunsBeforeFrame[] = {3, 1, 0, 5, 2, 1, 4, 1};
    unsigned long drawn = 0, atLastStep = 0;
    std::vector<int> anglesDrawn;
    for (int runs : idleRunsBeforeFrame) {
        for (int k = 0; k < runs; ++k)
            if (animationStepDue(drawn, atLastStep)) {
                advanceAnimation(globe);
                atLastStep = drawn;
            }
        anglesDrawn.push_back(globe.globeAngle);
        ++drawn;
    }
    EXPECT_EQ((std::vector<int>{0, 1, 1, 2, 3, 4, 5, 6}), anglesDrawn);
}

TEST(Redraw, PanelFramesAndStatusLine)
{
    PanelActivity quiet;
    EXPECT_FALSE(panelWantsFrame(quiet));
    PanelActivity a = quiet;
    a.inputPending = true;
    EXPECT_TRUE(panelWantsFrame(a));
    a = quiet;
    a.buttonHeld = true;
    EXPECT_TRUE(panelWantsFrame(a));
    a = quiet;
    a.msSinceInput = 10;
    EXPECT_TRUE(panelWantsFrame(a));
    // The status line follows an animating scene a few times a second, not every frame.
    a = quiet;
    a.sceneAnimating = true;
    a.msSinceRedraw = 40;
    EXPECT_FALSE(panelWantsFrame(a));
    a.msSinceRedraw = kStatusRefreshMs;
    EXPECT_TRUE(panelWantsFrame(a));

    EXPECT_EQ("Scene: 12.5 ms per frame, vase 4000 quads", sceneStatusText(12.5, false, 4000));
    EXPECT_EQ("Scene: idle, last frame 12.5 ms, vase 4000 quads",
              sceneStatusText(12.5, true, 4000));
    EXPECT_EQ("Scene: no frame yet, vase 0 quads", sceneStatusText(-1.0, true, 0));
    // The page measures the pace between frames apart from a frame's cost.
    EXPECT_EQ("Scene: 20.0 ms per frame (50.0 fps), last frame 3.5 ms, vase 9 quads",
              sceneStatusText(3.5, false, 9, 20.0));
    EXPECT_EQ("Scene: measuring..., last frame 3.5 ms, vase 9 quads", sceneStatusText(3.5, false, 9, 0.0));
}

TEST(Redraw, WheelZoomsLikeADragAndResetRestoresTheStartView)
{
    SceneState s;
    s.zoomMode = 0;  // the wheel zooms in either mode
    applyWheel(s, 1);
    EXPECT_NEAR(0.95f, s.zoom, 1e-6);  // a 20-pixel drag up
    applyWheel(s, -1);
    applyWheel(s, -1);
    EXPECT_NEAR(1.05f, s.zoom, 1e-6);
    for (int i = 0; i < 1000; ++i)
        applyWheel(s, -1);
    EXPECT_FLOAT_EQ(kMaxZoom, s.zoom);
    for (int i = 0; i < 1000; ++i)
        applyWheel(s, 1);
    EXPECT_FLOAT_EQ(kMinZoom, s.zoom);

    SceneState start;
    start.rotation[0] = 10.0f;
    start.zoom = 2.0f;
    start.spinY = 1;
    const ViewPose pose = viewPoseOf(start);
    s.rotation[0] = -40.0f;
    s.rotation[1] = 33.0f;
    s.spinY = 0;
    s.globeAngle = 77;
    restoreViewPose(s, pose);
    EXPECT_FLOAT_EQ(10.0f, s.rotation[0]);
    EXPECT_FLOAT_EQ(0.0f, s.rotation[1]);
    EXPECT_FLOAT_EQ(2.0f, s.zoom);
    EXPECT_EQ(1, s.spinY);
    EXPECT_EQ(77, s.globeAngle);  // the globe is not part of the view
}
