// End-to-end tests of the control panel: its window, typed values, arrows and checkboxes.
#include <algorithm>
#include <string>

#include "harness.h"
#include "panel_driver.h"

#include <X11/Xutil.h>

namespace {

using namespace e2e;

class Panel : public StillLifeTest {
  protected:
    // Mean of the brightest channel over the interior's pixels that are not background.
    static double meanBrightness(const RgbImage& image)
    {
        const PixelMask lit = maskOf(image, notSwatch(Swatch::Background));
        double sum = 0;
        for (const auto& [x, y] : lit) {
            const Rgb p = image.at(x, y);
            sum += std::max({p.r, p.g, p.b});
        }
        return lit.empty() ? 0.0 : sum / lit.size();
    }

    // Waits until at least nine tenths of the pixels in mask show the swatch.
    bool waitForMaskColour(const PixelMask& mask, Swatch swatch, const std::string& name)
    {
        RgbImage frame;
        return waitForScene(
            [&](const RgbImage& f) {
                return countInMask(f, mask, isSwatch(swatch)) >=
                       static_cast<int>(mask.size()) * 9 / 10;
            },
            frame, name);
    }

    // The spinner's field once two grabs a moment apart agree.
    RgbImage steadyField(PanelControl control)
    {
        RgbImage previous = grabSpinnerField(panel, control), next;
        EXPECT_TRUE(waitUntil(
            [&] {
                sleepMs(150);
                next = grabSpinnerField(panel, control);
                bool same = next.pixels == previous.pixels;
                previous = next;
                return same;
            },
            10.0, 0));
        return next;
    }
};

TEST_F(Panel, OpensBesideTheSceneShowingTheDefaults)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    EXPECT_EQ(windowTitle(display(), panel.window), panelWindowTitle);
    // Both windows carry the class the menu entry's StartupWMClass names.
    for (Window w : {scene, panel.window}) {
        XClassHint hint{};
        ASSERT_NE(0, XGetClassHint(display(), w, &hint)) << "no WM_CLASS on window " << w;
        EXPECT_STREQ("tolvane", hint.res_name);
        EXPECT_STREQ("Tolvane", hint.res_class);
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    // To the right of the scene window, not over it, and level with it.
    EXPECT_GE(panel.geometry.x, sceneGeometry.x + sceneGeometry.width);
    EXPECT_LT(panel.geometry.y, sceneGeometry.y + sceneGeometry.height);
    EXPECT_GE(panel.geometry.y + panel.geometry.height, sceneGeometry.y);

    // Every flag is on by default except "Crazy Vase".
    for (int i = 0; i < panelCheckboxCount; ++i) {
        const auto control = static_cast<PanelControl>(i);
        EXPECT_EQ(checkboxTicked(panel, control), control != PanelControl::CrazyVase)
            << "checkbox " << i;
    }

    // Unticking "Spin Globe" stops the globe: then nothing in the picture changes.
    clickCheckbox(panel, PanelControl::SpinGlobe);
    EXPECT_TRUE(waitUntil([&] { return !checkboxTicked(panel, PanelControl::SpinGlobe); }, 10.0));
    RgbImage frame;
    RgbImage previous = grabScene();
    EXPECT_TRUE(waitForScene(
        [&](const RgbImage& f) {
            sleepMs(150);
            bool same = differingPixels(previous, f) == 0;
            previous = f;
            return same;
        },
        frame, "globe-spinning"))
        << "the globe kept spinning";
}

TEST_F(Panel, TypedTextureIndexIsClampedToTheTextureSet)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    const PixelMask vase = maskOf(waitForStillLife(), isSwatch(Swatch::Vase));
    ASSERT_GT(vase.size(), 1500u);

    typeIntoSpinner(panel, PanelControl::VaseTexture, "0");
    EXPECT_TRUE(waitForMaskColour(vase, Swatch::Table, "vase-texture-0"))
        << "the vase did not take texture 0";
    // Five images: 7 becomes 4, the stand's.
    typeIntoSpinner(panel, PanelControl::VaseTexture, "7");
    EXPECT_TRUE(waitForMaskColour(vase, Swatch::Stand, "vase-texture-7"))
        << "7 did not become texture 4";
}

TEST_F(Panel, TypedStepCountIsClampedToItsLimits)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    const PixelMask vase = maskOf(waitForStillLife(), isSwatch(Swatch::Vase));
    ASSERT_GT(vase.size(), 1500u);
    const PanelControl radial = PanelControl::VaseRadialSteps;
    auto vaseGone = [](const RgbImage& f) { return spreadOfSwatch(f, Swatch::Vase).count == 0; };
    RgbImage frame;

    // How the field shows each limit, typed as it is.
    typeIntoSpinner(panel, radial, "0");
    ASSERT_TRUE(waitForScene(vaseGone, frame, "radial-steps-0")) << "0 radial steps left a vase";
    const RgbImage showsLow = steadyField(radial);
    typeIntoSpinner(panel, radial, "1000");
    ASSERT_TRUE(waitForMaskColour(vase, Swatch::Vase, "radial-steps-1000"))
        << "1000 radial steps showed no vase";
    const RgbImage showsHigh = steadyField(radial);
    ASSERT_NE(showsLow.pixels, showsHigh.pixels) << "the field's grab does not tell 0 from 1000";

    // Beyond the limits: the same pictures, and the field shows the limit.
    typeIntoSpinner(panel, radial, "-5");
    EXPECT_TRUE(waitForScene(vaseGone, frame, "radial-steps-negative"))
        << "-5 radial steps left a vase";
    EXPECT_TRUE(
        waitUntil([&] { return grabSpinnerField(panel, radial).pixels == showsLow.pixels; }, 10.0))
        << "-5 was not shown as 0";
    // Read as a whole, not as the 13 its digits would make.
    typeIntoSpinner(panel, radial, "1e3");
    EXPECT_TRUE(
        waitUntil([&] { return grabSpinnerField(panel, radial).pixels == showsHigh.pixels; }, 10.0))
        << "1e3 was not shown as 1000";
    typeIntoSpinner(panel, radial, "-5");
    typeIntoSpinner(panel, radial, "5000");
    EXPECT_TRUE(waitForMaskColour(vase, Swatch::Vase, "radial-steps-large"))
        << "5000 radial steps showed no vase";
    EXPECT_TRUE(
        waitUntil([&] { return grabSpinnerField(panel, radial).pixels == showsHigh.pixels; }, 10.0))
        << "5000 was not shown as 1000";
}

