// A scene read back from a saved picture or a page link: the writers' own output round-trips,
// and everything but --set and --size is refused with one line naming the source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/image/jpeg_write.h"
#include "core/image/png_write.h"
#include "core/options.h"
#include "core/scene_file.h"
#include "core/scene_state.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

PpmImage tinyImage()
{
    return PpmImage{2, 1, std::vector<unsigned char>(6, 90)};
}

std::vector<unsigned char> pngCarrying(const std::string& arguments)
{
    return encodePng(tinyImage(), {{"Software", "Tolvane"}, {kArgumentsKeyword, arguments}}).bytes;
}

std::vector<unsigned char> jpegCarrying(const std::string& arguments)
{
    return encodeJpeg(tinyImage(), 90, std::string(kArgumentsKeyword) + ": " + arguments).bytes;
}

SceneState stateWith(const SceneArguments& scene)
{
    SceneState state;
    for (const std::string& s : scene.settings)
        EXPECT_EQ("", applySetting(state, s, 5));
    return state;
}

SceneArguments readBytes(const std::vector<unsigned char>& bytes, const std::string& name = "p.png")
{
    return readSceneBytes(bytes.data(), bytes.size(), name, 5);
}

}  // namespace

// What the writers record (quoting included) reads back as the same state, from PNG and JPEG.
TEST(SceneFile, SavedArgumentsReadBackAsTheSameScene)
{
    SceneState state;
    state.crazyVase = 1;
    state.vaseTexture = 2;
    state.lightPosition[1] = -0.1f;
    state.rotation[0] = 33.25f;
    state.rotation[1] = -7.0f;
    state.zoom = 2.5f;
    state.globeAngle = 123;
    const std::string args = reproducingArguments(state, 5, 640, 480);
    for (const auto& bytes : {pngCarrying(args), jpegCarrying(args)}) {
        const SceneArguments scene = readBytes(bytes);
        ASSERT_TRUE(scene.ok) << scene.message;
        EXPECT_EQ(640, scene.width);
        EXPECT_EQ(480, scene.height);
        EXPECT_EQ(reproducingArguments(state, 5, 640, 480),
                  reproducingArguments(stateWith(scene), 5, 640, 480));
    }
    // Only a 500x500 picture leaves out --size.
    EXPECT_EQ(0, readBytes(pngCarrying(reproducingArguments(state, 5))).width);
}

// An iTXt chunk (what other tools may rewrite the chunk as) reads too; compressed is refused.
TEST(SceneFile, InternationalTextChunk)
{
    auto itxt = [](char compressed) {
        std::vector<unsigned char> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
        std::string body = std::string(kArgumentsKeyword) + '\0' + compressed + '\0' + "en" +
                           '\0' + '\0' + "--set crazyVase=1";
        const unsigned n = static_cast<unsigned>(body.size());
        bytes.insert(bytes.end(), {0, 0, static_cast<unsigned char>(n >> 8),
                                   static_cast<unsigned char>(n), 'i', 'T', 'X', 't'});
        bytes.insert(bytes.end(), body.begin(), body.end());
        bytes.insert(bytes.end(), {0, 0, 0, 0});
        return bytes;
    };
    const SceneArguments plain = readBytes(itxt('\0'));
    ASSERT_TRUE(plain.ok) << plain.message;
    EXPECT_EQ(std::vector<std::string>{"crazyVase=1"}, plain.settings);
    EXPECT_FALSE(readBytes(itxt('\1')).ok);
}

// Anything that is not a setting refuses the whole scene, in one line naming the file.
TEST(SceneFile, EverythingButSettingsIsRefused)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"--set crazyVase=1 --render /tmp/x.png", "--render"},
        {"--output-dir /tmp", "--output-dir"},
        {"--output-dir=/tmp", "--output-dir"},
        {"--set zoom=2 elsewhere.txt", "'elsewhere.txt'"},
        {"-display :9", "-display"},
        {"--quiet", "--quiet"},
        {"--set noSuchThing=1", "noSuchThing"},
        {"--set vaseVerticalSteps=5000", "vaseVerticalSteps"},
        {"--set vaseTexture=5", "vaseTexture"},
        {"--size 0x10", "--size"},
        {"--set", "--set"},
        {"--set 'crazyVase=1", "quote"},
    };
    for (const auto& [args, named] : cases) {
        const SceneArguments scene = readBytes(pngCarrying(args), "old.png");
        EXPECT_FALSE(scene.ok) << args;
        EXPECT_TRUE(scene.settings.empty() || !scene.ok);
        EXPECT_EQ(0u, scene.message.rfind("old.png: ", 0)) << scene.message;
        EXPECT_NE(std::string::npos, scene.message.find(named)) << scene.message;
        EXPECT_EQ(std::string::npos, scene.message.find('\n'));
    }
}

