// End-to-end tests of the still life as drawn: objects, textures, vase settings and animation.
#include <chrono>
#include <string>
#include <vector>

#include "harness.h"
#include "panel_driver.h"

namespace {

using namespace e2e;

// The vase after each change of its settings made through the panel, in the order they are made.
struct VasePictures {
    RgbImage defaults;
    RgbImage withoutRings;  // "Wholy Vase" unticked
    RgbImage crazy;         // and "Crazy Vase" ticked
};

class StillLife : public StillLifeTest {
  protected:
    // Unticks the step rings, then ticks the sine profile, waiting for each change to show.
    VasePictures showVaseVariants()
    {
        VasePictures pictures;
        pictures.defaults = waitForStillLife();
        const PixelMask vase = maskOf(pictures.defaults, isSwatch(Swatch::Vase));
        EXPECT_GT(vase.size(), 2000u);

        // Without the rings, gaps between bands of different radius show what lies behind.
        clickCheckbox(panel, PanelControl::WholyVase);
        EXPECT_TRUE(waitForScene(
            [&](const RgbImage& f) {
                return countInMask(f, vase, notSwatch(Swatch::Vase)) > vaseGapPixels;
            },
            pictures.withoutRings, "without-rings"))
            << "no gaps opened in the vase's silhouette";

        // The sine profile is narrower and waisted twice: most of the silhouette moves.
        clickCheckbox(panel, PanelControl::CrazyVase);
        EXPECT_TRUE(waitForScene(
            [&](const RgbImage& f) {
                return maskDifference(vase, maskOf(f, isSwatch(Swatch::Vase))) >
                       static_cast<int>(vase.size()) / 3;
            },
            pictures.crazy, "crazy"))
            << "the silhouette did not change with the sine profile";
        return pictures;
    }

    static constexpr int vaseGapPixels = 150;
};

class StillLifeGlobe : public StillLife {
  protected:
    // Three grabs in turn, each with the globe's stripes moved and every other pixel as before.
    void expectOnlyTheGlobeMoves(const std::vector<std::string>& args);
};

TEST_F(StillLife, DefaultPictureShowsEachObjectInItsPlace)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    const RgbImage frame = waitForStillLife();
    ASSERT_FALSE(frame.empty());
    saveGrab(frame, "default");
    const int w = frame.width, h = frame.height;
    const double centreX = w / 2.0, centreY = h / 2.0;

    // White clear colour: empty corners, and background over most of the window.
    for (const Rect& corner : {Rect{1, 1, 40, 40}, Rect{w - 41, 1, 40, 40}, Rect{1, h - 41, 40, 40},
                               Rect{w - 41, h - 41, 40, 40}}) {
        EXPECT_EQ(spreadOf(frame, isSwatch(Swatch::Background), corner).count, 40 * 40)
            << "corner at " << corner.x << "," << corner.y;
    }
    EXPECT_GT(spreadOfSwatch(frame, Swatch::Background).count, w * h / 2);

    const PixelSpread table = spreadOfSwatch(frame, Swatch::Table);
    const PixelSpread can = spreadOfSwatch(frame, Swatch::Can);
    const PixelSpread globe = spreadOfSwatch(frame, Swatch::Globe);
    const PixelSpread vase = spreadOfSwatch(frame, Swatch::Vase);
    const PixelSpread stand = spreadOfSwatch(frame, Swatch::Stand);
    for (Swatch s : {Swatch::Table, Swatch::Can, Swatch::Globe, Swatch::Vase, Swatch::Stand}) {
        EXPECT_GT(spreadOfSwatch(frame, s).count, 1500) << swatchName(s) << " is missing or tiny";
    }

    // Seen from (-1, 1, -1): the globe (+x, -z) upper left, the vase (-x, +z) upper right and the
    // can (-x, -z) in front.
    EXPECT_LT(globe.centroidX, centreX - 50);
    EXPECT_LT(globe.centroidY, centreY - 50);
    EXPECT_GT(vase.centroidX, centreX + 25);
    EXPECT_LT(vase.centroidY, centreY);
    EXPECT_NEAR(can.centroidX, centreX, 25);
    EXPECT_GT(can.centroidY, globe.centroidY);
    EXPECT_GT(can.centroidY, vase.centroidY);
    // The table spans the middle below them, its legs reaching far down.
    EXPECT_NEAR(table.centroidX, centreX, 25);
    EXPECT_GT(table.centroidY, can.centroidY);
    EXPECT_GT(table.maxX - table.minX, w / 2);
    EXPECT_GT(table.maxY, centreY + 150);
    // The stand sits under the globe, its half-ring rising beside it.
    EXPECT_NEAR(stand.centroidX, globe.centroidX, 25);
    EXPECT_GT(stand.centroidY, globe.centroidY);
}

