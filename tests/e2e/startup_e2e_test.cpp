// End-to-end tests of start-up: the texture list, the progress and error lines, the exit status and
// the scene window.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "support/encode_images.h"

namespace {

using namespace e2e;

const char* const usageText =
    "\n\n  Usage: ./tolvane <input_file>\n\n"
    "   <input_file> has to be of the form:\n\n"
    "      <number of textures>\n"
    "      <table texture file>\n"
    "      <pop can texutre file>\n"
    "      <earth texture file>\n"
    "      <vase texture file>\n"
    "      ...\n\n";

std::string progressFor(const std::vector<std::string>& names)
{
    std::string text;
    for (const auto& name : names)
        text += "Texture filename: " + name + "\nDone reading image\n";
    return text;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string lastLine(const std::string& text)
{
    auto lines = splitLines(text);
    return lines.empty() ? "" : lines.back();
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A 16x16 image of one colour: a 16-bit interlaced RGBA PNG, or a progressive JPEG.
testimg::Bytes solidPng(Rgb colour)
{
    testimg::PngPicture picture{16, 16, 6, 16, true, {}, {}, {}};
    for (int i = 0; i < 16 * 16; ++i)
        picture.samples.insert(picture.samples.end(),
                               {colour.r * 257, colour.g * 257, colour.b * 257, 0x8000});
    return testimg::encodePng(picture);
}

testimg::Bytes solidJpeg(Rgb colour)
{
    testimg::JpegPicture picture;
    picture.width = picture.height = 16;
    picture.progressive = true;
    for (int i = 0; i < 16 * 16; ++i)
        picture.samples.insert(picture.samples.end(), {colour.r, colour.g, colour.b});
    return testimg::encodeJpeg(picture);
}

class Startup : public ViewerTest {
  protected:
    // Runs the viewer to its end; fails the test if it is still running after a generous wait.
    int runToExit(const std::vector<std::string>& args, const std::string& workingDir = "")
    {
        launch(args, workingDir);
        int status = waitForExit(viewer, 30.0);
        EXPECT_NE(status, -1) << "the viewer did not exit\n" << describeViewer();
        return status;
    }

    // Waits for a frame whose white clear colour covers at least a tenth of the window.
    bool waitForClearedFrame(Window window, RgbImage& frame)
    {
        return waitUntil([&] {
            frame = grabWindow(display(), window);
            const Rect whole{0, 0, frame.width, frame.height};
            const int background = spreadOf(frame, isSwatch(Swatch::Background), whole).count;
            return !frame.empty() && background > frame.width * frame.height / 10;
        });
    }
};

TEST_F(Startup, WithoutArgumentReadsTextureListFromWorkingDirectory)
{
    writeStandardTextures(dir);
    const std::string progress = progressFor(standardTextureNames());

    {
        launch({});
        ASSERT_TRUE(waitForOutput(progress)) << describeViewer();
        Window window = requireWindow(sceneWindowTitle);
        ASSERT_NE(window, 0u);
        EXPECT_EQ(windowTitle(display(), window), sceneWindowTitle);
        Rect geometry;
        ASSERT_TRUE(windowGeometry(display(), window, geometry));
        EXPECT_EQ(geometry.width, 500);
        EXPECT_EQ(geometry.height, 500);

        // The clear colour is white, whatever the frame draws over it.
        RgbImage frame;
        EXPECT_TRUE(waitForClearedFrame(window, frame))
            << "no white background in " << saveGrab(frame, "first-frame");
        EXPECT_TRUE(isRunning(viewer)) << describeViewer();
        EXPECT_EQ(outputSoFar(viewer), progress);
    }

    // GLUT takes its own options first, so "-display" is not mistaken for the list file.
    {
        launch({"-display", xvfb.name}, dir, {{"DISPLAY", ":65000"}});
        ASSERT_TRUE(waitForOutput(progress)) << describeViewer();
        EXPECT_NE(requireWindow(sceneWindowTitle), 0u);
        EXPECT_EQ(outputSoFar(viewer), progress);
    }
}

TEST_F(Startup, MissingListPrintsUsageAndExitsWithOne)
{
    {
        SCOPED_TRACE("no argument and no textureList.txt");
        EXPECT_EQ(runToExit({}), 1);
        EXPECT_EQ(outputSoFar(viewer), usageText);
    }
    {
        SCOPED_TRACE("a path that does not exist");
        EXPECT_EQ(runToExit({"nowhere/list.txt"}), 1);
        EXPECT_EQ(outputSoFar(viewer), usageText);
    }
}

TEST_F(Startup, BadImageStopsWithItsMessageAndExitsWithOne)
{
    writeSolidPpm(dir + "/table.ppm", 8, 8, swatchColour(Swatch::Table));
    const std::string goodFirst = progressFor({"table.ppm"});

    {
        SCOPED_TRACE("plain PPM magic");
        writeTextFile(dir + "/plain.ppm", "P3\n2 2\n255\n0 0 0  0 0 0\n0 0 0  0 0 0\n");
        writeTextureList(dir + "/list.txt", {"table.ppm", "plain.ppm", "table.ppm"});
        EXPECT_EQ(runToExit({"list.txt"}), 1);
        EXPECT_EQ(outputSoFar(viewer),
                  goodFirst + "Texture filename: plain.ppm\nplain.ppm is not a P6 PPM file!\n");
    }
    {
        SCOPED_TRACE("raster shorter than the header promises");
        writeTextFile(dir + "/short.ppm", "P6\n16 16\n255\n" + std::string(10, '\x7f'));
        writeTextureList(dir + "/list.txt", {"table.ppm", "short.ppm", "table.ppm"});
        EXPECT_EQ(runToExit({"list.txt"}), 1);
        std::string output = outputSoFar(viewer);
        EXPECT_EQ(output.rfind(goodFirst + "Texture filename: short.ppm\n", 0), 0u) << output;
        const auto lines = splitLines(output);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Done reading image"), 1) << output;
        EXPECT_EQ(lastLine(output).rfind("*** Error: ", 0), 0u) << output;
        EXPECT_NE(lastLine(output).find("short.ppm"), std::string::npos) << output;
    }
    {
        SCOPED_TRACE("image that cannot be opened");
        writeTextureList(dir + "/list.txt", {"table.ppm", "gone.ppm"});
        EXPECT_EQ(runToExit({"list.txt"}), 1);
        EXPECT_EQ(outputSoFar(viewer),
                  goodFirst + "Texture filename: gone.ppm\n*** Error: Can't read file gone.ppm\n");
    }
}

// Names come from outside: said back, they carry no control character to the terminal.
TEST_F(Startup, NamesAreSaidWithoutTheirControlCharacters)
{
    const std::string escape = "\x1b]0;owned\x07";  // would retitle a terminal
    {
        SCOPED_TRACE("a name that cannot be opened");
        writeTextureList(dir + "/list.txt", {"gone" + escape + ".ppm"});
        EXPECT_EQ(runToExit({"list.txt"}), 1);
        EXPECT_EQ(outputSoFar(viewer), "Texture filename: gone?]0;owned?.ppm\n"
                                       "*** Error: Can't read file gone?]0;owned?.ppm\n");
    }
    {
        SCOPED_TRACE("a file that is no image, said on both streams");
        writeTextFile(dir + "/note" + escape + ".txt", "not an image\n");
        writeTextureList(dir + "/list.txt", {"note" + escape + ".txt"});
        EXPECT_EQ(runToExit({"list.txt"}), 1);
        EXPECT_EQ(outputSoFar(viewer), "Texture filename: note?]0;owned?.txt\n"
                                       "note?]0;owned?.txt is not a P6 PPM file!\n");
        EXPECT_EQ(readFile(viewer.stderrPath),
                  "tolvane: note?]0;owned?.txt is a file of an unknown kind; textures are read "
                  "from P6 PPM, PNG and JPEG files\n");
    }
}

TEST_F(Startup, ListCountIsChecked)
{
    writeStandardTextures(dir);
    const std::string listError = "*** Error: texture list ";

    {
        SCOPED_TRACE("fewer names than the count");
        writeTextureList(dir + "/short.txt", {"table.ppm", "can.ppm"}, 3);
        EXPECT_EQ(runToExit({"short.txt"}), 1);
        std::string line = lastLine(outputSoFar(viewer));
        ASSERT_EQ(line.rfind(listError + "short.txt: ", 0), 0u) << outputSoFar(viewer);
        EXPECT_NE(line.find('2', (listError + "short.txt: ").size()), std::string::npos)
            << "the message should say how many names were found: " << line;
    }
    {
        SCOPED_TRACE("no count at the start");
        writeTextFile(dir + "/words.txt", "five\ntable.ppm\n");
        EXPECT_EQ(runToExit({"words.txt"}), 1);
        EXPECT_EQ(outputSoFar(viewer).rfind(listError + "words.txt: ", 0), 0u)
            << outputSoFar(viewer);
    }
    {
        SCOPED_TRACE("negative count");
        writeTextFile(dir + "/negative.txt", "-2\ntable.ppm\ncan.ppm\n");
        EXPECT_EQ(runToExit({"negative.txt"}), 1);
        EXPECT_EQ(outputSoFar(viewer).rfind(listError + "negative.txt: ", 0), 0u)
            << outputSoFar(viewer);
    }
    {
        SCOPED_TRACE("a count of zero is an empty texture set");
        writeTextFile(dir + "/empty.txt", "0\n");
        launch({"empty.txt"});
        Window window = requireWindow(sceneWindowTitle);
        ASSERT_NE(window, 0u);
        // Frames with no textures are drawn and the viewer keeps running.
        RgbImage frame;
        EXPECT_TRUE(waitForClearedFrame(window, frame)) << saveGrab(frame, "empty-set");
        EXPECT_TRUE(isRunning(viewer)) << describeViewer();
        EXPECT_EQ(outputSoFar(viewer), "");
    }
}

TEST_F(Startup, ListInAnotherFolderFindsImagesBesideIt)
{
    const std::string setDir = dir + "/set";
    const std::string workDir = dir + "/work";
    std::filesystem::create_directories(setDir);
    std::filesystem::create_directories(workDir);
    writeStandardTextures(setDir);
    // Names are echoed as written, not as found.
    std::vector<std::string> names = standardTextureNames();
    names[1] = "./" + names[1];
    writeTextureList(setDir + "/textureList.txt", names);

    launch({"../set/textureList.txt"}, workDir);
    ASSERT_TRUE(waitForOutput(progressFor(names))) << describeViewer();
    EXPECT_NE(requireWindow(sceneWindowTitle), 0u);
    EXPECT_TRUE(isRunning(viewer)) << describeViewer();
    EXPECT_EQ(outputSoFar(viewer), progressFor(names));
}

TEST_F(Startup, ListMixesPpmPngAndJpegTextures)
{
    // The kind comes from the bytes: the vase's JPEG is named like a PPM.
    const std::vector<std::string> names = {"table.png", "can.jpg", "globe.ppm", "vase.ppm",
                                            "stand.png"};
    testimg::writeBytes(dir + "/table.png", solidPng(swatchColour(Swatch::Table)));
    testimg::writeBytes(dir + "/can.jpg", solidJpeg(swatchColour(Swatch::Can)));
    writeSolidPpm(dir + "/globe.ppm", 16, 16, swatchColour(Swatch::Globe));
    testimg::writeBytes(dir + "/vase.ppm", solidJpeg(swatchColour(Swatch::Vase)));
    testimg::writeBytes(dir + "/stand.png", solidPng(swatchColour(Swatch::Stand)));
    writeTextureList(dir + "/list.txt", names);

    {
        launch({"list.txt"});
        ASSERT_TRUE(waitForOutput(progressFor(names))) << describeViewer();
        Window window = requireWindow(sceneWindowTitle);
        ASSERT_NE(window, 0u);
        RgbImage frame;
        const bool allShown = waitUntil([&] {
            frame = grabWindow(display(), window);
            const Rect whole{0, 0, frame.width, frame.height};
            for (int s = 0; s < swatchCount; ++s)
                if (spreadOf(frame, isSwatch(static_cast<Swatch>(s)), whole).count < 500)
                    return false;
            return !frame.empty();
        });
        EXPECT_TRUE(allShown) << "an object lacks its texture in " << saveGrab(frame, "mixed");
        EXPECT_EQ(outputSoFar(viewer), progressFor(names));
    }
    {
        SCOPED_TRACE("a damaged PNG stops start-up with one line, and the library stays quiet");
        testimg::Bytes broken = solidPng(swatchColour(Swatch::Can));
        broken[broken.size() - 20] ^= 0x01;
        testimg::writeBytes(dir + "/broken.png", broken);
        writeTextureList(dir + "/list.txt", {"table.png", "broken.png", "can.jpg"});
        EXPECT_EQ(runToExit({"list.txt"}), 1);
        const std::string output = outputSoFar(viewer);
        const std::string head = progressFor({"table.png"}) + "Texture filename: broken.png\n";
        EXPECT_EQ(output.rfind(head, 0), 0u) << output;
        EXPECT_EQ(splitLines(output).size(), 4u) << output;
        EXPECT_EQ(lastLine(output).rfind("*** Error: broken.png: ", 0), 0u) << output;
        EXPECT_EQ(readFile(viewer.stderrPath), "");
    }
}

}  // namespace