// Pictures without the chunk, and files that are no picture, say so.
TEST(SceneFile, MissingArgumentsAreNamed)
{
    const std::vector<unsigned char> bare = encodePng(tinyImage(), {{"Software", "x"}}).bytes;
    EXPECT_NE(std::string::npos, readBytes(bare).message.find("PNG without Tolvane arguments"));
    const std::vector<unsigned char> comment = encodeJpeg(tinyImage(), 90, "hello").bytes;
    EXPECT_NE(std::string::npos, readBytes(comment).message.find("JPEG without"));
    const std::vector<unsigned char> ppm = {'P', '6', ' ', '1', ' ', '1', ' ', '2', '5', '5', ' ', 1, 2, 3};
    EXPECT_NE(std::string::npos, readBytes(ppm).message.find("neither a PNG nor a JPEG"));
    // A truncated chunk is not read past the end.
    std::vector<unsigned char> cut = pngCarrying("--set crazyVase=1");
    cut.resize(60);
    EXPECT_FALSE(readBytes(cut).ok);
    EXPECT_FALSE(readSceneSource("/nonexistent/x.png", 5).ok);
}

// A page link: only the query counts, decoded as the page's URLSearchParams writes it.
TEST(SceneFile, PageLinks)
{
    EXPECT_TRUE(isPageLink("http://host:8080/?crazyVase=1"));
    EXPECT_TRUE(isPageLink("?zoom=2"));
    EXPECT_FALSE(isPageLink("old.png"));
    const SceneArguments scene =
        readSceneSource("https://example.org/tolvane/?crazyVase=1&lightPosition=1,-2%2C3&zoom=2.5#x", 5);
    ASSERT_TRUE(scene.ok) << scene.message;
    EXPECT_EQ((std::vector<std::string>{"crazyVase=1", "lightPosition=1,-2,3", "zoom=2.5"}),
              scene.settings);
    const SceneArguments bad = readSceneLink("http://h/?render=x.png", 5);
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(std::string::npos, bad.message.find("render")) << bad.message;
    EXPECT_TRUE(readSceneLink("http://h/", 5).ok);  // no query: the default scene
    // A '?' inside the fragment starts no query, as the page itself reads its address.
    EXPECT_TRUE(linkArguments("http://h/#x?crazyVase=1").empty());
    EXPECT_EQ((std::vector<std::string>{"--set", "zoom=2"}),
              linkArguments("http://h/?zoom=2#a?crazyVase=1"));
}

// Files far larger than any picture's arguments are judged by their first bytes and walked chunk
// by chunk, never held: under an address-space limit below their size, a 900 MB file of another
// kind is refused, and arguments behind a 900 MB chunk are still found.
TEST(SceneFile, LargeFilesAreWalkedNotHeld)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit";
#endif
    testfs::TempFolder folder;
    const std::uintmax_t big = 900u << 20;
    const std::string zeros = folder / "zeros.png";
    std::ofstream(zeros).close();
    std::filesystem::resize_file(zeros, big);  // sparse: no disk taken

    // Signature, a 900 MB chunk of no interest (sparse zeros), then the arguments.
    const std::vector<unsigned char> small = pngCarrying("--set crazyVase=1");
    const std::string padded = folder / "padded.png";
    {
        std::ofstream out(padded, std::ios::binary);
        out.write(reinterpret_cast<const char*>(small.data()), 8);
        const unsigned long length = static_cast<unsigned long>(big);
        const char header[8] = {char(length >> 24), char(length >> 16), char(length >> 8),
                                char(length), 'z', 'z', 'Z', 'z'};
        out.write(header, 8);
        out.seekp(static_cast<std::streamoff>(16 + big + 4));
        out.write(reinterpret_cast<const char*>(small.data()) + 8,
                  static_cast<std::streamsize>(small.size() - 8));
    }
    const testproc::ChildLimits limits{rlim_t{600000} << 10, 30, 60};
    EXPECT_EQ(1, testproc::statusInChild(limits, [&] {
                  const SceneArguments r = readSceneSource(zeros, 5);
                  return r.ok ? 0 : r.message.find("neither a PNG nor a JPEG") != std::string::npos;
              }));
    EXPECT_EQ(2, testproc::statusInChild(limits, [&] {
                  const SceneArguments r = readSceneSource(padded, 5);
                  return r.ok && r.settings == std::vector<std::string>{"crazyVase=1"} ? 2 : 3;
              }));
}

