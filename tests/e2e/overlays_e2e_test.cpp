// End-to-end tests, headless (--render), of the overlays (the vase's mesh, its normals and the
// light) and of antialiasing, drawn over the still life of solid-colour textures.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "png_decode.h"

namespace {

using namespace e2e;

class Overlays : public ViewerTest {
  protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        writeStandardTextures(dir);
    }

    // A headless picture of the swatch still life with `settings` ("name=value" each); its
    // arguments as the picture carries them in `arguments` when asked.
    RgbImage render(const std::vector<std::string>& settings, std::string* arguments = nullptr)
    {
        std::vector<std::string> args{"--quiet", "--render", "picture.png"};
        for (const std::string& s : settings) {
            args.push_back("--set");
            args.push_back(s);
        }
        args.push_back("textureList.txt");
        launch(args, dir, {{"DISPLAY", ""}});
        EXPECT_EQ(0, waitForExit(viewer, 60.0)) << describeViewer();
        const testimg::DecodedPng png = testimg::decodePngFile(dir + "/picture.png");
        EXPECT_EQ("", png.error);
        if (arguments != nullptr && png.texts.count("Tolvane arguments"))
            *arguments = png.texts.at("Tolvane arguments");
        RgbImage image{png.width, png.height, {}};
        for (size_t i = 0; i + 2 < png.rgb.size(); i += 3)
            image.pixels.push_back(Rgb{png.rgb[i], png.rgb[i + 1], png.rgb[i + 2]});
        return image;
    }
};

// Pixels where two pictures of one size differ.
std::vector<std::pair<int, int>> changed(const RgbImage& a, const RgbImage& b)
{
    std::vector<std::pair<int, int>> where;
    for (int y = 0; y < a.height && a.height == b.height; ++y)
        for (int x = 0; x < a.width && a.width == b.width; ++x)
            if (!(a.at(x, y) == b.at(x, y)))
                where.emplace_back(x, y);
    return where;
}

// Whether the pixel or one beside it is in the mask (a line along the outline may fall a
// pixel outside the surface).
bool nearVase(const std::vector<std::vector<bool>>& vase, int x, int y)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (ny >= 0 && ny < static_cast<int>(vase.size()) && nx >= 0 &&
                nx < static_cast<int>(vase[ny].size()) && vase[ny][nx])
                return true;
        }
    return false;
}

double centroidX(const std::vector<std::pair<int, int>>& where)
{
    double sum = 0;
    for (const auto& p : where)
        sum += p.first;
    return where.empty() ? -1 : sum / static_cast<double>(where.size());
}

TEST_F(Overlays, MeshLinesLieOnTheVaseAndNowhereElse)
{
    const RgbImage plain = render({});
    // Where the vase is: what a picture without it (no bands) changes.
    std::vector<std::vector<bool>> vase(plain.height, std::vector<bool>(plain.width));
    for (const auto& [x, y] : changed(plain, render({"vaseVerticalSteps=0"})))
        vase[y][x] = true;
    const RgbImage mesh = render({"showMesh=1"});
    const std::vector<std::pair<int, int>> lines = changed(plain, mesh);
    EXPECT_GT(lines.size(), 500u);
    int astray = 0;
    for (const auto& [x, y] : lines)
        if (!nearVase(vase, x, y))
            ++astray;
    EXPECT_EQ(0, astray) << saveGrab(mesh, "mesh");
}

TEST_F(Overlays, NormalsFollowTheNormalsThatLightTheVase)
{
    const RgbImage radial = render({"radialVaseNormals=1"});
    const RgbImage tilted = render({"radialVaseNormals=0"});
    const auto radialLines = changed(radial, render({"radialVaseNormals=1", "showNormals=1"}));
    const auto tiltedLines = changed(tilted, render({"radialVaseNormals=0", "showNormals=1"}));
    EXPECT_GT(radialLines.size(), 500u);
    EXPECT_GT(tiltedLines.size(), 500u);
    // The same vertices, other directions: the lines cover other pixels.
    std::vector<std::vector<bool>> inRadial(radial.height, std::vector<bool>(radial.width));
    for (const auto& [x, y] : radialLines)
        inRadial[y][x] = true;
    size_t onlyTilted = 0;
    for (const auto& [x, y] : tiltedLines)
        onlyTilted += inRadial[y][x] ? 0 : 1;
    EXPECT_GT(onlyTilted, 100u);
}

TEST_F(Overlays, LightMarkerMovesWithTheLight)
{
    // Directional lights from the camera's left and from its right (the camera looks along
    // (1,-1,1), so world (-1,0,1) is to the right on screen).
    const std::string left = "lightPosition=1,1,-1", right = "lightPosition=-1,1,1";
    const auto leftMarker = changed(render({left}), render({left, "showLight=1"}));
    const auto rightMarker = changed(render({right}), render({right, "showLight=1"}));
    ASSERT_GT(leftMarker.size(), 20u);
    ASSERT_GT(rightMarker.size(), 20u);
    EXPECT_GT(centroidX(rightMarker) - centroidX(leftMarker), 50.0);
}

TEST_F(Overlays, APictureWithOverlaysCarriesThemAndReplays)
{
    std::string arguments;
    const RgbImage first = render(
        {"showMesh=1", "showNormals=1", "showLight=1", "crazyVase=1"}, &arguments);
    for (const char* name : {"showMesh=1", "showNormals=1", "showLight=1"})
        EXPECT_NE(std::string::npos, arguments.find(name)) << arguments;
    std::vector<std::string> settings;
    std::istringstream words(arguments);
    for (std::string word; words >> word;)
        if (word != "--set")
            settings.push_back(word);
    std::string again;
    EXPECT_TRUE(changed(first, render(settings, &again)).empty());
    EXPECT_EQ(arguments, again);
}

// Pixels of the table's outline against the white background that mix the two: pink, not the
// lit red swatch (green and blue near 0) nor white. Without antialiasing a pixel is one or
// the other.
int mixedTableEdge(const RgbImage& image)
{
    int mixed = 0;
    const Rgb white{255, 255, 255};
    for (int y = 1; y + 1 < image.height; ++y)
        for (int x = 1; x + 1 < image.width; ++x) {
            const Rgb c = image.at(x, y);
            const bool besideWhite = image.at(x - 1, y) == white || image.at(x + 1, y) == white ||
                                     image.at(x, y - 1) == white || image.at(x, y + 1) == white;
            const int low = std::min(c.g, c.b), high = std::max(c.g, c.b);
            if (besideWhite && c.r > 200 && low > 40 && high < 230 && high - low < 40)
                ++mixed;
        }
    return mixed;
}

TEST_F(Overlays, AntialiasingBlendsTheTablesEdgeIntoTheBackground)
{
    const RgbImage aliased = render({"antialiasing=0"});
    std::string arguments;
    const RgbImage smooth = render({"antialiasing=4"}, &arguments);
    if (arguments.find("antialiasing=4") == std::string::npos)
        GTEST_SKIP() << "this GL offers no 4-sample pbuffer: " << describeViewer();
    EXPECT_LT(mixedTableEdge(aliased), 10) << saveGrab(aliased, "aliased");
    EXPECT_GT(mixedTableEdge(smooth), 100) << saveGrab(smooth, "smooth");
}

}  // namespace
