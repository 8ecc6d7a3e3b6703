// Handler arithmetic: viewport, drags, keys and the idle animation step.
#include <gtest/gtest.h>

#include "core/keys.h"
#include "core/scene_state.h"
#include "core/view_math.h"

namespace {

// A drag as GLUT delivers it: a left press, then one motion event per point.
void drag(SceneState& s, int x0, int y0, int x1, int y1)
{
    recordPress(s, true, true, x0, y0);
    applyDrag(s, x1, y1);
}

}  // namespace

TEST(Viewport, LargestCentredSquare)
{
    {
        const Viewport v = squareViewport(800, 500);
        EXPECT_EQ(150, v.x);
        EXPECT_EQ(0, v.y);
        EXPECT_EQ(500, v.width);
        EXPECT_EQ(500, v.height);
    }
    {
        const Viewport v = squareViewport(500, 801);
        EXPECT_EQ(0, v.x);
        EXPECT_EQ(150, v.y);  // (801 - 500) / 2 rounds down
        EXPECT_EQ(500, v.width);
    }
    {
        const Viewport v = squareViewport(0, 300);
        EXPECT_EQ(0, v.width);
        EXPECT_EQ(150, v.y);
    }
}

TEST(Drag, ZoomModeScalesAndClamps)
{
    SceneState s;
    drag(s, 100, 100, 100, 500);
    EXPECT_FLOAT_EQ(2.0f, s.zoom);
    EXPECT_EQ(500, s.lastPointerY);

    drag(s, 100, 1000, 100, -5000);
    EXPECT_FLOAT_EQ(kMinZoom, s.zoom);
    drag(s, 100, 0, 100, 10000);
    EXPECT_FLOAT_EQ(kMaxZoom, s.zoom);
    // The X angle is untouched in zoom mode.
    EXPECT_FLOAT_EQ(0.0f, s.rotation[0]);
}

TEST(Drag, RotatesWithZoomModeOff)
{
    SceneState s;
    s.zoomMode = 0;
    drag(s, 10, 10, 10, 60);
    EXPECT_FLOAT_EQ(-10.0f, s.rotation[0]);
    EXPECT_FLOAT_EQ(1.0f, s.zoom);
    EXPECT_FLOAT_EQ(0.0f, s.rotation[2]);
}

TEST(Drag, HorizontalAlwaysTurnsAboutY)
{
    for (int zoomMode : {0, 1}) {
        SceneState s;
        s.zoomMode = zoomMode;
        drag(s, 200, 200, 250, 200);
        applyDrag(s, 240, 200);
        EXPECT_FLOAT_EQ(8.0f, s.rotation[1]) << "zoomMode " << zoomMode;
        EXPECT_EQ(240, s.lastPointerX);
    }
}

TEST(Drag, OnlyLeftPressRecordsThePointer)
{
    SceneState s;
    recordPress(s, true, true, 100, 100);
    recordPress(s, false, true, 300, 300);  // right button
    recordPress(s, true, false, 400, 400);  // release
    EXPECT_EQ(100, s.lastPointerX);
    EXPECT_EQ(100, s.lastPointerY);
    // A drag with another button continues from the last recorded position.
    applyDrag(s, 110, 100);
    EXPECT_FLOAT_EQ(2.0f, s.rotation[1]);
}

TEST(Keys, ProjectionAndTurnToggles)
{
    SceneState s;
    applyKey(s, 's');
    EXPECT_EQ(0, s.cylindricalProjection);
    applyKey(s, 'S');  // case-sensitive
    applyKey(s, 'C');
    EXPECT_EQ(0, s.cylindricalProjection);
    applyKey(s, 'c');
    EXPECT_EQ(1, s.cylindricalProjection);

    applyKey(s, 'y');
    EXPECT_EQ(1, s.spinY);
    applyKey(s, 'y');
    EXPECT_EQ(0, s.spinY);

    const SceneState before = s;
    for (int k = 0; k < 256; ++k) {
        if (k == 'c' || k == 's' || k == 'y')
            continue;
        applyKey(s, static_cast<unsigned char>(k));
    }
    EXPECT_EQ(before.cylindricalProjection, s.cylindricalProjection);
    EXPECT_EQ(before.spinY, s.spinY);
    EXPECT_EQ(before.zoomMode, s.zoomMode);
}

TEST(Idle, TurnAboutYTruncatesAndWraps)
{
    SceneState s;
    s.spinGlobe = 0;
    s.rotation[1] = 359.6f;
    advanceAnimation(s);
    EXPECT_FLOAT_EQ(359.6f, s.rotation[1]);  // spinY is off

    s.spinY = 1;
    advanceAnimation(s);
    EXPECT_FLOAT_EQ(0.0f, s.rotation[1]);
    s.rotation[1] = 12.7f;
    advanceAnimation(s);
    EXPECT_FLOAT_EQ(13.0f, s.rotation[1]);
    // A negative angle climbs toward 0 (truncation toward zero, remainder keeps the sign).
    s.rotation[1] = -2.5f;
    advanceAnimation(s);
    EXPECT_FLOAT_EQ(-1.0f, s.rotation[1]);
    advanceAnimation(s);
    EXPECT_FLOAT_EQ(0.0f, s.rotation[1]);
    EXPECT_EQ(0, s.globeAngle);
}

TEST(Idle, GlobeSpinsOnlyWhenExactlyOne)
{
    SceneState s;
    for (int i = 0; i < 359; ++i)
        advanceAnimation(s);
    EXPECT_EQ(359, s.globeAngle);
    advanceAnimation(s);
    EXPECT_EQ(0, s.globeAngle);

    s.spinGlobe = 2;
    advanceAnimation(s);
    EXPECT_EQ(0, s.globeAngle);
    EXPECT_FLOAT_EQ(0.0f, s.rotation[1]);
}
