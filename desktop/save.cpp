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
#include "desktop/windows.h"
#include "desktop/scene.h"
#include "core/background_work.h"
#include "core/export/numbered_file.h"
#include "core/export/vase_gltf.h"
#include "desktop/panel/panel.h"
#include "gl/frame.h"
#include "gl/kept_picture.h"
#include "gl/vase_draw.h"

namespace {

bool pictureRequested = false;
bool exportRequested = false;
std::string outputFolder;  // empty: the working folder

// The folder and stem of numbered files: "tolvane" or "DIR/tolvane".
std::string stemIn(const char* stem)
{
    if (outputFolder.empty())
        return stem;
    return outputFolder + (outputFolder.back() == '/' ? "" : "/") + stem;
}

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
    PngEncodeResult png;
    try {
        png = encodePicture(readFramePixels(width, height));
    } catch (const std::bad_alloc&) {
        return "Could not save a picture: not enough memory for its pixels";
    }
    if (!png.ok())
        return "Could not save a picture: " + png.message;
    const NumberedWriteResult written =
        writeNumberedFile(stemIn("tolvane"), ".png", png.bytes.data(), png.bytes.size());
    if (!written.ok)
        return "Could not save a picture: " + written.message;
    return "Saved " + written.name + (written.note.empty() ? "" : "; " + written.note);
}

std::string exportVase()
{
    const VaseSettings settings = vaseSettingsOf(scene, scene.cylindricalProjection);
    if (vaseGlbTriangleCount(settings) == 0)
        return "Nothing to export: the vase has no steps";
    std::vector<unsigned char> texturePng;
    const unsigned int texture = textureAt(scene, scene.vaseTexture);
    if (texture != 0) {
        try {
            PngEncodeResult png = encodePng(readTextureImage(texture));
            if (!png.ok())
                return "Could not export the vase: " + png.message;
            texturePng = std::move(png.bytes);
        } catch (const std::bad_alloc&) {
            return "Could not export the vase: not enough memory to read back its texture";
        }
    }
    // The builder's own output, made afresh: the drawn copy lives in GL's buffer.
    const NumberedWriteResult written =
        writeNumberedVaseGlb(stemIn("tolvane-vase"), settings, texturePng);
    if (!written.ok)
        return "Could not export the vase: " + written.message;
    return "Exported " + written.name + (written.note.empty() ? "" : "; " + written.note);
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
        setVaseExact(true);
        drawFrame(scene);
        setVaseExact(false);
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

void setOutputFolder(const std::string& folder)
{
    outputFolder = folder;
}

std::string requestPictureSave()
{
    pictureRequested = true;
    scheduleWork();
    return "Exporting... " + expectedName(stemIn("tolvane"), ".png");
}

std::string requestVaseExport()
{
    exportRequested = true;
    scheduleWork();
    return "Exporting... " + expectedName(stemIn("tolvane-vase"), ".glb");
}

void displaySceneWindow()
{
    const auto start = std::chrono::steady_clock::now();
    // A saved picture shows the vase for the settings of its moment, whole, waited for.
    setVaseExact(pictureRequested);
    drawFrameKeepingStill(scene);
    setVaseExact(false);
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
    const std::string fellBack = takeBackgroundWorkNotice();
    if (!fellBack.empty())
        std::fprintf(stderr, "tolvane: %s\n", fellBack.c_str());
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    notePanelSceneFrame(took.count());
    sceneFrameDrawn();
    if (traceFrames)
        std::printf("frame %lu\n", framesDrawn());
}
