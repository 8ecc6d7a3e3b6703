// End-to-end tests of the scene window's input: drags, keys and resizing.
#include <X11/keysym.h>

#include <string>
#include <vector>

#include "harness.h"
#include "panel_driver.h"

namespace {

using namespace e2e;

class SceneInput : public StillLifeTest {
  protected:
    // Drags with the left button by (dx, dy) from a point of the scene window given in window
    // coordinates.
    void dragInScene(int fromX, int fromY, int dx, int dy)
    {
        drag(display(), sceneGeometry.x + fromX, sceneGeometry.y + fromY,
             sceneGeometry.x + fromX + dx, sceneGeometry.y + fromY + dy);
    }

    static PixelSpread nonBackground(const RgbImage& frame)
    {
        return spreadOf(frame, notSwatch(Swatch::Background), interiorOf(frame));
    }
};

TEST_F(SceneInput, HorizontalDragTurnsTheStillLifeAboutTheVerticalAxis)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    waitForStillLife();
    const RgbImage before = waitForSteadyScene();

    // 200 pixels to the right: 40 degrees about Y. Seen from (-1, 1, -1), the can (-x, -z) swings
    // right and the vase (-x, +z) left; the table turns in place about the window's centre line.
    dragInScene(150, 485, 200, 0);
    const RgbImage turned = waitForSteadyScene();
    const PixelSpread canBefore = spreadOfSwatch(before, Swatch::Can),
                      canAfter = spreadOfSwatch(turned, Swatch::Can);
    const PixelSpread vaseBefore = spreadOfSwatch(before, Swatch::Vase),
                      vaseAfter = spreadOfSwatch(turned, Swatch::Vase);
    const PixelSpread table = spreadOfSwatch(turned, Swatch::Table);
    EXPECT_GT(canAfter.centroidX - canBefore.centroidX, 30) << saveGrab(turned, "turned");
    EXPECT_LT(vaseAfter.centroidX - vaseBefore.centroidX, -10) << saveGrab(turned, "turned");
    EXPECT_NEAR((table.minX + table.maxX) / 2.0, turned.width / 2.0, 25)
        << saveGrab(turned, "turned");

    // The same drag back returns to the first picture, up to the rounding of the angle.
    dragInScene(350, 485, -200, 0);
    const RgbImage back = waitForSteadyScene();
    const int differing = differingPixels(before, back, globeAreas(before, back), 8);
    EXPECT_LT(differing, before.width * before.height / 500) << saveGrab(back, "back");
}

TEST_F(SceneInput, VerticalDragZoomsOrTilts)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    waitForStillLife();
    const RgbImage start = waitForSteadyScene();
    const PixelSpread full = nonBackground(start);

    // Zoom mode: 200 pixels down widens the view by half, so the still life shrinks towards the
    // window's centre.
    dragInScene(250, 100, 0, 200);
    const RgbImage zoomed = waitForSteadyScene();
    const PixelSpread small = nonBackground(zoomed);
    EXPECT_LT(small.count, full.count * 6 / 10) << saveGrab(zoomed, "zoomed");
    EXPECT_GT(small.minX, full.minX + 20);
    EXPECT_LT(small.maxX, full.maxX - 20);
    EXPECT_GT(small.minY, full.minY + 10);
    EXPECT_LT(small.maxY, full.maxY - 10);

    // Without zoom mode the same kind of drag tilts the scene about X: a new picture of about the
    // same size.
    clickCheckbox(panel, PanelControl::ZoomMode);
    ASSERT_TRUE(waitUntil([&] { return !checkboxTicked(panel, PanelControl::ZoomMode); }, 10.0))
        << "Zoom Mode did not untick";
    dragInScene(250, 300, 0, -100);
    const RgbImage tilted = waitForSteadyScene();
    const PixelSpread tilt = nonBackground(tilted);
    const int changed = differingPixels(zoomed, tilted, globeAreas(zoomed, tilted), 8);
    EXPECT_GT(changed, small.count / 5) << saveGrab(tilted, "tilted");
    EXPECT_GT(tilt.count, small.count * 3 / 4) << saveGrab(tilted, "tilted");
    EXPECT_LT(tilt.count, small.count * 4 / 3) << saveGrab(tilted, "tilted");
    EXPECT_NEAR(tilt.maxX - tilt.minX, small.maxX - small.minX, (small.maxX - small.minX) / 6);
}

