// End-to-end tests, headless, of --render turntables: numbered frames against single pictures
// turned by hand, videos read back by FFmpeg's own tools, and the refusals.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <X11/keysym.h>

#include "harness.h"
#include "panel_driver.h"
#include "png_decode.h"
#include "core/save_work.h"

namespace {

using namespace e2e;

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A command's standard output (stderr left out).
std::string commandOutput(const std::string& command)
{
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return out;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        out.append(chunk, n);
    pclose(pipe);
    return out;
}

// Peak signal-to-noise ratio of two RGB pictures of one size, in dB.
double psnr(const std::string& a, const std::vector<unsigned char>& b)
{
    if (a.size() != b.size() || a.empty())
        return 0;
    double squares = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = static_cast<unsigned char>(a[i]) - static_cast<double>(b[i]);
        squares += d * d;
    }
    const double mse = squares / a.size();
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

class Turntable : public ViewerTest {
  protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        writeStandardTextures(dir);
    }
    int run(std::vector<std::string> args)
    {
        args.push_back("textureList.txt");
        launch(args, dir, {{"DISPLAY", ""}});
        return waitForExit(viewer, 240.0);
    }
    std::string errors() const { return bytesOf(viewer.stderrPath); }
    // Names in dir other than the textures and the viewer's output folders.
    std::vector<std::string> writtenFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (!entry.is_directory() && name.find(".ppm") == std::string::npos &&
                name != "textureList.txt" && name != "xvfb.log")
                names.push_back(name);
        }
        return names;
    }
};

TEST_F(Turntable, NumberedFramesAreTheScenePicturedTurned)
{
    // A view already turned, so that frame i is the start plus i degrees, not i degrees.
    ASSERT_EQ(0, run({"--quiet", "--render", "frame-%04d.png", "--size", "160x160", "--set",
                      "rotation=10,20,0", "--set", "globeAngle=5"}))
        << describeViewer();
    EXPECT_NE(std::string::npos, outputSoFar(viewer).find("Wrote frame-%04d.png: 360 frames"))
        << outputSoFar(viewer);
    EXPECT_TRUE(std::filesystem::exists(dir + "/frame-0359.png"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/frame-0360.png"));
    for (int degrees : {0, 90, 270}) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%04d.png", degrees);
        const std::string y = std::to_string(20 + degrees);
        const std::string globe = std::to_string(5 + degrees);
        ASSERT_EQ(0, run({"--quiet", "--render", "turned.png", "--size", "160x160", "--set",
                          "rotation=10," + y + ",0", "--set", "globeAngle=" + globe}))
            << describeViewer();
        // Byte for byte: the same pixels and the same arguments in the same chunks.
        EXPECT_TRUE(bytesOf(dir + "/" + name) == bytesOf(dir + "/turned.png")) << name;
        // And the frame's own arguments draw it alone.
        ASSERT_EQ(0, run({"--quiet", "--scene", name, "--render", "again.png"})) << describeViewer();
        EXPECT_TRUE(bytesOf(dir + "/" + name) == bytesOf(dir + "/again.png")) << name;
    }
}

TEST_F(Turntable, VideosCarryTheirFramesRateAndArguments)
{
    ASSERT_NE("", commandOutput("command -v ffprobe")) << "ffprobe (Debian's ffmpeg) is missing";
    const struct {
        const char* name;
        const char* codec;
        const char* rate;
        double leastPsnr;  // dB between the decoded middle frame and its --render
    } videos[] = {
        {"t.mp4", "h264", "24/1", 28},
        {"t.webm", "vp9", "24/1", 28},
        {"t.gif", "gif", "25/1", 30},  // 256 colours, dithered
    };
    ASSERT_EQ(0, run({"--quiet", "--render", "middle.png", "--size", "160x120", "--set",
                      "rotation=0,180,0", "--set", "globeAngle=180"}))
        << describeViewer();
    const testimg::DecodedPng middle = testimg::decodePngFile(dir + "/middle.png");
    for (const auto& v : videos) {
        const std::string fps = std::string(v.rate).substr(0, 2);
        ASSERT_EQ(0, run({"--quiet", "--render", v.name, "--frames", "24", "--fps", fps, "--size",
                          "160x120"}))
            << describeViewer();
        const std::string path = dir + "/" + v.name;
        std::string probe = commandOutput(
            "ffprobe -v error -count_frames -show_entries stream=codec_name,width,height,"
            "nb_read_frames,r_frame_rate,pix_fmt:format_tags=comment -of default '" + path + "'");
        // WebM spells the tag in capitals.
        for (size_t at; (at = probe.find("TAG:COMMENT=")) != std::string::npos;)
            probe.replace(at, 12, "TAG:comment=");
        EXPECT_NE(std::string::npos, probe.find(std::string("codec_name=") + v.codec)) << probe;
        EXPECT_NE(std::string::npos, probe.find("width=160\n")) << probe;
        EXPECT_NE(std::string::npos, probe.find("height=120\n")) << probe;
        EXPECT_NE(std::string::npos, probe.find("nb_read_frames=24\n")) << probe;
        EXPECT_NE(std::string::npos, probe.find(std::string("r_frame_rate=") + v.rate)) << probe;
        if (std::string(v.codec) != "gif") {
            EXPECT_NE(std::string::npos, probe.find("pix_fmt=yuv420p")) << probe;
        }
        // The comment holds the arguments of frame 0.
        EXPECT_NE(std::string::npos, probe.find("comment=--size 160x120 --set spinGlobe=1")) << probe;
        EXPECT_NE(std::string::npos, probe.find("--set rotation=0,0,0")) << probe;

        // Frame 12 of 24 is the half turn.
        const std::string decoded = commandOutput(
            "ffmpeg -v error -i '" + path + "' -vf 'select=eq(n\\,12)' -frames:v 1 -f rawvideo "
            "-pix_fmt rgb24 -");
        const double measured = psnr(decoded, middle.rgb);
        EXPECT_GE(measured, v.leastPsnr) << v.name;
        std::printf("%s: middle frame %.1f dB\n", v.name, measured);

        // --scene of the video opens its first frame's scene.
        ASSERT_EQ(0, run({"--quiet", "--scene", v.name, "--render", "opened.png"}))
            << describeViewer();
        testimg::DecodedPng opened = testimg::decodePngFile(dir + "/opened.png");
        EXPECT_EQ(160, opened.width) << v.name;
        EXPECT_NE(std::string::npos,
                  probe.find("comment=" + opened.texts["Tolvane arguments"] + "\n"))
            << opened.texts["Tolvane arguments"];
    }
}

TEST_F(Turntable, RefusalsSayOneLineAndWriteNothing)
{
    const std::vector<std::vector<std::string>> refused = {
        {"--render", "t.avi"},
        {"--render", "t.mp4", "--frames", "0"},
        {"--render", "t.webm", "--frames", "3601"},
        {"--render", "t.mp4", "--fps", "0"},
        {"--render", "t.webm", "--fps", "121"},
        {"--render", "t.gif", "--fps", "60"},
        {"--render", "t.mp4", "--size", "501x500"},
        {"--render", "f-%d-%d.png", "--frames", "2"},
        {"--render", "f-%s.png"},
        {"--render", "missing-folder/t.mp4", "--frames", "2"},
        {"--render", "missing-folder/f-%d.png", "--frames", "2"},
        {"--scene", "textureList.txt", "--render", "t.mp4"},
    };
    for (std::vector<std::string> args : refused) {
        args.insert(args.begin(), "--quiet");
        EXPECT_EQ(1, run(args)) << args[2] << "\n" << describeViewer();
        const std::string said = errors();
        EXPECT_EQ(1, std::count(said.begin(), said.end(), '\n')) << said;
        EXPECT_EQ(0u, said.rfind("tolvane: ", 0)) << said;
        EXPECT_EQ(std::vector<std::string>{}, writtenFiles()) << args[2];
    }
}

}  // namespace

