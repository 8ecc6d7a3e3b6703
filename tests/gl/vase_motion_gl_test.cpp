// What moves and what stays: the frame after a drag is the still frame, and one image named twice
// in the texture list is one texture. Offscreen, no X server.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/image/ppm.h"
#include "core/scene_state.h"
#include "core/texture_list.h"
#include "core/view_math.h"
#include "desktop/offscreen.h"
#include "gl/frame.h"
#include "gl/kept_picture.h"
#include "gl/startup.h"
#include "gl/vase_draw.h"
#include "temp_folder.h"

namespace {

constexpr int kSize = 400;
SceneState scene;  // the test's own, as a front end owns one

void sayNothing(SayTo, const std::string&) {}

std::vector<unsigned char> frameKeepingStill()
{
    drawFrameKeepingStill(scene);
    std::vector<unsigned char> pixels(kSize * kSize * 4);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// A list file naming `names` in `folder`, each a small P6 image of its own colour.
std::string writeList(const testfs::TempFolder& folder, const std::vector<std::string>& names)
{
    std::ofstream list(folder / "list.txt");
    list << names.size() << "\n";
    for (const std::string& name : names) {
        std::ofstream image(folder / name, std::ios::binary);
        image << "P6 2 2 255\n" << std::string(12, static_cast<char>(name.size() * 30));
        list << name << "\n";
    }
    return folder / "list.txt";
}

}  // namespace

TEST(VaseInMotion, FrameAfterADragIsTheStillFrame)
{
    const OffscreenResult context = openOffscreenContext(kSize, kSize);
    if (!context.ok)
        GTEST_SKIP() << context.message;
    initGraphicsState(scene);
    setProjection(scene.zoom);
    glViewport(0, 0, kSize, kSize);
    const testfs::TempFolder folder;
    const std::string list =
        writeList(folder, {"a.ppm", "bb.ppm", "ccc.ppm", "dddd.ppm", "eeeee.ppm"});
    ASSERT_TRUE(loadTextureSet(scene.textures, list, readTextureListFile(list), true, sayNothing).ok);
    // Finer than the vase drawn while the view moves, so that one differs.
    scene.vaseVerticalSteps = 400;
    scene.vaseRadialSteps = 300;
    scene.spinGlobe = 0;
    scene.rotation[1] = 30.0f;
    const std::vector<unsigned char> still = frameKeepingStill();

    setVaseInMotion(true);
    std::vector<unsigned char> moving;
    for (float turn : {0.2f, 0.4f, 0.2f, 0.0f}) {
        scene.rotation[1] = 30.0f + turn;
        moving = frameKeepingStill();
    }
    EXPECT_NE(still, moving) << "the moving vase should be the coarser one";
    setVaseInMotion(false);
    EXPECT_EQ(still, frameKeepingStill());
}

TEST(TextureSet, OneFileNamedTwiceIsUploadedOnce)
{
    const OffscreenResult context = openOffscreenContext(64, 64);
    if (!context.ok)
        GTEST_SKIP() << context.message;
    const testfs::TempFolder folder;
    const std::string list = writeList(folder, {"wood.ppm", "can.ppm", "wood.ppm"});
    ASSERT_TRUE(loadTextureSet(scene.textures, list, readTextureListFile(list), true, sayNothing).ok);
    ASSERT_EQ(3u, scene.textures.size());
    EXPECT_EQ(scene.textures[0], scene.textures[2]);
    EXPECT_NE(scene.textures[0], scene.textures[1]);
    // Only two texture objects were made: the next name GL hands out is the third.
    GLuint next = 0;
    glGenTextures(1, &next);
    EXPECT_EQ(3u, next);
}