TEST_F(Panel, ZeroDiffuseAndSpecularLightDarkensTheScene)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    const RgbImage lit = waitForStillLife();
    const double before = meanBrightness(lit);

    for (PanelControl c :
         {PanelControl::SpecularR, PanelControl::SpecularG, PanelControl::SpecularB,
          PanelControl::DiffuseR, PanelControl::DiffuseG, PanelControl::DiffuseB}) {
        typeIntoSpinner(panel, c, "0");
    }
    // Only the ambient light is left.
    RgbImage dark;
    double after = before;
    EXPECT_TRUE(waitForScene(
        [&](const RgbImage& f) {
            after = meanBrightness(f);
            return after < before / 3;
        },
        dark, "unlit"))
        << "mean brightness " << before << " -> " << after;
}

TEST_F(Panel, ArrowButtonsStepTheTableTexture)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    const PixelMask table = maskOf(waitForStillLife(), isSwatch(Swatch::Table));
    ASSERT_GT(table.size(), 10000u);

    clickSpinnerArrow(panel, PanelControl::TableTexture, true);
    EXPECT_TRUE(waitForMaskColour(table, Swatch::Can, "table-texture-up"))
        << "'+' did not give the can's texture";
    clickSpinnerArrow(panel, PanelControl::TableTexture, false);
    EXPECT_TRUE(waitForMaskColour(table, Swatch::Table, "table-texture-down"))
        << "'-' did not go back to 0";
    // At the low limit '-' stays at 0.
    clickSpinnerArrow(panel, PanelControl::TableTexture, false);
    sleepMs(500);
    EXPECT_TRUE(waitForMaskColour(table, Swatch::Table, "table-texture-below"))
        << "'-' went below 0";
}

TEST_F(Panel, TypedValueIsWrittenWhenTheSceneIsClicked)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    const PixelMask vase = maskOf(waitForStillLife(), isSwatch(Swatch::Vase));
    ASSERT_GT(vase.size(), 1500u);

    // No Enter: the click into the scene leaves the field, which writes it.
    typeIntoSpinner(panel, PanelControl::VaseTexture, "1", false);
    click(display(), sceneGeometry.x + sceneGeometry.width / 2,
          sceneGeometry.y + sceneGeometry.height - 20);
    EXPECT_TRUE(waitForMaskColour(vase, Swatch::Can, "vase-texture-left"))
        << "the value typed before clicking into the scene was not written";
}

TEST_F(Panel, SitsBesideTheSceneUnderAWindowManager)
{
    ASSERT_NO_FATAL_FAILURE(startWindowManager());
    ASSERT_NO_FATAL_FAILURE(startStillLife());

    // openbox centres the scene window, where the panel cannot sit on either side of it on this
    // screen: the panel moves beside it within its first second, frames apart and on the screen.
    const Rect screen = screenOf(display());
    auto onScreen = [&](const Rect& r) {
        return r.x >= 0 && r.y >= 0 && r.x + r.width <= screen.width &&
               r.y + r.height <= screen.height;
    };
    Rect sceneFrame, panelFrame;
    auto besideOnScreen = [&] {
        return frameGeometry(display(), scene, sceneFrame) &&
               frameGeometry(display(), panel.window, panelFrame) &&
               !overlaps(sceneFrame, panelFrame) && onScreen(sceneFrame) && onScreen(panelFrame);
    };
    auto describe = [&] {
        return "scene frame " + std::to_string(sceneFrame.x) + "," + std::to_string(sceneFrame.y) +
               " " + std::to_string(sceneFrame.width) + "x" + std::to_string(sceneFrame.height) +
               ", panel frame " + std::to_string(panelFrame.x) + "," +
               std::to_string(panelFrame.y) + " " + std::to_string(panelFrame.width) + "x" +
               std::to_string(panelFrame.height);
    };
    EXPECT_TRUE(waitUntil(besideOnScreen, 10.0)) << describe();
    EXPECT_GT(sceneFrame.width, sceneGeometry.width) << "openbox drew no frame";
    // Once placed, it stays.
    sleepMs(1500);
    EXPECT_TRUE(besideOnScreen()) << describe();

    // The panel still works there.
    clickCheckbox(panel, PanelControl::CrazyVase);
    EXPECT_TRUE(waitUntil([&] { return checkboxTicked(panel, PanelControl::CrazyVase); }, 10.0));
}

}  // namespace
