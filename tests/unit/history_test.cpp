// Undo and redo: whole gestures are one step, only changed fields come back, the animation is
// never undone, and the oldest steps fall off past the limit.
#include <gtest/gtest.h>

#include "core/history.h"
#include "core/scene_state.h"

TEST(History, StepsUndoAndRedoOnlyWhatTheyChanged)
{
    SceneHistory h;
    SceneState s;
    beginStep(h, s, kScopeSettings);
    s.crazyVase = 1;
    EXPECT_TRUE(commitStep(h, s));
    // A drag of many motions is one step.
    beginStep(h, s, kScopeView);
    for (int i = 0; i < 20; ++i)
        s.rotation[1] += 3.0f;
    EXPECT_TRUE(commitStep(h, s));
    // The animation moves on between and after the steps.
    s.globeAngle = 77;
    s.spinY = 1;
    s.rotation[0] = 5.0f;  // outside any step: undo leaves it

    ASSERT_TRUE(undoStep(h, s));
    EXPECT_EQ(0.0f, s.rotation[1]);
    EXPECT_EQ(5.0f, s.rotation[0]);
    EXPECT_EQ(1, s.crazyVase);
    ASSERT_TRUE(undoStep(h, s));
    EXPECT_EQ(0, s.crazyVase);
    EXPECT_FALSE(undoStep(h, s));
    EXPECT_EQ(77, s.globeAngle);
    EXPECT_EQ(1, s.spinY);

    ASSERT_TRUE(redoStep(h, s));
    EXPECT_EQ(1, s.crazyVase);
    ASSERT_TRUE(redoStep(h, s));
    EXPECT_EQ(60.0f, s.rotation[1]);
    EXPECT_FALSE(redoStep(h, s));

    // A new step after an undo drops what could have been redone; an empty step is no step.
    undoStep(h, s);
    beginStep(h, s, kScopeSettings);
    EXPECT_FALSE(commitStep(h, s));
    EXPECT_TRUE(h.undone.size() == 1);
    beginStep(h, s, kScopeSettings);
    s.vaseRadialSteps = 7;
    commitStep(h, s);
    EXPECT_FALSE(redoStep(h, s));
}

// The scope limits what a step may record: the panel's steps never take the view along.
TEST(History, ScopeAndQuietGestures)
{
    SceneHistory h;
    SceneState s;
    beginStep(h, s, kScopeSettings);
    s.lightPosition[2] = 4.0f;
    s.rotation[1] = 90.0f;  // the turn about Y, while a panel field was edited
    commitStep(h, s);
    undoStep(h, s);
    EXPECT_EQ(-1.0f, s.lightPosition[2]);
    EXPECT_EQ(90.0f, s.rotation[1]);

    // A wheel burst: one step, ended once it has been quiet long enough.
    for (long t = 0; t < 300; t += 50) {
        continueGesture(h, s, kScopeView, t);
        s.zoom += 0.1f;
        EXPECT_FALSE(commitQuietGesture(h, s, t + 10));
    }
    EXPECT_TRUE(commitQuietGesture(h, s, 250 + kGestureQuietMs));
    // Without a timer: the next burst's first input ends the last one.
    continueGesture(h, s, kScopeView, 5000);
    s.zoom += 0.5f;
    continueGesture(h, s, kScopeView, 6000);
    s.zoom += 0.5f;
    EXPECT_EQ(2u, h.done.size());
    undoStep(h, s);
    undoStep(h, s);
    undoStep(h, s);
    EXPECT_EQ(1.0f, s.zoom);
}

TEST(History, KeepsTheNewestStepsUpToTheLimit)
{
    SceneHistory h;
    SceneState s;
    for (int i = 1; i <= kHistorySteps + 10; ++i) {
        SceneState before = s;
        s.vaseVerticalSteps = i;
        recordStep(h, before, s, kScopeAll);
    }
    int undone = 0;
    while (undoStep(h, s))
        ++undone;
    EXPECT_EQ(kHistorySteps, undone);
    EXPECT_GE(undone, 100);
    EXPECT_EQ(10, s.vaseVerticalSteps);
}
