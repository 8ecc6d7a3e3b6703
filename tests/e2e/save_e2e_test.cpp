// End-to-end tests of what leaves the viewer: saved pictures, headless pictures, the vase as glTF.
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "gltf_read.h"
#include "harness.h"
#include "panel_driver.h"
#include "png_decode.h"
#include "core/vase_mesh.h"

namespace {

using namespace e2e;

class SaveAndExport : public StillLifeTest {
  protected:
    // Waits for a file the viewer writes into its working folder; false after the limit.
    bool waitForFile(const std::string& name)
    {
        return waitUntil([&] { return std::filesystem::exists(dir + "/" + name); }, 30.0, 100);
    }

    static RgbImage asRgbImage(const testimg::DecodedPng& png)
    {
        RgbImage image;
        image.width = png.width;
        image.height = png.height;
        for (size_t i = 0; i + 2 < png.rgb.size(); i += 3)
            image.pixels.push_back(Rgb{png.rgb[i], png.rgb[i + 1], png.rgb[i + 2]});
        return image;
    }

    // Draws a saved picture again, headless, from the arguments it carries; the new picture.
    testimg::DecodedPng replay(const testimg::DecodedPng& saved)
    {
        const std::string arguments = saved.texts.count("Tolvane arguments")
                                          ? saved.texts.at("Tolvane arguments")
                                          : std::string();
        EXPECT_NE(std::string::npos, arguments.find("--set globeAngle=")) << arguments;
        std::vector<std::string> args{"--render", "again.png"};
        std::istringstream words(arguments);
        for (std::string word; words >> word;)
            args.push_back(word);
        args.push_back("textureList.txt");
        launch(args, dir, {{"DISPLAY", ""}});
        EXPECT_EQ(0, waitForExit(viewer, 60.0)) << describeViewer();
        const testimg::DecodedPng again = testimg::decodePngFile(dir + "/again.png");
        EXPECT_EQ("", again.error);
        if (again.error.empty()) {
            EXPECT_EQ(arguments, again.texts.at("Tolvane arguments"));
        }
        return again;
    }
};

TEST_F(SaveAndExport, SavedPictureIsTheWindowAndItsArgumentsDrawItAgainHeadless)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    const RgbImage shown = waitForSteadyScene();

    clickPanelButton(panel, PanelButton::SavePicture);
    ASSERT_TRUE(waitForFile("tolvane-001.png")) << describeViewer();
    const testimg::DecodedPng saved = testimg::decodePngFile(dir + "/tolvane-001.png");
    ASSERT_EQ("", saved.error);
    const RgbImage savedImage = asRgbImage(saved);
    ASSERT_EQ(shown.width, savedImage.width);
    ASSERT_EQ(shown.height, savedImage.height);
    // The frame as the window shows it, but for the globe, which has turned since.
    EXPECT_EQ(0, differingPixels(shown, savedImage, globeAreas(shown, savedImage)))
        << saveGrab(savedImage, "saved") << " " << saveGrab(shown, "shown");

    // The next save takes the next number and leaves the first file alone.
    clickPanelButton(panel, PanelButton::SavePicture);
    ASSERT_TRUE(waitForFile("tolvane-002.png")) << describeViewer();

    // Its own arguments, with no X server at all, draw the same picture, globe included.
    const testimg::DecodedPng again = replay(saved);
    EXPECT_EQ(saved.rgb, again.rgb) << saveGrab(asRgbImage(again), "again");

    // So does the picture itself, opened as a scene.
    launch({"--scene", "tolvane-001.png", "--render", "scene.png", "textureList.txt"}, dir,
           {{"DISPLAY", ""}});
    ASSERT_EQ(0, waitForExit(viewer, 60.0)) << describeViewer();
    EXPECT_EQ(saved.rgb, testimg::decodePngFile(dir + "/scene.png").rgb);
}

// With a transparent background the window shows a checkerboard behind the still life, and
// its saved picture holds none of it: alpha 0 there, the window's own pixels where drawn.
TEST_F(SaveAndExport, TransparentBackgroundShowsACheckerboardThatPicturesLeaveOut)
{
    ASSERT_NO_FATAL_FAILURE(
        startStillLife({}, {"--set", "transparentBackground=1", "--set", "spinGlobe=0"}));
    const RgbImage shown = waitForSteadyScene();
    EXPECT_FALSE(shown.at(4, 4) == shown.at(20, 4)) << saveGrab(shown, "shown");

    clickPanelButton(panel, PanelButton::SavePicture);
    ASSERT_TRUE(waitForFile("tolvane-001.png")) << describeViewer();
    const testimg::DecodedPng saved = testimg::decodePngFile(dir + "/tolvane-001.png");
    ASSERT_EQ("", saved.error);
    ASSERT_EQ(static_cast<size_t>(shown.width) * shown.height, saved.alpha.size());
    EXPECT_EQ(0, saved.alpha[4 * shown.width + 4]);
    EXPECT_EQ(0, saved.alpha[4 * shown.width + 20]);
    const RgbImage savedImage = asRgbImage(saved);
    size_t drawn = 0, differ = 0;
    for (size_t i = 0; i < saved.alpha.size(); ++i)
        if (saved.alpha[i] == 255) {
            ++drawn;
            differ += !(savedImage.pixels[i] == shown.pixels[i]);
        }
    EXPECT_GT(drawn, 10000u);
    EXPECT_EQ(0u, differ) << saveGrab(savedImage, "saved") << " " << saveGrab(shown, "shown");
}

// A window of another size records it, and its picture is drawn again at that size, into the
// folder given with --output-dir.
TEST_F(SaveAndExport, PictureFromAn800By600WindowDrawsAgainAtItsSize)
{
    std::filesystem::create_directory(dir + "/pictures");
    ASSERT_NO_FATAL_FAILURE(
        startStillLife({}, {"-geometry", "800x600", "--output-dir", dir + "/pictures"}));
    waitForSteadyScene();
    clickPanelButton(panel, PanelButton::SavePicture);
    ASSERT_TRUE(waitForFile("pictures/tolvane-001.png")) << describeViewer();
    const testimg::DecodedPng saved = testimg::decodePngFile(dir + "/pictures/tolvane-001.png");
    ASSERT_EQ("", saved.error);
    EXPECT_EQ(800, saved.width);
    EXPECT_EQ(600, saved.height);
    EXPECT_EQ(0u, saved.texts.at("Tolvane arguments").find("--size 800x600 "));
    const testimg::DecodedPng again = replay(saved);
    EXPECT_EQ(800, again.width);
    EXPECT_EQ(saved.rgb, again.rgb) << saveGrab(asRgbImage(again), "again");
}

TEST_F(SaveAndExport, ExportedVaseReadsBackWithTwoTrianglesPerQuad)
{
    ASSERT_NO_FATAL_FAILURE(startStillLife());
    waitForStillLife();
    clickPanelButton(panel, PanelButton::ExportVase);
    ASSERT_TRUE(waitForFile("tolvane-vase-001.glb")) << describeViewer();

    std::string problems;
    const tinygltf::Model model = testgltf::loadGlbFile(dir + "/tolvane-vase-001.glb", problems);
    EXPECT_EQ("", problems);
    const VaseSettings defaults;
    EXPECT_EQ(2 * (vaseBandQuadCount(defaults) + vaseStepRingCount(defaults)),
              testgltf::triangleCount(model));
    // The vase's own image travels with it.
    ASSERT_EQ(1u, model.images.size());
    EXPECT_EQ("image/png", model.images[0].mimeType);
}

}  // namespace
