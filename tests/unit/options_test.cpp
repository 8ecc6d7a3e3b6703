// The command line and the named settings: parsing, refusals, and reproducing arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "core/options.h"
#include "core/scene_state.h"
#include "core/view_math.h"

namespace {

CommandLine parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "tolvane");
    return parseCommandLine(static_cast<int>(args.size()), args.data());
}

}  // namespace

TEST(CommandLine, ReadsOptionsAfterSkippingGlutsOwn)
{
    {
        const CommandLine line = parse({});
        EXPECT_EQ(CommandAction::View, line.action);
        EXPECT_EQ("textureList.txt", line.listFile);
        EXPECT_FALSE(line.geometrySize);
    }
    {
        const CommandLine line = parse({"-geometry", "700x700+20+20", "--set", "zoom=2", "-sync",
                                        "--set", "crazyVase=1", "-display", ":3", "list.txt"});
        EXPECT_EQ(CommandAction::View, line.action) << line.text;
        EXPECT_TRUE(line.geometrySize);
        EXPECT_EQ("list.txt", line.listFile);
        EXPECT_EQ((std::vector<std::string>{"zoom=2", "crazyVase=1"}), line.settings);
    }
    EXPECT_FALSE(parse({"-geometry", "+20+20"}).geometrySize);
    {
        const CommandLine line = parse({"--render", "out.png", "--size", "640x480"});
        EXPECT_EQ(CommandAction::Render, line.action) << line.text;
        EXPECT_EQ("out.png", line.renderPath);
        EXPECT_EQ(640, line.width);
        EXPECT_EQ(480, line.height);
        EXPECT_EQ(500, parse({"--render", "a.png"}).width);
    }
    {
        const CommandLine help = parse({"-h"});
        EXPECT_EQ(CommandAction::Help, help.action);
        for (const char* word : {"--set", "--render", "--size", "--version", "vaseVerticalSteps",
                                 "lightPosition", "rotation", "globeAngle", "spinY"})
            EXPECT_NE(std::string::npos, help.text.find(word)) << word;
        // One usage, and no CLI11 annotation on --size's line.
        EXPECT_EQ(help.text.find("Usage:"), help.text.rfind("Usage:"));
        EXPECT_EQ(std::string::npos, help.text.find("Needs:"));
        EXPECT_EQ(CommandAction::Error, parse({"--size", "9x9"}).action);
        EXPECT_EQ(CommandAction::Version, parse({"--version"}).action);
    }
}

TEST(CommandLine, RefusalsAreOneLine)
{
    for (std::vector<const char*> args : {std::vector<const char*>{"--size", "640x480"},
                                          {"--render", "a.png", "--size", "0x10"},
                                          {"--render", "a.png", "--size", "640"},
                                          {"--render", "a.png", "--size", "99999x10"},
                                          {"--render"},
                                          {"--bogus"},
                                          {"--bogus\nline"},
                                          {"a.txt", "b.txt"}}) {
        const CommandLine line = parse(args);
        EXPECT_EQ(CommandAction::Error, line.action) << args[0];
        EXPECT_EQ(0u, line.text.rfind("tolvane: ", 0)) << line.text;
        EXPECT_EQ(std::string::npos, line.text.find('\n')) << line.text;
    }
}