namespace {

using namespace e2e;

class PanelTurntable : public StillLifeTest {
  protected:
    // The turntable files in dir, whole or temporary.
    std::vector<std::string> turntableFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("tolvane-turntable", 0) == 0)
                names.push_back(name);
        }
        return names;
    }
};

TEST_F(PanelTurntable, SaveTurntableWritesOneWholeVideoAndEscCancelsLeavingNone)
{
    ASSERT_NE("", commandOutput("command -v ffprobe")) << "ffprobe (Debian's ffmpeg) is missing";
    ASSERT_NO_FATAL_FAILURE(startStillLife({}, {"--frames", "12", "--fps", "30"}));
    waitForSteadyScene();
    clickPanelButton(panel, PanelButton::SaveTurntable);
    const std::string video = dir + "/tolvane-turntable-001.mp4";
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(video); }, 60.0, 100))
        << describeViewer();
    const std::string probe = commandOutput(
        "ffprobe -v error -count_frames -show_entries stream=codec_name,width,height,"
        "nb_read_frames,r_frame_rate:format_tags=comment -of default '" + video + "'");
    EXPECT_NE(std::string::npos, probe.find("codec_name=h264")) << probe;
    EXPECT_NE(std::string::npos, probe.find("width=500\n")) << probe;
    EXPECT_NE(std::string::npos, probe.find("nb_read_frames=12\n")) << probe;
    EXPECT_NE(std::string::npos, probe.find("r_frame_rate=30/1")) << probe;
    EXPECT_NE(std::string::npos, probe.find("comment=--set spinGlobe=1")) << probe;
    EXPECT_EQ(std::vector<std::string>{"tolvane-turntable-001.mp4"}, turntableFiles());

    // A long one, cancelled with Esc in the scene window while its frames are written: the
    // viewer keeps running and no file of it is left, temporary or whole.
    ASSERT_NO_FATAL_FAILURE(startViewer({}, {"--frames", "3600"}));
    waitForSteadyScene();
    clickPanelButton(panel, PanelButton::SaveTurntable);
    ASSERT_TRUE(waitUntil([&] { return turntableFiles().size() == 2; }, 30.0, 50))
        << describeViewer();
    pointAtScene();
    tapKey(display(), XK_Escape);
    ASSERT_TRUE(waitUntil([&] { return turntableFiles().size() == 1; }, 30.0, 50));
    EXPECT_TRUE(isRunning(viewer));

    // Again, cancelled by a second click on the button (past the burst of the first).
    clickPanelButton(panel, PanelButton::SaveTurntable);
    ASSERT_TRUE(waitUntil([&] { return turntableFiles().size() == 2; }, 30.0, 50))
        << describeViewer();
    sleepMs(kBurstGapMs + 100);
    clickPanelButton(panel, PanelButton::SaveTurntable);
    ASSERT_TRUE(waitUntil([&] { return turntableFiles().size() == 1; }, 30.0, 50))
        << "a second click did not cancel the turntable";
    EXPECT_TRUE(isRunning(viewer));
    sleepMs(300);
    EXPECT_EQ(std::vector<std::string>{"tolvane-turntable-001.mp4"}, turntableFiles());
}

}  // namespace