TEST_F(StillLife, ThreeTexturesPutTheFirstImageOnVaseAndStandFromTheFirstFrame)
{
    // Where the vase and the stand lie, seen with their own textures.
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    const RgbImage five = waitForStillLife();
    const PixelMask vase = maskOf(five, isSwatch(Swatch::Vase));
    const PixelMask stand = maskOf(five, isSwatch(Swatch::Stand));
    ASSERT_GT(vase.size(), 1500u);
    ASSERT_GT(stand.size(), 1500u);

    // With three images, indices 3 and 4 fall outside the set and start at 0. Grab the earliest
    // frame that can be caught.
    writeStandardTextures(dir, 3);
    launch({});
    scene = requireWindow(sceneWindowTitle);
    ASSERT_NE(scene, 0u);
    const RgbImage first = waitForStillLife();
    ASSERT_FALSE(first.empty());
    saveGrab(first, "three-textures");
    EXPECT_EQ(spreadOfSwatch(first, Swatch::Vase).count, 0);
    EXPECT_EQ(spreadOfSwatch(first, Swatch::Stand).count, 0);
    EXPECT_GT(countInMask(first, vase, isSwatch(Swatch::Table)),
              static_cast<int>(vase.size()) * 9 / 10);
    EXPECT_GT(countInMask(first, stand, isSwatch(Swatch::Table)),
              static_cast<int>(stand.size()) * 9 / 10);
}

TEST_F(StillLife, VaseOptionsFromThePanelReshapeTheVase)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    const VasePictures pictures = showVaseVariants();

    // The gaps are horizontal: they cut across the vase, so the silhouette keeps its outline.
    const PixelSpread before = spreadOfSwatch(pictures.defaults, Swatch::Vase);
    const PixelSpread open = spreadOfSwatch(pictures.withoutRings, Swatch::Vase);
    EXPECT_NEAR(open.minX, before.minX, 3);
    EXPECT_NEAR(open.maxX, before.maxX, 3);
    EXPECT_NEAR(open.maxY, before.maxY, 3);

    // No bands at all: no vase.
    typeIntoSpinner(panel, PanelControl::VaseVerticalSteps, "0");
    RgbImage frame;
    EXPECT_TRUE(
        waitForScene([](const RgbImage& f) { return spreadOfSwatch(f, Swatch::Vase).count == 0; },
                     frame, "no-vertical-steps"))
        << "vase pixels remain with 0 vertical steps";
}

TEST_F(StillLife, ImmediateSubmissionDrawsTheSamePictures)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    const VasePictures cached = showVaseVariants();
    ASSERT_NO_FATAL_FAILURE(startStillLife({{"TOLVANE_VASE_SUBMIT", "immediate"}}));
    const VasePictures immediate = showVaseVariants();

    // The globe keeps spinning between the two runs; everything else must match to the bit.
    auto compare = [&](const RgbImage& a, const RgbImage& b, const std::string& name) {
        ASSERT_FALSE(a.empty());
        ASSERT_FALSE(b.empty());
        EXPECT_EQ(differingPixels(a, b, globeAreas(a, b)), 0)
            << name << ": " << saveGrab(a, name + "-cached") << " vs "
            << saveGrab(b, name + "-immediate");
    };
    compare(cached.defaults, immediate.defaults, "defaults");
    compare(cached.withoutRings, immediate.withoutRings, "without-rings");
    compare(cached.crazy, immediate.crazy, "crazy");
}

void StillLifeGlobe::expectOnlyTheGlobeMoves(const std::vector<std::string>& args)
{
    // Stripes on the globe make its spin visible; the swatch hue keeps it recognisable.
    writeStandardTextures(dir);
    RgbImage stripes{16, 16, {}};
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            stripes.pixels.push_back(x % 4 < 2 ? Rgb{0, 255, 0} : Rgb{0, 110, 0});
    }
    ASSERT_TRUE(savePpm(stripes, dir + "/globe.ppm"));
    // Under a window manager, as users run it: the window then learns it is wholly shown, and
    // frames that turn only the globe show only its corner anew.
    ASSERT_NO_FATAL_FAILURE(startWindowManager());
    ASSERT_NO_FATAL_FAILURE(startViewer({}, args));
    RgbImage previous = waitForStillLife();
    ASSERT_FALSE(previous.empty());

    for (int pair = 0; pair < 3; ++pair) {
        const Rect globe = globeArea(previous);
        RgbImage next;
        ASSERT_TRUE(waitForScene(
            [&](const RgbImage& f) {
                return differingPixels(cropOf(previous, globe), cropOf(f, globe)) >
                       globe.width * globe.height / 50;
            },
            next, "globe-still", 10.0))
            << "the globe held still";
        EXPECT_EQ(differingPixels(previous, next, {globe}), 0)
            << "more than the globe moved: " << saveGrab(previous, "before") << " "
            << saveGrab(next, "after");
        previous = next;
    }

    // Each frame's new angle shows as it is drawn, not only when the whole window is shown
    // again (once a second at least): over two seconds of grabs the globe changes many times.
    const Rect globe = globeArea(previous);
    int changes = 0;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
        const RgbImage next = grabScene();
        ASSERT_FALSE(next.empty());
        if (differingPixels(cropOf(previous, globe), cropOf(next, globe)) > 0)
            ++changes;
        previous = next;
    }
    EXPECT_GE(changes, 6) << describeViewer();
}

// With antialiasing the window keeps a multisampled picture and shows only the globe's corner
// anew; each grab must still show the globe at a new angle, and nothing else moving.
TEST_F(StillLifeGlobe, OnlyTheGlobeMovesFromFrameToFrame)
{
    expectOnlyTheGlobeMoves({});
}

TEST_F(StillLifeGlobe, OnlyTheGlobeMovesFromFrameToFrameWithAntialiasing)
{
    expectOnlyTheGlobeMoves({"--set", "antialiasing=4"});
}

}  // namespace
