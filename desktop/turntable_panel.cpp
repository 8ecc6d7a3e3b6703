// "Save turntable" in the panel: the scene as it was at the click, turned frame by frame.
#include "desktop/turntable_panel.h"

#include <GL/freeglut.h>

#include <cstdlib>
#include <new>

#include "core/export/video_file.h"
#include "core/options.h"
#include "core/scene_state.h"
#include "core/turntable.h"
#include "desktop/capture.h"
#include "desktop/handlers.h"
#include "desktop/panel/panel.h"
#include "desktop/save.h"
#include "desktop/scene.h"
#include "desktop/window_pbuffer.h"
#include "gl/frame.h"
#include "gl/vase_draw.h"

namespace {

struct TurntableRun {
    VideoFile* video = nullptr;  // non-null while one runs
    SceneState start;            // the scene at the click: later changes do not reach the file
    std::string path;
    int width = 0, height = 0;  // pixels: the window's, less an odd one (H.264 wants even)
    int next = 0;               // frames written
};
TurntableRun run;
int framesAsked = kDefaultTurntableFrames;
double fpsAsked = kDefaultVideoFps;

// A viewer that quits (q, Esc with nothing running, closing the window) mid-turntable leaves
// no temporary file behind.
void abandonAtExit()
{
    abandonVideo(run.video);
    run.video = nullptr;
}

// `windowsBlocked`: a frame was just drawn, so clicks made during it have not been taken.
void finish(const std::string& message, bool windowsBlocked = true)
{
    run.video = nullptr;
    finishPanelWork(message, windowsBlocked);
}

// Frame `run.next`, drawn whole (the exact vase) offscreen at the turntable's size from the
// scene of the click; the live scene is not touched.
std::string drawNextFrame(PpmImage& pixels)
{
    SceneState posed = run.start;
    applyTurntablePose(posed, turntablePose(run.start, run.next, framesAsked));
    glutSetWindow(scene.mainWindow);
    std::string error;
    try {
        error = drawInWindowPbuffer(run.width, run.height, [&] {
            setVaseExact(true);
            drawFrame(posed);
            setVaseExact(false);
            pixels = readFramePixels(run.width, run.height);
        });
    } catch (const std::bad_alloc&) {
        error = "not enough memory for a frame";
    }
    return error;
}

}  // namespace

void setPanelTurntableOptions(int frames, double fps)
{
    framesAsked = frames;
    fpsAsked = fps;
}

bool turntableRunning()
{
    return run.video != nullptr;
}

bool cancelTurntable()
{
    if (!run.video)
        return false;
    abandonVideo(run.video);
    finish(kTurntableCancelled, false);
    return true;
}

std::string requestTurntableSave()
{
    if (cancelTurntable())
        return std::string();
    static const bool cleanupSet = std::atexit(abandonAtExit) == 0;
    (void)cleanupSet;
    glutSetWindow(scene.mainWindow);
    run.width = glutGet(GLUT_WINDOW_WIDTH) & ~1;
    run.height = glutGet(GLUT_WINDOW_HEIGHT) & ~1;
    run.start = scene;
    run.next = 0;
    run.path = nextSaveName("tolvane-turntable", ".mp4");
    VideoParams params;
    params.kind = TurntableKind::Mp4;
    params.width = run.width;
    params.height = run.height;
    params.fps = fpsAsked;
    params.replace = false;
    params.comment = reproducingArguments(scene, static_cast<int>(scene.textures.size()), run.width,
                                        run.height);
    const VideoOpenResult opened =
        run.width >= 2 && run.height >= 2
            ? openVideo(run.path, params)
            : VideoOpenResult{nullptr, "the scene window is too small"};
    if (!opened.video) {
        setPanelMessage(turntableFailedText(opened.message));
        return std::string();
    }
    run.video = opened.video;
    wakePanelIdle();
    return turntableStatusText(0, framesAsked);
}

bool idleWithTurntable()
{
    bool more = false;
    if (run.video) {
        PpmImage pixels;
        std::string error = drawNextFrame(pixels);
        if (error.empty())
            error = writeVideoFrame(run.video, pixels);
        if (!error.empty()) {
            abandonVideo(run.video);
            finish(turntableFailedText(error));
        } else if (++run.next == framesAsked) {
            VideoFile* video = run.video;
            run.video = nullptr;
            const std::string failed = finishVideo(video);
            finish(failed.empty() ? turntableDoneText(run.path) : turntableFailedText(failed));
        } else {
            setPanelMessage(turntableStatusText(run.next, framesAsked));
            more = true;
        }
    }
    return idleTick() || more;
}
