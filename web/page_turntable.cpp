// The page's "Save turntable": the scene of the click, posed frame by frame and drawn whole into
// the canvas for the browser's encoder; its limits, names and words are the core's.
#include <emscripten/emscripten.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>

#include "core/export/numbered_file.h"
#include "core/options.h"
#include "core/options_table.h"
#include "core/turntable.h"
#include "web/page_state.h"
#include "web/renderer.h"
#include "web/scene_draw.h"

namespace {

SceneState start;  // the scene at the click: later changes do not reach the file
int framesAsked = kDefaultTurntableFrames;
double fpsAsked = kDefaultVideoFps;
int width = 0, height = 0;  // pixels of the video: the canvas's, less an odd one (H.264)

// `text` as a finite number, all of it; false for anything else ("", "12x", "nan").
bool numberIn(const char* text, double& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(value);
}

}  // namespace

extern "C" {

// The address's `frames` and `fps` (empty where not given), checked as --frames and --fps are:
// an empty reply when taken; else why not, and what was asked before stays.
EMSCRIPTEN_KEEPALIVE const char* tvTurntableOptions(const char* frames, const char* fps)
{
    int f = framesAsked;
    double r = fpsAsked;
    const bool framesGiven = *frames != '\0', fpsGiven = *fps != '\0';
    if (framesGiven && !parseWhole(frames, f))
        return answer(std::string("frames: \"") + frames + "\" is not a whole number");
    if (fpsGiven && !numberIn(fps, r))
        return answer(std::string("fps: \"") + fps + "\" is not a number");
    const TurntablePlan plan = planTurntable("turntable.webm", f, framesGiven, r, fpsGiven, 2, 2);
    if (!plan.ok())
        return answer(plan.message);
    framesAsked = plan.frames;
    fpsAsked = plan.fps;
    return answer("");
}

EMSCRIPTEN_KEEPALIVE int tvTurntableFrames()
{
    return framesAsked;
}

EMSCRIPTEN_KEEPALIVE double tvTurntableFps()
{
    return fpsAsked;
}

// Takes the scene as it stands for a turntable of a `canvasWidth` x `canvasHeight` canvas;
// returns the video's arguments (its comment), which draw its first frame again.
EMSCRIPTEN_KEEPALIVE const char* tvTurntableBegin(int canvasWidth, int canvasHeight)
{
    start = scene;
    width = canvasWidth & ~1;
    height = canvasHeight & ~1;
    return answer(
        reproducingArguments(start, static_cast<int>(start.textures.size()), width, height));
}

EMSCRIPTEN_KEEPALIVE int tvTurntableWidth()
{
    return width;
}

EMSCRIPTEN_KEEPALIVE int tvTurntableHeight()
{
    return height;
}

// Draws frame `index` whole (the vase as set) in the canvas's lower left, at the video's size;
// an empty reply when drawn, else why not. The live scene is not touched.
EMSCRIPTEN_KEEPALIVE const char* tvTurntableDraw(int index)
{
    SceneState posed = start;
    applyTurntablePose(posed, turntablePose(start, index, framesAsked));
    setVaseExact(true);
    struct Reset {
        ~Reset() { setVaseExact(false); }
    } reset;
    try {
        drawScene(posed, width, height);
    } catch (const std::bad_alloc&) {
        return answer(turntableFailedText("not enough memory for a frame"));
    }
    return answer("");
}

// The status line after `done` frames, and the lines at the end.
EMSCRIPTEN_KEEPALIVE const char* tvTurntableStatus(int done)
{
    return answer(turntableStatusText(done, framesAsked));
}

EMSCRIPTEN_KEEPALIVE const char* tvTurntableName(int number, const char* extension)
{
    return answer(numberedName("tolvane-turntable", number, extension));
}

EMSCRIPTEN_KEEPALIVE const char* tvTurntableDone(const char* name)
{
    return answer(turntableDoneText(name));
}

EMSCRIPTEN_KEEPALIVE const char* tvTurntableFailed(const char* why)
{
    return answer(turntableFailedText(why));
}

EMSCRIPTEN_KEEPALIVE const char* tvTurntableCancelled()
{
    return kTurntableCancelled;
}

EMSCRIPTEN_KEEPALIVE const char* tvTurntableNeedsEncoder()
{
    return kTurntableNeedsEncoder;
}

}  // extern "C"
