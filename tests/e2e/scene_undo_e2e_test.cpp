// End-to-end tests of scenes read back (--scene from a picture or a page link, refusals) and
// of undo and redo in the scene window and the panel.
#include <X11/keysym.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/image/png_write.h"
#include "core/options.h"
#include "harness.h"
#include "panel_driver.h"
#include "png_decode.h"
#include "encode_images.h"
#include "temp_folder.h"

namespace {

using namespace e2e;

class SceneFromFile : public ViewerTest {
  protected:
    // Runs the viewer headless with `args` and the swatch list; its exit status.
    int runHeadless(std::vector<std::string> args)
    {
        args.push_back("textureList.txt");
        launch(args, dir, {{"DISPLAY", ""}});
        return waitForExit(viewer, 60.0);
    }

    testimg::DecodedPng rendered(const std::string& name)
    {
        const testimg::DecodedPng png = testimg::decodePngFile(dir + "/" + name);
        EXPECT_EQ("", png.error) << name << ": " << describeViewer();
        return png;
    }
};

TEST_F(SceneFromFile, PicturesAndPageLinksDrawTheirSceneAgain)
{
    writeStandardTextures(dir);
    ASSERT_EQ(0, runHeadless({"--render", "old.png", "--size", "320x240", "--set", "crazyVase=1",
                              "--set", "rotation=20,30,0", "--set", "zoom=1.5"}))
        << describeViewer();
    const testimg::DecodedPng old = rendered("old.png");

    // The picture's own size and every setting, with no --size given.
    ASSERT_EQ(0, runHeadless({"--scene", "old.png", "--render", "again.png"})) << describeViewer();
    const testimg::DecodedPng again = rendered("again.png");
    EXPECT_EQ(320, again.width);
    EXPECT_EQ(old.texts.at(kArgumentsKeyword), again.texts.at(kArgumentsKeyword));
    EXPECT_TRUE(old.rgb == again.rgb);

    // A --set after it overrides one value.
    ASSERT_EQ(0, runHeadless({"--scene", "old.png", "--set", "crazyVase=0", "--render", "o.png"}));
    EXPECT_NE(std::string::npos, rendered("o.png").texts.at(kArgumentsKeyword).find("crazyVase=0"));

    // A page link gives the picture its settings give through --set.
    ASSERT_EQ(0, runHeadless({"--scene", "http://127.0.0.1:8080/?crazyVase=1&rotation=20,30,0&zoom=1.5",
                              "--render", "link.png"}))
        << describeViewer();
    ASSERT_EQ(0, runHeadless({"--set", "crazyVase=1", "--set", "rotation=20,30,0", "--set",
                              "zoom=1.5", "--render", "set.png"}));
    EXPECT_TRUE(rendered("link.png").rgb == rendered("set.png").rgb);
}

// A picture is outside input: what it carries beyond settings is refused, and nothing is written.
TEST_F(SceneFromFile, ACraftedPictureWritesNothingAndSaysWhy)
{
    writeStandardTextures(dir);
    std::filesystem::create_directory(dir + "/elsewhere");
    const PpmImage tiny{1, 1, {9, 9, 9}};
    const std::vector<std::pair<std::string, std::string>> crafted = {
        {"render.png", "--set crazyVase=1 --render evil.png"},
        {"dir.png", "--output-dir " + dir + "/elsewhere --set zoom=2"},
        {"plain.png", ""},
    };
    for (const auto& [name, arguments] : crafted) {
        std::vector<PngText> texts{{"Software", "Tolvane"}};
        if (!arguments.empty())
            texts.push_back({kArgumentsKeyword, arguments});
        ASSERT_TRUE(testimg::writeBytes(dir + "/" + name, encodePng(tiny, texts).bytes));
        EXPECT_EQ(1, runHeadless({"--scene", name, "--render", "out.png"})) << describeViewer();
        const std::string said = testfs::contentOf(viewer.stderrPath);
        EXPECT_EQ(0u, said.find("tolvane: --scene " + name + ": ")) << said;
        EXPECT_EQ(said.size() - 1, said.find('\n')) << said;
        const std::string why = name == "render.png" ? "refused --render"
                                : name == "dir.png"  ? "refused --output-dir"
                                                     : "without Tolvane arguments";
        EXPECT_NE(std::string::npos, said.find(why)) << said;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/out.png"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/evil.png"));
    EXPECT_TRUE(std::filesystem::is_empty(dir + "/elsewhere"));
}

