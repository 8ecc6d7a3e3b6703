// End-to-end tests, headless (--render), of images in and the command line's manners: every
// object shows an image as it reads, and what is wrong is said on standard error.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harness.h"
#include "panel_driver.h"
#include "png_decode.h"

namespace {

using namespace e2e;

class ImagesAndCommandLine : public ViewerTest {
  protected:
    // Runs a headless picture in dir with `args`; its exit status.
    int render(const std::vector<std::string>& args)
    {
        launch(args, dir, {{"DISPLAY", ""}});
        return waitForExit(viewer, 60.0);
    }
    RgbImage picture(const std::string& name)
    {
        const testimg::DecodedPng png = testimg::decodePngFile(dir + "/" + name);
        EXPECT_EQ("", png.error) << name;
        RgbImage image{png.width, png.height, {}};
        for (size_t i = 0; i + 2 < png.rgb.size(); i += 3)
            image.pixels.push_back(Rgb{png.rgb[i], png.rgb[i + 1], png.rgb[i + 2]});
        return image;
    }
    std::string errors() const
    {
        std::ifstream in(viewer.stderrPath);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

// Where the image's u (left to right) and v (top to bottom) run on screen, read from a texture
// whose red grows with u, blue falls with u and green grows with v: lighting scales the three
// channels alike, so red / (red + blue) is u and green / (red + blue) is v wherever it lands.
struct Steps {
    int forward = 0, backward = 0;
};

Steps stepsAlong(const RgbImage& gradient, const PixelMask& mask, bool horizontal)
{
    std::vector<std::vector<bool>> inside(gradient.height, std::vector<bool>(gradient.width));
    for (const auto& [x, y] : mask)
        inside[y][x] = true;
    const auto measure = [&](int x, int y) {
        const Rgb c = gradient.at(x, y);
        const double sum = c.r + c.b;
        return horizontal ? c.r / sum : c.g / sum;
    };
    Steps steps;
    for (const auto& [x, y] : mask) {
        const int nx = horizontal ? x + 1 : x, ny = horizontal ? y : y + 1;
        if (nx >= gradient.width || ny >= gradient.height || !inside[ny][nx])
            continue;
        const Rgb a = gradient.at(x, y), b = gradient.at(nx, ny);
        if (a.r + a.b < 40 || b.r + b.b < 40)
            continue;
        const double d = measure(nx, ny) - measure(x, y);
        // Larger jumps are the seam where u wraps, or an edge.
        if (d > 0.002 && d < 0.25)
            ++steps.forward;
        else if (d < -0.002 && d > -0.25)
            ++steps.backward;
    }
    return steps;
}

TEST_F(ImagesAndCommandLine, EveryObjectShowsAnImageTheWayItReads)
{
    // Where each object lies, from the solid-colour textures; then the same picture in the
    // gradient image on every object.
    writeStandardTextures(dir);
    ASSERT_EQ(0, render({"--quiet", "--render", "swatches.png"})) << describeViewer();
    EXPECT_EQ("", outputSoFar(viewer));  // --quiet: no progress lines
    const int side = 128;
    std::string ppm = "P6\n" + std::to_string(side) + " " + std::to_string(side) + "\n255\n";
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            ppm += {static_cast<char>(2 * x), static_cast<char>(2 * y),
                    static_cast<char>(255 - 2 * x)};
    ASSERT_TRUE(writeTextFile(dir + "/gradient.ppm", ppm));
    ASSERT_TRUE(writeTextureList(dir + "/gradient.txt", std::vector<std::string>(5, "gradient.ppm")));
    ASSERT_EQ(0, render({"--render", "gradient.png", "gradient.txt"})) << describeViewer();
    const RgbImage swatches = picture("swatches.png"), gradient = picture("gradient.png");
    ASSERT_FALSE(swatches.empty());

    const auto check = [&](const char* name, PixelMask mask, bool vertical) {
        SCOPED_TRACE(name);
        const Steps across = stepsAlong(gradient, mask, true);
        EXPECT_GT(across.forward, 10);
        EXPECT_GT(across.forward, 3 * across.backward) << "left to right reads backwards";
        if (!vertical)
            return;
        const Steps down = stepsAlong(gradient, mask, false);
        EXPECT_GT(down.forward, 10);
        EXPECT_GT(down.forward, 3 * down.backward) << "top to bottom reads upside down";
    };
    check("can", maskOf(swatches, isSwatch(Swatch::Can)), true);
    check("globe", maskOf(swatches, isSwatch(Swatch::Globe)), true);
    check("vase", maskOf(swatches, isSwatch(Swatch::Vase)), true);
    // The legs: the table's colour below the table top.
    PixelMask legs;
    for (const auto& p : maskOf(swatches, isSwatch(Swatch::Table)))
        if (p.second > swatches.height * 3 / 4)
            legs.push_back(p);
    check("legs", legs, true);
    // The stand's base: the lowest rows of the stand's colour (the half-ring lies higher). Its
    // axis points up, so it is t that needs mirroring there.
    const PixelSpread stand = spreadOfSwatch(swatches, Swatch::Stand);
    PixelMask base;
    for (const auto& p : maskOf(swatches, isSwatch(Swatch::Stand)))
        if (p.second > stand.maxY - 12)
            base.push_back(p);
    check("stand", base, true);
    if (HasFailure()) {
        saveGrab(swatches, "swatches");
        saveGrab(gradient, "gradient");
    }
}

// A list that can be read only once (a pipe) serves --set and the textures alike.
TEST_F(ImagesAndCommandLine, AListOnAPipeIsReadOnce)
{
    writeStandardTextures(dir);
    for (const std::string set : {"", " --set vaseTexture=4"}) {
        SCOPED_TRACE(set.empty() ? "without --set" : "with --set");
        const std::string command = "cd '" + dir + "' && cat textureList.txt | DISPLAY= '" +
                                    TOLVANE_BINARY + "' --quiet --render piped.png" + set +
                                    " /dev/stdin 2>errors.txt";
        EXPECT_EQ(0, std::system(command.c_str()))
            << std::ifstream(dir + "/errors.txt").rdbuf();
        EXPECT_FALSE(picture("piped.png").pixels.empty());
        std::remove((dir + "/piped.png").c_str());
    }
}

TEST_F(ImagesAndCommandLine, SaysWhatIsWrongOnStandardError)
{
    {
        SCOPED_TRACE("a list that cannot be opened");
        EXPECT_EQ(1, render({"--render", "a.png", "x.txt"}));
        EXPECT_EQ("tolvane: cannot open texture list 'x.txt': No such file or directory\n",
                  errors());
        EXPECT_NE(std::string::npos, outputSoFar(viewer).find("Usage: ./tolvane <input_file>"));
    }
    {
        SCOPED_TRACE("a folder given as the list");
        std::filesystem::create_directory(dir + "/textures");
        EXPECT_EQ(1, render({"--render", "a.png", "textures"}));
        EXPECT_EQ("tolvane: cannot open texture list 'textures': it is a folder; give the texture "
                  "list file in it\n",
                  errors());
    }
    {
        SCOPED_TRACE("an image of another kind");
        ASSERT_TRUE(writeTextFile(dir + "/photo.gif", "GIF89a\x01\x00\x01\x00"));
        ASSERT_TRUE(writeTextureList(dir + "/gif.txt", {"photo.gif"}));
        EXPECT_EQ(1, render({"--render", "a.png", "gif.txt"}));
        EXPECT_NE(std::string::npos, outputSoFar(viewer).find("photo.gif is not a P6 PPM file!"));
        EXPECT_NE(std::string::npos, errors().find("photo.gif is a GIF image; textures are read"));
    }
    {
        SCOPED_TRACE("an image wider than the largest texture is scaled to fit");
        const int width = 20000;
        std::string ppm = "P6\n" + std::to_string(width) + " 4\n255\n";
        ppm.append(static_cast<size_t>(width) * 4 * 3, '\x80');
        ASSERT_TRUE(writeTextFile(dir + "/wide.ppm", ppm));
        ASSERT_TRUE(writeTextureList(dir + "/wide.txt", {"wide.ppm"}));
        EXPECT_EQ(0, render({"--render", "wide.jpg", "wide.txt"})) << describeViewer();
        EXPECT_NE(std::string::npos, outputSoFar(viewer).find("Scaled wide.ppm from 20000x4 to "))
            << outputSoFar(viewer);
        // --render .jpg writes JPEG, its arguments in a comment.
        std::ifstream in(dir + "/wide.jpg", std::ios::binary);
        const std::string jpeg(std::istreambuf_iterator<char>(in), {});
        EXPECT_EQ(0u, jpeg.rfind("\xFF\xD8\xFF", 0));
        EXPECT_NE(std::string::npos, jpeg.find("Tolvane arguments: --set "));
    }
    {
        SCOPED_TRACE("--output-dir that is not there");
        EXPECT_EQ(1, render({"--output-dir", "nowhere"}));
        EXPECT_EQ("tolvane: --output-dir nowhere: No such file or directory\n", errors());
    }
}

}  // namespace
