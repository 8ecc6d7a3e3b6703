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
#include "desktop/window_present.h"
#include "desktop/windows.h"
#include "desktop/scene.h"
#include "core/background_work.h"
#include "core/save_work.h"
#include "core/export/numbered_file.h"
#include "core/export/vase_gltf.h"
#include "desktop/panel/panel.h"
#include "gl/backdrop.h"
#include "gl/frame.h"
#include "gl/kept_picture.h"
#include "gl/vase_draw.h"

namespace {

bool pictureRequested = false;
bool exportRequested = false;
std::string outputFolder;  // empty: the working folder

// The folder and stem of numbered files: "tolvane" or "DIR/tolvane".
std::string stemIn(const std::string& stem)
{
    if (outputFolder.empty())
        return stem;
    return outputFolder + (outputFolder.back() == '/' ? "" : "/") + stem;
}

std::string stemIn(SaveWork work)
{
    return stemIn(std::string(workStem(work)));
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

std::string expectedName(SaveWork work)
{
    return expectedName(stemIn(work), workExtension(work));
}

// The window's whole drawable, including any margin beside the square viewport, as just drawn;
// with a transparent background drawn again for the picture, without the checkerboard.
std::string savePicture(int width, int height)
{
    PngEncodeResult png;
    try {
        if (scene.transparentBackground) {
            const bool checkerboard = checkerboardShown();
            showCheckerboard(false);
            setVaseExact(true);
            const FramePicture picture = readFramePicture(width, height, [] { drawFrame(scene); });
            setVaseExact(false);
            showCheckerboard(checkerboard);
            png = encodePicture(picture);
        } else
            png = encodePicture(readFramePixels(width, height));
    } catch (const std::bad_alloc&) {
        return workFailedText(SaveWork::Picture, "not enough memory for its pixels");
    }
    if (!png.ok())
        return workFailedText(SaveWork::Picture, png.message);
    const NumberedWriteResult written = writeNumberedFile(
        stemIn(SaveWork::Picture), workExtension(SaveWork::Picture), png.bytes.data(), png.bytes.size());
    if (!written.ok)
        return workFailedText(SaveWork::Picture, written.message);
    return workDoneText(SaveWork::Picture, written.name) +
           (written.note.empty() ? "" : "; " + written.note);
}

std::string exportVase()
{
    const VaseSettings settings = vaseSettingsOf(scene, scene.cylindricalProjection);
    if (vaseGlbTriangleCount(settings) == 0)
        return kNothingToExport;
    std::vector<unsigned char> texturePng;
    const unsigned int texture = textureAt(scene, scene.vaseTexture);
    if (texture != 0) {
        try {
            PngEncodeResult png = encodePng(readTextureImage(texture));
            if (!png.ok())
                return workFailedText(SaveWork::Vase, png.message);
            texturePng = std::move(png.bytes);
        } catch (const std::bad_alloc&) {
            return workFailedText(SaveWork::Vase, "not enough memory to read back its texture");
        }
    }
    // The builder's own output, made afresh: the drawn copy lives in GL's buffer.
    const NumberedWriteResult written =
        writeNumberedVaseGlb(stemIn(SaveWork::Vase), settings, texturePng);
    if (!written.ok)
        return workFailedText(SaveWork::Vase, written.message);
    return workDoneText(SaveWork::Vase, written.name) +
           (written.note.empty() ? "" : "; " + written.note);
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
    return error.empty() ? message : workFailedText(SaveWork::Picture, error);
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

std::string nextSaveName(const char* stem, const char* extension)
{
    return expectedName(stemIn(stem), extension);
}

std::string requestPictureSave()
{
    pictureRequested = true;
    scheduleWork();
    return workBusyText(SaveWork::Picture, expectedName(SaveWork::Picture));
}

std::string requestVaseExport()
{
    exportRequested = true;
    scheduleWork();
    return workBusyText(SaveWork::Vase, expectedName(SaveWork::Vase));
}

void displaySceneWindow()
{
    const auto start = std::chrono::steady_clock::now();
    // A saved picture shows the vase for the settings of its moment, whole, waited for.
    setVaseExact(pictureRequested);
    drawFrameKeepingStill(scene, sceneBackHoldsLastFrame());
    setVaseExact(false);
    // Read before the swap: the back buffer then holds exactly the frame about to be shown.
    if (pictureRequested) {
        pictureRequested = false;
        finishPanelWork(savePicture(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT)));
        if (scene.transparentBackground)
            drawFrameKeepingStill(scene);  // the picture's frames took the back buffer
    }
    if (exportRequested) {
        exportRequested = false;
        finishPanelWork(exportVase());
    }
    presentSceneFrame();
    const std::string fellBack = takeBackgroundWorkNotice();
    if (!fellBack.empty())
        std::fprintf(stderr, "tolvane: %s\n", fellBack.c_str());
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    notePanelSceneFrame(took.count());
    sceneFrameDrawn();
    if (traceFrames)
        std::printf("frame %lu\n", framesDrawn());
}
