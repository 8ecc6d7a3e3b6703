// The panel's "Save picture" and "Export vase": read from GL right after a whole frame, then
// encoded and written on a worker thread.
#include "desktop/save.h"

#include <GL/freeglut.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
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

// What a file needs once GL has given its part, as plain data: the encoding, the vase's mesh
// and the writing run on a worker thread, so that the windows keep answering meanwhile.
struct FileJob {
    SaveWork work = SaveWork::Picture;
    std::string stem;       // folder and stem of the numbered name
    FramePicture picture;   // Picture: the pixels as read back, with alpha when transparent
    std::string arguments;  // Picture: the arguments that draw it again, taken with its pixels
    VaseSettings vase;      // Vase: what to build and write
    PpmImage texture;       // Vase: its texture as uploaded; no pixels for none
};

// Writes the job's numbered file; `message` is the status line that says how it went.
bool writeFileJob(const FileJob& job, std::string& message, const BuildProgress&)
{
    NumberedWriteResult written;
    if (job.work == SaveWork::Picture) {
        const PngEncodeResult png = encodePicture(job.picture, job.arguments);
        if (!png.ok()) {
            message = workFailedText(job.work, png.message);
            return true;
        }
        written = writeNumberedFile(job.stem, workExtension(job.work), png.bytes.data(),
                                    png.bytes.size());
    } else {
        std::vector<unsigned char> texturePng;
        if (!job.texture.pixels.empty()) {
            PngEncodeResult png = encodePng(job.texture);
            if (!png.ok()) {
                message = workFailedText(job.work, png.message);
                return true;
            }
            texturePng = std::move(png.bytes);
        }
        // The builder's own output, made afresh: the drawn copy lives in GL's buffer.
        written = writeNumberedVaseGlb(job.stem, job.vase, texturePng);
    }
    if (!written.ok)
        message = workFailedText(job.work, written.message);
    else
        message = workDoneText(job.work, written.name) +
                  (written.note.empty() ? "" : "; " + written.note);
    return true;
}

// One file at a time: the panel's buttons stay off until it is written. Quitting meanwhile
// waits for it (the work does not look at its cancel), so a file begun is never lost.
BackgroundWork<FileJob, std::string> fileWriter(writeFileJob);
SaveWork fileWork = SaveWork::Picture;  // what fileWriter is writing
constexpr int kFileWorkPollMs = 15;

void sayBackgroundWorkNotice()
{
    const std::string fellBack = takeBackgroundWorkNotice();
    if (!fellBack.empty())
        std::fprintf(stderr, "tolvane: %s\n", fellBack.c_str());
}

// Until the file is written: then its line replaces the busy one.
void pollFileWriter(int)
{
    std::unique_ptr<std::string> message;
    if (!fileWriter.take(nullptr, &message)) {
        glutTimerFunc(kFileWorkPollMs, pollFileWriter, 0);
        return;
    }
    sayBackgroundWorkNotice();
    finishPanelWork(message ? *message : workFailedText(fileWork, fileWriter.failure()), false);
}

// Hands the job to the worker (or, with no thread to be had, writes it here); returns why it
// could not, or an empty string.
std::string startFileJob(const FileJob& job)
{
    fileWork = job.work;
    try {
        fileWriter.start(job);
    } catch (const std::bad_alloc&) {
        return workFailedText(job.work, "not enough memory to hand it to the writer");
    }
    glutTimerFunc(0, pollFileWriter, 0);
    return std::string();
}

// The window's whole drawable, including any margin beside the square viewport, as just drawn;
// with a transparent background drawn again for the picture, without the checkerboard. Returns
// why it could not be read, or starts its writing and returns an empty string.
std::string savePicture(int width, int height)
{
    FileJob job;
    job.work = SaveWork::Picture;
    job.stem = stemIn(SaveWork::Picture);
    try {
        if (scene.transparentBackground) {
            const bool checkerboard = checkerboardShown();
            showCheckerboard(false);
            setVaseExact(true);
            job.picture = readFramePicture(width, height, [] { drawFrame(scene); });
            setVaseExact(false);
            showCheckerboard(checkerboard);
        } else
            job.picture.image = readFramePixels(width, height);
    } catch (const std::bad_alloc&) {
        return workFailedText(SaveWork::Picture, "not enough memory for its pixels");
    }
    job.arguments = pictureArguments(job.picture.image);
    return startFileJob(job);
}

// The vase as set, with its texture read back from GL; as savePicture returns.
std::string exportVase()
{
    FileJob job;
    job.work = SaveWork::Vase;
    job.stem = stemIn(SaveWork::Vase);
    job.vase = vaseSettingsOf(scene, scene.cylindricalProjection);
    if (vaseGlbTriangleCount(job.vase) == 0)
        return kNothingToExport;
    const unsigned int texture = textureAt(scene, scene.vaseTexture);
    if (texture != 0) {
        try {
            job.texture = readTextureImage(texture);
        } catch (const std::bad_alloc&) {
            return workFailedText(SaveWork::Vase, "not enough memory to read back its texture");
        }
    }
    return startFileJob(job);
}

// The panel's line when the work could not start; nothing while it runs.
void finishIfNotStarted(const std::string& message)
{
    if (!message.empty())
        finishPanelWork(message);
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
        finishIfNotStarted(saveHiddenPicture());
    }
    if (exportRequested) {
        exportRequested = false;
        glutSetWindow(scene.mainWindow);  // the vase's texture lives in its context
        finishIfNotStarted(exportVase());
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
        finishIfNotStarted(savePicture(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT)));
        if (scene.transparentBackground)
            drawFrameKeepingStill(scene);  // the picture's frames took the back buffer
    }
    if (exportRequested) {
        exportRequested = false;
        finishIfNotStarted(exportVase());
    }
    presentSceneFrame();
    sayBackgroundWorkNotice();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    notePanelSceneFrame(took.count());
    sceneFrameDrawn();
    if (traceFrames)
        std::printf("frame %lu\n", framesDrawn());
}