TEST(Settings, TakeThePanelsKindsAndLimits)
{
    SceneState s;
    EXPECT_EQ("", applySetting(s, "vaseVerticalSteps=1000", 5));
    EXPECT_EQ("", applySetting(s, "crazyVase=1", 5));
    EXPECT_EQ("", applySetting(s, "lightPosition=1,0.5,-1", 5));
    EXPECT_EQ("", applySetting(s, "zoom=0.3", 5));
    EXPECT_EQ("", applySetting(s, "globeAngle=359", 5));
    EXPECT_EQ("", applySetting(s, "vaseTexture=40", -1));  // the count is not known
    EXPECT_EQ(1000, s.vaseVerticalSteps);
    EXPECT_EQ(1, s.crazyVase);
    EXPECT_FLOAT_EQ(0.5f, s.lightPosition[1]);
    EXPECT_FLOAT_EQ(-1.0f, s.lightPosition[2]);
    EXPECT_FLOAT_EQ(0.0f, s.lightPosition[3]);  // w is never set
    EXPECT_FLOAT_EQ(0.3f, s.zoom);

    // Each refusal names the setting and what it allows, and changes nothing.
    const SceneState before = s;
    const struct {
        const char* assignment;
        const char* allowed;
    } refused[] = {
        {"vaseVerticalSteps=1001", "from 0 to 1000"},
        {"vaseVerticalSteps=-1", "from 0 to 1000"},
        {"vaseRadialSteps=2.5", "whole number"},
        {"objectSlices=1e-3", "whole number"},
        {"crazyVase=2", "0 or 1"},
        {"zoom=0.29", "from 0.3 to 10"},
        {"zoom=11", "from 0.3 to 10"},
        {"vaseTexture=5", "from 0 to 4"},
        {"globeAngle=360", "from 0 to 359"},
        {"lightPosition=1,2", "three numbers"},
        {"lightDiffuse=1e39,0,0", "three numbers"},
        {"lightPosition=1e40,0,0", "1e40 is too large (at most about 3.4e+38)"},
        {"rotation=0,nan,0", "three numbers"},
        {"zoom=", "a number"},
        {"zoom", "give a value"},
        {"spinGlobe= 1", "0 or 1"},
        {"nosuch=1", "no setting named 'nosuch'"},
    };
    for (const auto& r : refused) {
        const std::string error = applySetting(s, r.assignment, 5);
        EXPECT_NE(std::string::npos, error.find(r.assignment)) << error;
        EXPECT_NE(std::string::npos, error.find(r.allowed)) << error;
    }
    EXPECT_EQ(before.vaseVerticalSteps, s.vaseVerticalSteps);
    EXPECT_EQ(before.lightPosition[0], s.lightPosition[0]);
    EXPECT_EQ(before.zoom, s.zoom);
    EXPECT_NE("", applySetting(s, "tableTexture=0", 0));  // an empty list offers no index
    EXPECT_EQ(std::string::npos, applySetting(s, "zoom=1\nnext", 5).find('\n'));
}

TEST(Settings, ReproducingArgumentsReadBackToTheSameState)
{
    SceneState original;
    original.vaseVerticalSteps = 999;
    original.fillVaseSteps = 0;
    original.lightSpecular[1] = 0.1f + 1e-7f;  // a value with no short decimal form
    original.rotation[0] = -37.2f;
    original.rotation[1] = 123.456f;
    original.zoom = 2.5f;
    original.globeAngle = 271;
    original.spinY = 1;

    const std::string args = reproducingArguments(original);
    EXPECT_EQ(std::string::npos, args.find("spinY")) << args;
    std::istringstream words(args);
    SceneState copy;
    int count = 0;
    for (std::string flag, assignment; words >> flag >> assignment; ++count) {
        EXPECT_EQ("--set", flag);
        EXPECT_EQ("", applySetting(copy, assignment, 5));
    }
    EXPECT_EQ(21, count);  // 6 flags, 9 spinners, 3 light vectors, rotation, zoom, globe angle
    EXPECT_EQ(999, copy.vaseVerticalSteps);
    EXPECT_EQ(0, copy.fillVaseSteps);
    EXPECT_EQ(original.lightSpecular[1], copy.lightSpecular[1]);
    EXPECT_EQ(original.rotation[0], copy.rotation[0]);
    EXPECT_EQ(original.rotation[1], copy.rotation[1]);
    EXPECT_EQ(2.5f, copy.zoom);
    EXPECT_EQ(271, copy.globeAngle);
    EXPECT_EQ(0, copy.spinY);

    EXPECT_EQ("zoom=2", shellQuote("zoom=2"));
    EXPECT_EQ("'a b'", shellQuote("a b"));
    EXPECT_EQ("'it'\\''s'", shellQuote("it's"));
}

// Overlays and smoothing are named only when on, so a picture of today keeps its arguments;
// antialiasing takes the sample counts alone.
TEST(Settings, OverlaysAndAntialiasingAreNamedOnlyWhenOn)
{
    SceneState state;
    const std::string plain = reproducingArguments(state);
    for (const char* name : {"showMesh", "showNormals", "showLight", "antialiasing"})
        EXPECT_EQ(std::string::npos, plain.find(name)) << plain;
    for (const char* good : {"antialiasing=0", "antialiasing=2", "antialiasing=8", "showMesh=1"})
        EXPECT_EQ("", applySetting(state, good, 5)) << good;
    EXPECT_EQ("--set antialiasing=3: antialiasing takes 0, 2, 4 or 8",
              applySetting(state, "antialiasing=3", 5));
    EXPECT_EQ(8, state.antialiasing);
    const std::string on = reproducingArguments(state);
    EXPECT_NE(std::string::npos, on.find("--set showMesh=1 --set antialiasing=8")) << on;
}