TEST_F(SceneInput, KeyYTurnsTheViewUntilPressedAgain)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    waitForStillLife();
    waitForSteadyScene();
    pointAtScene();
    tapKey(display(), XK_y);

    // Each grab differs from the one before, beyond the globe's own spin.
    RgbImage previous = grabScene();
    for (int i = 0; i < 3; ++i) {
        RgbImage next;
        EXPECT_TRUE(waitForScene(
            [&](const RgbImage& f) {
                return differingPixels(previous, f, globeAreas(previous, f)) > 1000;
            },
            next, "not-turning", 10.0))
            << "the view is not turning";
        previous = next;
    }

    tapKey(display(), XK_y);
    const RgbImage stopped = waitForSteadyScene();
    sleepMs(300);
    const RgbImage later = grabScene();
    EXPECT_EQ(differingPixels(stopped, later, globeAreas(stopped, later)), 0)
        << "the view kept turning: " << saveGrab(stopped, "stopped") << " "
        << saveGrab(later, "later");
}

TEST_F(SceneInput, ResizedWindowKeepsTheStillLifeSquareAndCentred)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    waitForStillLife();
    const RgbImage square = waitForSteadyScene();
    // Without a window manager a wider scene window would slide under the panel.
    ASSERT_TRUE(moveWindow(display(), panel.window, 820, 0));

    struct Case {
        int width, height;
        Rect picture;               // the centred square the scene must fill
        std::vector<Rect> margins;  // the bands either side, left to the clear colour
    };
    const std::vector<Case> cases{
        {800, 500, Rect{150, 0, 500, 500}, {Rect{1, 1, 149, 498}, Rect{650, 1, 149, 498}}},
        {500, 800, Rect{0, 150, 500, 500}, {Rect{1, 1, 498, 149}, Rect{1, 650, 498, 149}}},
    };
    for (const Case& c : cases) {
        const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        SCOPED_TRACE(size);
        ASSERT_TRUE(resizeWindow(display(), scene, c.width, c.height));
        RgbImage frame;
        ASSERT_TRUE(waitForScene(
            [&](const RgbImage& f) {
                return f.width == c.width && f.height == c.height &&
                       spreadOf(f, isSwatch(Swatch::Table), c.picture).count > 5000;
            },
            frame, "resized-" + size));
        frame = waitForSteadyScene();
        for (const Rect& band : c.margins) {
            EXPECT_EQ(spreadOf(frame, isSwatch(Swatch::Background), band).count,
                      band.width * band.height)
                << saveGrab(frame, "resized-" + size);
        }
        // The square holds the picture of the 500 by 500 window; the shifted viewport may round a
        // shade differently.
        const RgbImage centred = cropOf(frame, c.picture);
        EXPECT_LT(differingPixels(square, centred, globeAreas(square, centred), 4), 50)
            << saveGrab(frame, "resized-" + size) << " vs " << saveGrab(square, "square");
    }
}

TEST_F(SceneInput, ProjectionKeysShowInThePanel)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    waitForStillLife();
    const PanelControl box = PanelControl::CylindricalProjection;
    // Waits for the box to show the given state; a failure keeps a picture of the panel.
    auto showsTicked = [&](bool ticked, const std::string& name) {
        if (waitUntil([&] { return checkboxTicked(panel, box) == ticked; }, 10.0))
            return true;
        saveGrab(grabWindow(display(), panel.window), name);
        return false;
    };
    auto key = [&](unsigned long keysym) {
        pointAtScene();
        tapKey(display(), keysym);
    };
    ASSERT_TRUE(showsTicked(true, "panel-at-start"));

    key(XK_s);
    EXPECT_TRUE(showsTicked(false, "panel-after-s")) << "'s' left the projection box ticked";
    key(XK_c);
    EXPECT_TRUE(showsTicked(true, "panel-after-c")) << "'c' left the projection box unticked";

    // A click after 's' sets the opposite of what the box shows: cylindrical again.
    key(XK_s);
    ASSERT_TRUE(showsTicked(false, "panel-after-second-s"));
    clickCheckbox(panel, box);
    EXPECT_TRUE(showsTicked(true, "panel-after-click")) << "the click after 's' did not tick it";

    // Upper case is another key: the box stays ticked.
    key(XK_S);
    sleepMs(500);
    EXPECT_TRUE(showsTicked(true, "panel-after-S")) << "'S' acted like 's'";

    // The same keys pressed with the pointer over the panel (no field being edited).
    auto panelKey = [&](unsigned long keysym) {
        movePointer(display(), panel.geometry.x + panel.geometry.width / 2,
                    panel.geometry.y + panel.geometry.height - 8);
        sleepMs(50);
        tapKey(display(), keysym);
    };
    panelKey(XK_s);
    EXPECT_TRUE(showsTicked(false, "panel-after-s-in-panel")) << "'s' in the panel did nothing";
    panelKey(XK_c);
    EXPECT_TRUE(showsTicked(true, "panel-after-c-in-panel")) << "'c' in the panel did nothing";

    // h there shows the key list, which makes the panel taller; hidden again, the panel gives
    // the room back instead of leaving a gap above the buttons.
    Rect before, now;
    ASSERT_TRUE(windowGeometry(display(), panel.window, before));
    panelKey(XK_h);
    EXPECT_TRUE(waitUntil(
        [&] { return windowGeometry(display(), panel.window, now) && now.height > before.height; },
        10.0))
        << "h in the panel did not show the key list";
    panelKey(XK_h);
    EXPECT_TRUE(waitUntil(
        [&] { return windowGeometry(display(), panel.window, now) && now.height == before.height; },
        10.0))
        << "the panel stayed " << now.height << " pixels tall, was " << before.height;

    // Esc in the scene window ends the viewer, as q does (Ctrl is not held: not a Ctrl key).
    key(XK_Escape);
    EXPECT_EQ(0, waitForExit(viewer, 20.0)) << "Esc did not quit";
}

}  // namespace

