// End-to-end tests, headless (--render), of pictures' transparent background and of the props'
// shadows on the table, over the still life of solid-colour textures.
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "png_decode.h"

namespace {

using namespace e2e;

// A light above the table and to the side, so the shadows fall where the camera sees them.
const char* const kSideLight = "lightPosition=0.3,1,-0.6";

class Pictures : public ViewerTest {
  protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        writeStandardTextures(dir);
    }

    // A headless picture drawn with these settings ("name=value" each), or with these words
    // as its arguments.
    testimg::DecodedPng render(const std::vector<std::string>& words, bool asSettings = true)
    {
        std::vector<std::string> args{"--quiet", "--render", "picture.png"};
        for (const std::string& w : words) {
            if (asSettings)
                args.push_back("--set");
            args.push_back(w);
        }
        args.push_back("textureList.txt");
        launch(args, dir, {{"DISPLAY", ""}});
        EXPECT_EQ(0, waitForExit(viewer, 60.0)) << describeViewer();
        const testimg::DecodedPng png = testimg::decodePngFile(dir + "/picture.png");
        EXPECT_EQ("", png.error);
        return png;
    }

    static Rgb rgbAt(const testimg::DecodedPng& png, size_t i)
    {
        return Rgb{png.rgb[i * 3], png.rgb[i * 3 + 1], png.rgb[i * 3 + 2]};
    }
};

TEST_F(Pictures, TransparentBackgroundKeepsTheDrawnPixelsAndReplays)
{
    const testimg::DecodedPng opaque = render({});
    const testimg::DecodedPng clear = render({"transparentBackground=1"});
    ASSERT_EQ(opaque.rgb.size(), clear.rgb.size());
    EXPECT_TRUE(opaque.alpha.empty());  // off: the picture is as it always was
    ASSERT_EQ(clear.rgb.size() / 3, clear.alpha.size());
    EXPECT_EQ(0, clear.alpha[0]) << "top-left corner";

    // Without antialiasing a pixel is drawn or not: drawn ones are the opaque picture's, the
    // others its white background; the table is drawn.
    size_t table = 0, drawn = 0;
    for (size_t i = 0; i < clear.alpha.size(); ++i) {
        const Rgb was = rgbAt(opaque, i);
        ASSERT_TRUE(clear.alpha[i] == 0 || clear.alpha[i] == 255) << "pixel " << i;
        if (clear.alpha[i] == 255) {
            ASSERT_EQ(was, rgbAt(clear, i)) << "pixel " << i;
            ++drawn;
        } else
            ASSERT_EQ(Swatch::Background, classify(was)) << "pixel " << i;
        if (classify(was) == Swatch::Table) {
            EXPECT_EQ(255, clear.alpha[i]) << "table pixel " << i;
            ++table;
        }
    }
    EXPECT_GT(table, 1000u);
    EXPECT_LT(drawn, clear.alpha.size());

    // The picture's arguments name the setting and draw the same pixels again.
    const std::string arguments = clear.texts.at("Tolvane arguments");
    EXPECT_NE(std::string::npos, arguments.find("--set transparentBackground=1")) << arguments;
    std::vector<std::string> words;
    std::istringstream split(arguments);
    for (std::string w; split >> w;)
        words.push_back(w);
    const testimg::DecodedPng again = render(words, false);
    EXPECT_TRUE(again.rgb == clear.rgb && again.alpha == clear.alpha);

    // Antialiased, the outline blends: some pixels lie between empty and drawn.
    const testimg::DecodedPng smooth = render({"transparentBackground=1", "antialiasing=4"});
    if (smooth.texts.at("Tolvane arguments").find("antialiasing=") == std::string::npos)
        GTEST_SKIP() << "this GL draws no multisampled pictures";
    size_t edges = 0;
    for (unsigned char a : smooth.alpha)
        edges += a > 0 && a < 255;
    EXPECT_GT(edges, 200u);
}

TEST_F(Pictures, ShadowsDarkenOnlyTheTableAndFollowTheLight)
{
    // Where the pictures with and without shadows differ, for one light; each changed pixel
    // must be the table's, darker.
    const auto shadowed = [&](const char* light) {
        const testimg::DecodedPng plain = render({light});
        const testimg::DecodedPng shaded = render({light, "shadows=1"});
        std::vector<size_t> where;
        for (size_t i = 0; i < plain.rgb.size() / 3; ++i) {
            const Rgb a = rgbAt(plain, i), b = rgbAt(shaded, i);
            if (a == b)
                continue;
            where.push_back(i);
            // The table's swatch is pure red: too dark to classify where the light grazes it.
            EXPECT_TRUE(classify(a) == Swatch::Table || (a.g == 0 && a.b == 0))
                << light << ", pixel " << i;
            EXPECT_TRUE(b.r <= a.r && b.g <= a.g && b.b <= a.b && b.r + b.g + b.b < a.r + a.g + a.b)
                << light << ", pixel " << i;
        }
        EXPECT_GT(where.size(), 1000u) << light;
        double x = 0;
        for (size_t i : where)
            x += static_cast<double>(i % plain.width);
        return where.empty() ? 0.0 : x / static_cast<double>(where.size());
    };
    const double right = shadowed(kSideLight);
    const double left = shadowed("lightPosition=-0.6,1,0.3");
    EXPECT_GT(right - left, 20.0) << "the shadows' mean x under two lights";
}

}  // namespace