class Undo : public StillLifeTest {
  protected:
    void undo() { tapKeyWithCtrl(display(), XK_z); }
    void redo(bool withY) { tapKeyWithCtrl(display(), withY ? XK_y : XK_z, !withY); }

    bool waitForTicked(PanelControl control, bool ticked)
    {
        return waitUntil([&] { return checkboxTicked(panel, control) == ticked; }, 10.0);
    }
    bool waitForField(PanelControl control, const RgbImage& field)
    {
        return waitUntil([&] { return grabSpinnerField(panel, control).pixels == field.pixels; },
                         10.0, 100);
    }
};

// A checkbox, a typed value and a drag, each undone and redone, from the scene window and the
// panel; `p` prints the page link of what is shown.
TEST_F(Undo, ACheckboxATypedValueAndADragUndoAndRedo)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife({}, {"--set", "spinGlobe=0"}));
    waitForStillLife();
    const RgbImage start = waitForSteadyScene();

    // The checkbox, undone and redone with the keys over the scene.
    clickCheckbox(panel, PanelControl::CrazyVase);
    ASSERT_TRUE(waitForTicked(PanelControl::CrazyVase, true));
    pointAtScene();
    undo();
    EXPECT_TRUE(waitForTicked(PanelControl::CrazyVase, false));
    pointAtScene();
    redo(false);
    EXPECT_TRUE(waitForTicked(PanelControl::CrazyVase, true));

    // A typed value, undone and redone over the panel.
    const RgbImage forty = grabSpinnerField(panel, PanelControl::VaseRadialSteps);
    typeIntoSpinner(panel, PanelControl::VaseRadialSteps, "3");
    ASSERT_TRUE(waitUntil(
        [&] { return grabSpinnerField(panel, PanelControl::VaseRadialSteps).pixels != forty.pixels; },
        10.0, 100));
    const RgbImage three = grabSpinnerField(panel, PanelControl::VaseRadialSteps);
    undo();
    EXPECT_TRUE(waitForField(PanelControl::VaseRadialSteps, forty));
    redo(true);
    EXPECT_TRUE(waitForField(PanelControl::VaseRadialSteps, three));
    undo();
    undo();
    EXPECT_TRUE(waitForTicked(PanelControl::CrazyVase, false));
    EXPECT_TRUE(waitForField(PanelControl::VaseRadialSteps, forty));

    // A drag of many motions is one step: one undo brings the first picture back.
    RgbImage frame;
    EXPECT_TRUE(waitForScene([&](const RgbImage& f) { return differingPixels(start, f) == 0; },
                             frame, "start-again"));
    drag(display(), sceneGeometry.x + 150, sceneGeometry.y + 485, sceneGeometry.x + 350,
         sceneGeometry.y + 485);
    const RgbImage turned = waitForSteadyScene();
    ASSERT_GT(differingPixels(start, turned), 1000);
    pointAtScene();
    undo();
    EXPECT_TRUE(waitForScene([&](const RgbImage& f) { return differingPixels(start, f) == 0; },
                             frame, "undone-drag"));
    redo(true);
    EXPECT_TRUE(waitForScene([&](const RgbImage& f) { return differingPixels(turned, f) == 0; },
                             frame, "redone-drag"));

    // The page link of the scene as shown.
    tapKey(display(), XK_p);
    EXPECT_TRUE(waitForOutput("http://127.0.0.1:8080/?spinGlobe=0&")) << describeViewer();
    EXPECT_TRUE(waitForOutput("&crazyVase=0&")) << describeViewer();
}

}  // namespace
