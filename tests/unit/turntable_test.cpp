// Turntable rules: the kinds of file, the refusals, frame i's pose and the progress texts.
#include <gtest/gtest.h>

#include "core/scene_state.h"
#include "core/turntable.h"

TEST(Turntable, KindFromName)
{
    EXPECT_EQ(TurntableKind::Mp4, turntableKindOf("out/turn.MP4"));
    EXPECT_EQ(TurntableKind::Webm, turntableKindOf("turn.webm"));
    EXPECT_EQ(TurntableKind::Gif, turntableKindOf("turn.gif"));
    EXPECT_EQ(TurntableKind::Sequence, turntableKindOf("frame-%04d.png"));
    EXPECT_EQ(TurntableKind::Sequence, turntableKindOf("frame-%d.jpg"));
    EXPECT_EQ(TurntableKind::None, turntableKindOf("picture.png"));
    // A '%' in a folder's name makes no sequence of a plain picture.
    EXPECT_EQ(TurntableKind::None, turntableKindOf("100%/picture.png"));
    EXPECT_EQ(TurntableKind::None, turntableKindOf("turn.avi"));
}

TEST(Turntable, FrameNumberPattern)
{
    EXPECT_EQ(1, frameNumberConversions("frame-%04d.png"));
    EXPECT_EQ(0, frameNumberConversions("100%%.png"));
    EXPECT_EQ(2, frameNumberConversions("%d-%d.png"));
    EXPECT_EQ(-1, frameNumberConversions("frame-%s.png"));
    EXPECT_EQ(-1, frameNumberConversions("frame-%00d.png"));
    EXPECT_EQ("frame-0090.png", sequenceFrameName("frame-%04d.png", 90));
    EXPECT_EQ("7-100%.jpg", sequenceFrameName("%d-100%%.jpg", 7));
    EXPECT_EQ("f12345.png", sequenceFrameName("f%03d.png", 12345));  // never cut short
}

TEST(Turntable, PlanDefaultsAndRefusals)
{
    TurntablePlan mp4 = planTurntable("t.mp4", 0, false, 0, false, 500, 500);
    ASSERT_TRUE(mp4.ok()) << mp4.message;
    EXPECT_EQ(360, mp4.frames);
    EXPECT_EQ(60, mp4.fps);
    EXPECT_EQ(50, planTurntable("t.gif", 0, false, 0, false, 501, 333).fps);
    EXPECT_EQ(0, planTurntable("f%d.png", 0, false, 0, false, 7, 7).fps);
    EXPECT_TRUE(planTurntable("t.webm", 3600, true, 120, true, 501, 333).ok());
    EXPECT_TRUE(planTurntable("t.mp4", 1, true, 1, true, 2, 2).ok());
    EXPECT_TRUE(planTurntable("p.png", 0, false, 0, false, 501, 501).ok());

    // Each refusal is one line that names what was given.
    const struct {
        const char* path;
        int frames;
        bool framesGiven;
        double fps;
        bool fpsGiven;
        int width;
        const char* names;
    } refused[] = {
        {"t.mp4", 0, true, 0, false, 500, "--frames 0"},
        {"t.mp4", 3601, true, 0, false, 500, "--frames 3601"},
        {"t.webm", 0, false, 121, true, 500, "--fps 121"},
        {"t.webm", 0, false, 0.5, true, 500, "--fps 0.5"},
        {"t.gif", 0, false, 60, true, 500, "--fps 60"},
        {"t.mp4", 0, false, 0, false, 501, "--size 501x500"},
        {"f%d-%d.png", 0, false, 0, false, 500, "exactly one frame number"},
        {"f%s.png", 0, false, 0, false, 500, "exactly one frame number"},
        {"f%d.png", 0, false, 30, true, 500, "--fps"},
        {"p.png", 10, true, 0, false, 500, "--frames needs"},
        {"p.jpg", 0, false, 30, true, 500, "--fps needs"},
    };
    for (const auto& r : refused) {
        const TurntablePlan plan =
            planTurntable(r.path, r.frames, r.framesGiven, r.fps, r.fpsGiven, r.width, 500);
        EXPECT_FALSE(plan.ok()) << r.path;
        EXPECT_NE(std::string::npos, plan.message.find(r.names)) << plan.message;
        EXPECT_EQ(std::string::npos, plan.message.find('\n')) << plan.message;
    }
}

TEST(Turntable, PoseTurnsOnceAndLoops)
{
    SceneState start;
    start.rotation[0] = 20.0f;
    start.rotation[1] = 10.5f;
    start.globeAngle = 300;
    const TurntablePose first = turntablePose(start, 0, 360);
    EXPECT_EQ(10.5f, first.rotationY);  // frame 0 is the scene as it stands, bit for bit
    EXPECT_EQ(300, first.globeAngle);
    const TurntablePose quarter = turntablePose(start, 90, 360);
    EXPECT_EQ(100.5f, quarter.rotationY);  // the `y` turn's direction: the angle grows
    EXPECT_EQ(30, quarter.globeAngle);     // (300 + 90) wrapped
    // The last frame stops one step short of the first, so the loop has no seam.
    EXPECT_FLOAT_EQ(10.5f + 359.0f - 360.0f, turntablePose(start, 359, 360).rotationY);
    EXPECT_EQ(299, turntablePose(start, 359, 360).globeAngle);
    // Frames that do not divide 360: the globe's whole degrees to the nearest.
    EXPECT_EQ(300 + 51, turntablePose(start, 1, 7).globeAngle);  // 51.43 degrees

    start.spinGlobe = 0;  // a globe that does not spin stays where it is
    EXPECT_EQ(300, turntablePose(start, 90, 360).globeAngle);
    start.spinGlobe = 2;  // spinning means exactly 1, as in the idle step
    EXPECT_EQ(300, turntablePose(start, 90, 360).globeAngle);

    SceneState turned = start;
    applyTurntablePose(turned, quarter);
    EXPECT_EQ(20.0f, turned.rotation[0]);  // every other field as it was
    EXPECT_EQ(100.5f, turned.rotation[1]);
}

TEST(Turntable, ProgressTexts)
{
    EXPECT_EQ("Saving turntable... 120/360", turntableStatusText(120, 360));
    EXPECT_EQ("\r[==>  ] 1/2", turntableProgressBar(1, 2, 5));
    EXPECT_EQ("\r[=====] 2/2", turntableProgressBar(2, 2, 5));
    const TurntablePlan mp4 = planTurntable("t.mp4", 0, false, 0, false, 500, 500);
    EXPECT_EQ("Wrote t.mp4: 360 frames, 500x500, 60 fps, 2.5 s",
              turntableSummary("t.mp4", mp4, 500, 500, 2.5));
    const TurntablePlan frames = planTurntable("f%d.png", 1, true, 0, false, 500, 500);
    EXPECT_EQ("Wrote f%d.png: 1 frame, 8x6, 0.0 s", turntableSummary("f%d.png", frames, 8, 6, 0));
}