TEST(CommandLine, SaysWhatIsWrongInItsOwnWords)
{
    {
        const CommandLine line = parse({"--render", "Out.JPEG", "--quiet", "--output-dir", "pics"});
        EXPECT_EQ(CommandAction::Render, line.action) << line.text;
        EXPECT_EQ("jpeg", renderFormatOf(line.renderPath));
        EXPECT_TRUE(line.quiet);
        EXPECT_EQ("pics", line.outputDir);
        EXPECT_EQ("png", renderFormatOf("a.b/c.png"));
        EXPECT_EQ("", renderFormatOf("a.png/c"));
    }
    const struct {
        std::vector<const char*> args;
        const char* says;
    } refused[] = {
        {{"--render", ""}, "needs a file name"},
        {{"--render", "a.avi"}, ".png (PNG) or .jpg/.jpeg (JPEG), or .mp4, .webm or .gif"},
        {{"--frames", "4000"}, "--frames 4000: give from 1 to 3600"},
        {{"--render", "t.mp4", "--frames", "0"}, "--frames 0: give from 1 to 3600"},
        {{"--render", "t.mp4", "--size", "501x500"}, "needs an even width and height"},
        {{"--render", "t.png", "--fps", "30"}, "--fps needs --render of a turntable"},
        {{"--render", "a.png", "--render", "b.png"}, "--render takes one file"},
        {{"a.txt", "b.txt"}, "give one texture list file"},
        {{"-geometry", "800x600", "--render", "a.png"}, "--size WxH"},
    };
    for (const auto& r : refused) {
        const CommandLine line = parse(r.args);
        EXPECT_EQ(CommandAction::Error, line.action) << r.says;
        EXPECT_NE(std::string::npos, line.text.find(r.says)) << line.text;
    }
    EXPECT_EQ(CommandAction::Render, parse({"-geometry", "+5+5", "--render", "a.png"}).action);
    const CommandLine gif = parse({"--render", "t.gif", "--frames", "12", "--fps", "12.5"});
    EXPECT_EQ(CommandAction::Render, gif.action) << gif.text;
    EXPECT_EQ(TurntableKind::Gif, gif.turntable.kind);
    EXPECT_EQ(12, gif.turntable.frames);
    EXPECT_EQ(12.5, gif.turntable.fps);
}

TEST(Settings, TakeWhatThePanelTakesAndDropWholeTurns)
{
    SceneState s;
    EXPECT_EQ("", applySetting(s, "objectSlices=1e3", 5));
    EXPECT_EQ(1000, s.objectSlices);
    EXPECT_EQ("", applySetting(s, "lightDiffuse=1, 0.5,  0", 5));
    EXPECT_FLOAT_EQ(0.5f, s.lightDiffuse[1]);
    EXPECT_NE("", applySetting(s, "objectSlices=1e10", 5));

    // The idle step converts the angle to int: 3e9 must not reach it.
    EXPECT_EQ("", applySetting(s, "rotation=720.5,3e9,-370", 5));
    EXPECT_FLOAT_EQ(0.5f, s.rotation[0]);
    EXPECT_FLOAT_EQ(std::fmod(3e9f, 360.0f), s.rotation[1]);
    EXPECT_FLOAT_EQ(-10.0f, s.rotation[2]);
    s.spinY = 1;
    advanceAnimation(s);  // undefined behaviour (UBSan stops) if the angle did not fit an int
    EXPECT_EQ(-37.25f, wrapDegrees(-37.25f));  // already within a turn: bit for bit
}

// A picture's arguments draw it again at its own size, and with an empty list.
TEST(Settings, ReproducingArgumentsCarryTheSizeAndSuitAnEmptyList)
{
    SceneState state;
    state.zoom = 2.0f;
    const std::string sized = reproducingArguments(state, 5, 800, 600);
    EXPECT_EQ(0u, sized.find("--size 800x600 --set ")) << sized;
    EXPECT_EQ(std::string::npos, reproducingArguments(state, 5).find("--size"));

    std::vector<const char*> args{"--render", "again.png"};
    std::istringstream words(sized);
    std::vector<std::string> kept;
    for (std::string word; words >> word;)
        kept.push_back(word);
    for (const std::string& word : kept)
        args.push_back(word.c_str());
    const CommandLine line = parse(args);
    ASSERT_EQ(CommandAction::Render, line.action) << line.text;
    EXPECT_EQ(800, line.width);
    EXPECT_EQ(600, line.height);

    // With no images, no texture index may appear: the same list would refuse it.
    const std::string empty = reproducingArguments(state, 0);
    EXPECT_EQ(std::string::npos, empty.find("Texture")) << empty;
    std::istringstream emptyWords(empty);
    SceneState copy;
    for (std::string flag, assignment; emptyWords >> flag >> assignment;)
        EXPECT_EQ("", applySetting(copy, assignment, 0));
    EXPECT_EQ(2.0f, copy.zoom);
}
