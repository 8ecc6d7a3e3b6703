// Frames drawn over the kept picture are the whole frame's pixels, offscreen with no X server.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/image/ppm.h"
#include "core/scene_state.h"
#include "core/view_math.h"
#include "desktop/offscreen.h"
#include "gl/frame.h"
#include "gl/framebuffer_calls.h"
#include "gl/kept_picture.h"
#include "gl/overlays.h"
#include "gl/multisample.h"
#include "gl/startup.h"
#include "gl/vase_draw.h"
#include "support/child_process.h"

namespace {

// A window wider than tall, so the viewport has margins beside it.
constexpr int kWidth = 640;
constexpr int kHeight = 500;
SceneState scene;  // the test's own, as a front end owns one

std::vector<unsigned char> readPixels()
{
    std::vector<unsigned char> pixels(kWidth * kHeight * 4);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Five 16 x 16 textures with fine detail, each its own colours, as the list would give.
void uploadTestTextures()
{
    scene.textures.clear();
    for (int t = 0; t < 5; ++t) {
        PpmImage image;
        image.width = image.height = 16;
        for (int i = 0; i < 256; ++i) {
            const bool light = (i / 16 + i % 16 + t) % 3 != 0;
            image.pixels.push_back(static_cast<unsigned char>(light ? 230 : 40 * t));
            image.pixels.push_back(static_cast<unsigned char>(light ? 200 - 30 * t : 90));
            image.pixels.push_back(static_cast<unsigned char>((i * 7 + t * 50) % 256));
        }
        scene.textures.push_back(uploadTexture(image));
    }
}

// The window's start-up in the current offscreen context: fixed state, the projection, the
// square viewport and the test textures.
void startScene()
{
    initGraphicsState(scene);
    setProjection(scene.zoom);
    const Viewport v = squareViewport(kWidth, kHeight);
    glViewport(v.x, v.y, v.width, v.height);
    uploadTestTextures();
}

// Pixels that differ, with the first one's place.
::testing::AssertionResult samePixels(const std::vector<unsigned char>& a,
                                      const std::vector<unsigned char>& b)
{
    size_t n = 0, first = 0;
    for (size_t i = 0; i < a.size(); i += 4)
        if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2])
            first = n++ ? first : i / 4;
    if (n == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << n << " pixels differ, the first at x " << first % kWidth
                                         << ", y " << first / kWidth;
}

// Draws a frame keeping still, then the whole frame, and compares the two.
void expectFrame(const std::string& what, KeptFrame expected)
{
    drawFrameKeepingStill(scene);
    glFinish();
    const KeptFrame how = lastKeptFrame();
    const std::vector<unsigned char> kept = readPixels();
    drawFrame(scene);
    glFinish();
    EXPECT_EQ(expected, how) << what;
    EXPECT_TRUE(samePixels(kept, readPixels())) << what;
}

// Over several globe angles: the first frame keeps the picture when `renewed`, the rest are
// drawn from it.
void expectSamePicturesOverAngles(const char* what, bool renewed)
{
    const int angles[] = {0, 1, 45, 90, 181, 270, 359};
    for (int angle : angles) {
        scene.globeAngle = angle;
        const bool first = angle == angles[0];
        expectFrame(std::string(what) + ", globe at " + std::to_string(angle),
                    first && renewed ? KeptFrame::Renewed : KeptFrame::FromKept);
    }
}

// Bytes of address space this process holds (/proc/self/statm's first field, in pages).
rlim_t addressSpaceInUse()
{
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

// The framebuffer frames are drawn into, averaged into the pbuffer and read (its own pixels
// when it is the pbuffer); it is bound again afterwards.
std::vector<unsigned char> readResolved(const FramebufferCalls& gl, GLuint target)
{
    if (target != 0) {
        gl.bindFramebuffer(GL_READ_FRAMEBUFFER, target);
        gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        gl.blitFramebuffer(0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight, GL_COLOR_BUFFER_BIT,
                           GL_NEAREST);
        gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    glFinish();
    std::vector<unsigned char> pixels = readPixels();
    gl.bindFramebuffer(GL_FRAMEBUFFER, target);
    return pixels;
}

// Frames one after another as the window draws them, each the last one's target (only the
// sphere's rectangle drawn anew while the globe alone turns), then the same angles whole.
void expectSameAsWholeWhileTurning(const FramebufferCalls& gl, GLuint target, const char* what)
{
    std::vector<std::vector<unsigned char>> kept;
    const int angles[] = {0, 1, 45, 90, 181, 270, 359};
    for (int angle : angles) {
        scene.globeAngle = angle;
        drawFrameKeepingStill(scene, true);
        if (angle != angles[0]) {
            EXPECT_EQ(KeptFrame::FromKept, lastKeptFrame()) << what << ", globe at " << angle;
            EXPECT_FALSE(lastFrameChangedWholeWindow()) << what;
        }
        kept.push_back(readResolved(gl, target));
    }
    for (size_t i = 0; i < kept.size(); ++i) {
        scene.globeAngle = angles[i];
        drawFrame(scene);
        EXPECT_TRUE(samePixels(kept[i], readResolved(gl, target)))
            << what << ", globe at " << angles[i];
    }
    drawFrameKeepingStill(scene, false);  // the target no longer holds the last kept frame
}

}  // namespace

// The window with antialiasing: frames drawn over a multisampled kept picture, only the
// sphere's rectangle restored and drawn, give the whole multisampled frame's pixels.
TEST(KeptPictureFrames, MultisampledDrawTheWholeFramesPixelsWhileTheGlobeTurns)
{
    const OffscreenResult context = openOffscreenContext(kWidth, kHeight);
    if (!context.ok)
        GTEST_SKIP() << context.message;
    FramebufferCalls gl;
    if (!findFramebufferCalls(gl) || beginMultisampledPicture(kWidth, kHeight, 4) == 0)
        GTEST_SKIP() << "no multisampled framebuffer in this GL: " << glGetString(GL_RENDERER);
    GLint target = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &target);
    startScene();
    setVaseExact(true);
    drawFrameKeepingStill(scene, true);
    ASSERT_EQ(KeptFrame::Renewed, lastKeptFrame()) << glGetString(GL_RENDERER);

    expectSameAsWholeWhileTurning(gl, target, "defaults");
    scene.rotation[0] = 31.0f;
    scene.rotation[1] = 212.0f;
    scene.zoom = 0.8f;
    setProjection(scene.zoom);
    scene.showLight = 1;
    expectSameAsWholeWhileTurning(gl, target, "turned view, light shown");
    scene.zoom = 2.5f;
    setProjection(scene.zoom);
    scene.objectSlices = 7;
    expectSameAsWholeWhileTurning(gl, target, "zoomed out, coarse sphere");
}

TEST(KeptPictureFrames, DrawTheWholeFramesPixelsAtEveryGlobeAngle)
{
    const OffscreenResult context = openOffscreenContext(kWidth, kHeight);
    if (!context.ok)
        GTEST_SKIP() << context.message;
    startScene();
    // Each frame draws the vase for its settings, as a saved picture does (no older mesh while
    // a new one is built).
    setVaseExact(true);

    // Where GL has no framebuffer objects every frame is whole, and there is nothing to compare.
    drawFrameKeepingStill(scene);
    if (lastKeptFrame() == KeptFrame::Whole)
        GTEST_SKIP() << "no kept picture in this GL: " << glGetString(GL_RENDERER);

    expectSamePicturesOverAngles("defaults", false);

    // A turned view and zoom, spherical vase texture: the globe in front of the table's edge.
    scene.rotation[0] = 31.0f;
    scene.rotation[1] = 212.0f;
    scene.zoom = 0.8f;
    setProjection(scene.zoom);
    scene.cylindricalProjection = 0;
    expectSamePicturesOverAngles("turned view", true);

    // A drag keeps its first frame, draws the next whole and keeps the first still one.
    const KeptFrame drag[] = {KeptFrame::Renewed, KeptFrame::Whole, KeptFrame::Whole};
    for (KeptFrame expected : drag) {
        scene.rotation[1] += 0.2f;
        ++scene.globeAngle;
        expectFrame("drag", expected);
    }
    ++scene.globeAngle;
    expectFrame("after the drag", KeptFrame::Renewed);
    ++scene.globeAngle;
    expectFrame("still after the drag", KeptFrame::FromKept);

    // A large vase, and a crazy one, in the default view.
    scene.rotation[0] = scene.rotation[1] = 0.0f;
    scene.zoom = 1.0f;
    setProjection(scene.zoom);
    scene.vaseVerticalSteps = 300;
    scene.vaseRadialSteps = 320;
    expectSamePicturesOverAngles("300 x 320 vase", true);
    scene.crazyVase = 1;
    scene.objectSlices = 90;
    expectSamePicturesOverAngles("crazy vase, fine props", true);

    // A smaller window: the picture is kept anew at the viewport's size.
    glViewport(20, 10, 400, 400);
    expectSamePicturesOverAngles("400 x 400 viewport", true);
    EXPECT_EQ(400ul * 400 * 8, keptPictureBytes());

    // Frames that restore and draw only the sphere's rectangle of the last one.
    FramebufferCalls gl;
    ASSERT_TRUE(findFramebufferCalls(gl));
    scene.showNormals = 1;
    expectSameAsWholeWhileTurning(gl, 0, "normals shown, only the sphere's rectangle drawn");

    // With shadows the globe's own shadow lies in the rest of the frame, under a light that
    // throws it onto the table: such frames are drawn whole, and match.
    scene.shadows = 1;
    scene.lightPosition[0] = 0.3f;
    scene.lightPosition[2] = -0.6f;
    for (int angle : {10, 11, 200}) {
        scene.globeAngle = angle;
        expectFrame("shadows, globe at " + std::to_string(angle), KeptFrame::Whole);
    }
    scene.shadows = 0;
    expectFrame("shadows off again", KeptFrame::Renewed);
}

// When a large vase's mesh cannot have its memory (a child whose address space is nearly full)
// the vase is drawn quad by quad; going back to the mesh still held must renew the kept
// picture, or the quad-by-quad vase keeps being copied.
TEST(KeptPictureFrames, BackFromTheQuadByQuadVaseTheKeptPictureIsTheWholeFrame)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit";
#endif
    const int status = testproc::statusInChild({RLIM_INFINITY, 120, 120}, [] {
        const OffscreenResult context = openOffscreenContext(kWidth, kHeight);
        if (!context.ok)
            return 77;
        startScene();
        setVaseExact(true);
        scene.vaseVerticalSteps = 100;
        scene.vaseRadialSteps = 40;
        drawFrameKeepingStill(scene);
        if (lastKeptFrame() == KeptFrame::Whole)
            return 77;
        drawFrame(scene);
        drawFrameKeepingStill(scene);
        // Room for drawing, none for the 800 x 800 crazy vase's mesh (tens of MB).
        const rlim_t room = addressSpaceInUse() + (rlim_t{48} << 20);
        const rlimit full{room, room};
        setrlimit(RLIMIT_AS, &full);
        scene.vaseVerticalSteps = scene.vaseRadialSteps = 800;
        scene.crazyVase = 1;
        drawFrameKeepingStill(scene);
        ++scene.globeAngle;
        drawFrameKeepingStill(scene);
        // Back to the stored settings (as undo does), then the globe turns.
        scene.vaseVerticalSteps = 100;
        scene.vaseRadialSteps = 40;
        scene.crazyVase = 0;
        for (int turn = 0; turn < 3; ++turn) {
            ++scene.globeAngle;
            drawFrameKeepingStill(scene);
            glFinish();
            const std::vector<unsigned char> kept = readPixels();
            drawFrame(scene);
            glFinish();
            if (!samePixels(kept, readPixels()))
                return 1;
        }
        return 0;
    });
    if (status == 77)
        GTEST_SKIP() << "no offscreen context or no kept picture in this GL";
    EXPECT_EQ(0, status) << "(1: the kept picture showed another vase; over 128: a signal)";
}