namespace {

// The mesh's lines are built off the drawing thread: 'm' must still bring them to the window
// once they are built, and a second 'm' the plain picture back. (Where the lines fall is tested
// on --render pictures.)
TEST_F(SceneInput, MeshKeyShowsTheVasesLinesAndTakesThemAway)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife(
        {}, {"--set", "spinGlobe=0", "--set", "vaseVerticalSteps=300", "--set", "vaseRadialSteps=300"}));
    waitForStillLife();
    const RgbImage plain = waitForSteadyScene();
    const PixelMask vase = maskOf(plain, isSwatch(Swatch::Vase));
    ASSERT_GT(vase.size(), 500u);
    pointAtScene();
    tapKey(display(), XK_m);
    RgbImage meshed;
    // Most of the vase's pixels take the lines' inverted colour at 300 x 300 steps.
    EXPECT_TRUE(waitForScene(
        [&](const RgbImage& frame) {
            return countInMask(frame, vase, isSwatch(Swatch::Vase)) < static_cast<int>(vase.size()) / 2;
        },
        meshed, "mesh-shown", 30.0));
    tapKey(display(), XK_m);
    RgbImage back;
    EXPECT_TRUE(waitForScene([&](const RgbImage& frame) { return differingPixels(plain, frame) == 0; },
                             back, "mesh-hidden", 30.0));
}

}  // namespace

namespace {

// The view keys in the window: each standard view shows another picture (Ctrl its opposite:
// Ctrl+3 and Ctrl+7 come as control codes), and undo brings back the picture before the key.
// That the views are square on is tested on their geometry.
TEST_F(SceneInput, ViewKeysTurnToEachSideAndUndoTurnsBack)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife({}, {"--set", "spinGlobe=0"}));
    waitForStillLife();
    const RgbImage start = waitForSteadyScene();
    std::vector<RgbImage> seen = {start};
    const auto showsNew = [&](const char* name) {
        RgbImage frame;
        const bool changed = waitForScene(
            [&](const RgbImage& f) {
                for (const RgbImage& earlier : seen)
                    if (differingPixels(earlier, f) < f.width * f.height / 100)
                        return false;
                return true;
            },
            frame, name);
        seen.push_back(waitForSteadyScene());
        return changed;
    };
    pointAtScene();
    tapKey(display(), XK_1);
    EXPECT_TRUE(showsNew("view-front"));
    tapKeyWithCtrl(display(), XK_3);
    EXPECT_TRUE(showsNew("view-left"));
    tapKeyWithCtrl(display(), XK_7);
    EXPECT_TRUE(showsNew("view-bottom"));
    const RgbImage beforeTop = seen.back();
    tapKey(display(), XK_7);
    EXPECT_TRUE(showsNew("view-top"));
    tapKeyWithCtrl(display(), XK_z);
    RgbImage back;
    EXPECT_TRUE(waitForScene([&](const RgbImage& f) { return differingPixels(beforeTop, f) == 0; },
                             back, "view-undone"));
}

}  // namespace
