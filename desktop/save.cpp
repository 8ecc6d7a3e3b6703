// The panel's "Save picture" and "Export vase", served right after a whole frame.
#include "desktop/save.h"

#include <GL/freeglut.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "desktop/capture.h"
#include "desktop/handlers.h"
#include "desktop/window_pbuffer.h"
#include "core/scene_state.h"
#include "core/export/numbered_file.h"
#include "core/export/vase_gltf.h"
#include "desktop/panel/panel.h"
#include "gl/frame.h"
#include "gl/vase_draw.h"

namespace {

bool pictureRequested = false;
bool exportRequested = false;

// With TOLVANE_TRACE_FRAMES set, each scene frame prints "frame N" (for tests of idling).
const bool traceFrames = std::getenv("TOLVANE_TRACE_FRAMES") != nullptr;

// The name the next numbered file will most likely get, for the status line while it is
// written (writeNumberedFile makes the final choice).
std::string expectedName(const std::string& stem, const std::string& extension)
{
    for (int n = 1;; ++n) {
        const std::string name = numberedName(stem, n, extension);
        if (access(name.c_str(), F_OK) != 0)
            return name;
    }
}

// The window's whole drawable, including any margin beside the square viewport, as just drawn.
std::string savePicture(int width, int height)
{
    const PngEncodeResult png = encodePicture(readFramePixels(width, height));
    if (!png.ok())
        return "Could not save a picture: " + png.message;
    const NumberedWriteResult written =
        writeNumberedFile("tolvane", ".png", png.bytes.data(), png.bytes.size());
    if (!written.ok)
        return "Could not save a picture: " + written.message;
    return "Saved " + written.name;
}

std::string exportVase()
{
    const VaseSettings settings = vaseSettingsOf(scene, scene.cylindricalProjection);
    if (vaseGlbTriangleCount(settings) == 0)
        return "Nothing to export: the vase has no steps";
    std::vector<unsigned char> texturePng;
    const unsigned int texture = textureAt(scene, scene.vaseTexture);
    if (texture != 0) {
        PngEncodeResult png = encodePng(readTextureImage(texture));
        if (!png.ok())
            return "Could not export the vase: " + png.message;
        texturePng = std::move(png.bytes);
    }
    // The builder's own output, made afresh: the drawn copy lives in GL's buffer.
    std::vector<VaseVertex> mesh;
    try {
        buildVaseMesh(settings, mesh);
    } catch (const std::bad_alloc&) {
        return "Could not export the vase: not enough memory for its mesh";
    }
    std::string why;
    const NumberedWriteResult written =
        writeNumberedFile("tolvane-vase", ".glb", [&](std::ostream& out) {
            const WriteResult glb = writeVaseGlb(out, mesh, texturePng);
            why = glb.message;
            return glb.ok;
        });
    if (!written.ok && !why.empty())
        return "Could not export the vase: " + why;
    if (!written.ok)
        return "Could not export the vase: " + written.message;
    return "Exported " + written.name;
}

// A hidden window's picture: the same frame drawn by the window's own context into an
// offscreen buffer of the window's size.
std::string saveHiddenPicture()
{
    glutSetWindow(scene.mainWindow);
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    std::string message;
    const std::string error = drawInWindowPbuffer(width, height, [&] {
        drawFrame();
        message = savePicture(width, height);
    });
    return error.empty() ? message : "Could not save a picture: " + error;
}

// Work asked for while the scene window is hidden runs from a timer, after the panel has
// shown that it is working.
void runHiddenWork(int)
{
    if (pictureRequested) {
        pictureRequested = false;
        finishPanelWork(saveHiddenPicture());
    }
    if (exportRequested) {
        exportRequested = false;
        glutSetWindow(scene.mainWindow);  // the vase's texture lives in its context
        finishPanelWork(exportVase());
    }
}

void scheduleWork()
{
    if (sceneWindowShown())
        postSceneRedisplay();
    else
        glutTimerFunc(0, runHiddenWork, 0);
}

}  // namespace

std::string requestPictureSave()
{
    pictureRequested = true;
    scheduleWork();
    return "Exporting… " + expectedName("tolvane", ".png");
}

std::string requestVaseExport()
{
    exportRequested = true;
    scheduleWork();
    return "Exporting… " + expectedName("tolvane-vase", ".glb");
}

void displaySceneWindow()
{
    const auto start = std::chrono::steady_clock::now();
    drawFrame();
    // Read before the swap: the back buffer then holds exactly the frame about to be shown.
    if (pictureRequested) {
        pictureRequested = false;
        finishPanelWork(savePicture(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT)));
    }
    if (exportRequested) {
        exportRequested = false;
        finishPanelWork(exportVase());
    }
    glutSwapBuffers();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    notePanelSceneFrame(took.count());
    if (traceFrames)
        std::printf("frame %lu\n", framesDrawn());
}