TEST(SceneFile, ShellWords)
{
    std::vector<std::string> words;
    ASSERT_TRUE(splitShellWords("a  'b c' d\\ e \"f\\\"g\" 'it'\\''s'", words));
    EXPECT_EQ((std::vector<std::string>{"a", "b c", "d e", "f\"g", "it's"}), words);
    EXPECT_FALSE(splitShellWords("a \"b", words));
    EXPECT_TRUE(words.empty());
}

// The desktop's link for a scene reads back, through the same reader, as that scene.
TEST(SceneFile, PageLinkOfAStateReadsBackAsIt)
{
    SceneState state;
    state.crazyVase = 1;
    state.lightPosition[0] = -2.5f;
    state.rotation[1] = 45.5f;
    const std::string link = pageLinkOf(state, 5, "http://example.org/t/?old=1");
    EXPECT_EQ(0u, link.find("http://example.org/t/?spinGlobe=1&")) << link;
    EXPECT_NE(std::string::npos, link.find("&lightPosition=-2.5,1,-1&")) << link;
    const SceneArguments scene = readSceneLink(link, 5);
    ASSERT_TRUE(scene.ok) << scene.message;
    EXPECT_EQ(reproducingArguments(state, 5), reproducingArguments(stateWith(scene), 5));
}

// The page splices the core's text chunks into the browser's PNG: the file is what the desktop's
// encoder writes with the same texts, byte for byte, and reads back as the same scene.
TEST(SceneFile, PictureTextChunksSplicedIntoAPngMatchTheEncodersOwn)
{
    const std::string args = "--set vaseTexture=2 --set 'zoom=1.5'";
    const std::vector<unsigned char> plain = encodePng(tinyImage()).bytes;
    const std::vector<unsigned char> desktop = encodePng(tinyImage(), pictureTexts(args)).bytes;
    const size_t place = pngTextPlace(plain.data(), plain.size());
    ASSERT_EQ(33u, place);  // signature and IHDR
    std::vector<unsigned char> spliced(plain.begin(), plain.begin() + place);
    const std::vector<unsigned char> chunks = pictureTextChunks(args);
    spliced.insert(spliced.end(), chunks.begin(), chunks.end());
    spliced.insert(spliced.end(), plain.begin() + place, plain.end());
    EXPECT_EQ(desktop, spliced);
    EXPECT_EQ("", imageStructureProblem(spliced.data(), spliced.size()));
    EXPECT_EQ(2, stateWith(readBytes(spliced)).vaseTexture);
    EXPECT_EQ(0u, pngTextPlace(chunks.data(), chunks.size()));  // no PNG
    // The JPEG comment the desktop writes reads back too; a JPEG without its end is refused.
    std::vector<unsigned char> jpeg = encodeJpeg(tinyImage(), 90, pictureComment(args)).bytes;
    EXPECT_EQ(2, stateWith(readBytes(jpeg, "p.jpg")).vaseTexture);
    EXPECT_EQ("", imageStructureProblem(jpeg.data(), jpeg.size()));
    jpeg.resize(jpeg.size() - 2);  // no end marker
    EXPECT_EQ("the JPEG data ends before the image is complete",
              imageStructureProblem(jpeg.data(), jpeg.size()));
}