// A picture asked for while the mesh lines are being built waits for them: a frame kept
// without them is not what the picture shows. The line builder is kept busy by a large vase's
// lines, asked for as a picture asks (prepareOverlays), while a small vase is drawn.
TEST(KeptPictureFrames, APictureWhileTheMeshLinesAreBuiltShowsThem)
{
    const OffscreenResult context = openOffscreenContext(kWidth, kHeight);
    if (!context.ok)
        GTEST_SKIP() << context.message;
    startScene();
    scene.vaseVerticalSteps = 20;
    scene.vaseRadialSteps = 10;
    drawFrameKeepingStill(scene);
    if (lastKeptFrame() == KeptFrame::Whole)
        GTEST_SKIP() << "no kept picture in this GL: " << glGetString(GL_RENDERER);
    scene.showMesh = 1;
    scene.vaseVerticalSteps = scene.vaseRadialSteps = 1500;
    setVaseExact(true);
    prepareOverlays(scene);  // seconds of work on the line builder
    setVaseExact(false);
    scene.vaseVerticalSteps = 20;
    scene.vaseRadialSteps = 10;
    drawFrameKeepingStill(scene);  // the change: drawn whole, its lines waiting for the builder
    drawFrameKeepingStill(scene);  // the first still frame: kept, without the lines
    const bool busy = overlayLinesBuilding();
    setVaseExact(true);       // as "Save picture" draws its frame
    drawFrameKeepingStill(scene);
    glFinish();
    const std::vector<unsigned char> saved = readPixels();
    drawFrame(scene);
    glFinish();
    setVaseExact(false);
    scene.showMesh = 0;
    EXPECT_TRUE(samePixels(saved, readPixels())) << (busy ? "" : "(the lines came early)");
}
