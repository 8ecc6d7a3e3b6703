// The page's entry points for the rules it shares with the desktop: what "Save picture" and
// "Export vase" say, their files' names and the burst gate of their clicks, how long a brief
// message stays, when a dragged view rests, the status line, and a saved picture's text chunks.
#include <emscripten/emscripten.h>

#include <string>
#include <vector>

#include "core/redraw.h"
#include "core/save_work.h"
#include "core/scene_file.h"
#include "core/view_math.h"
#include "web/page_state.h"
#include "web/scene_draw.h"

namespace {

// Clicks on "Save picture" and "Export vase", in the page's clock (performance.now()).
BurstGate burst;

// The chunks of the last tvPictureTexts, valid until the next call.
std::vector<unsigned char> pictureChunks;

// work: 0 "Save picture", 1 "Export vase".
SaveWork workOf(int work)
{
    return work == 0 ? SaveWork::Picture : SaveWork::Vase;
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int tvBriefMessageMs()
{
    return kBriefMessageMs;
}

EMSCRIPTEN_KEEPALIVE int tvViewRestMs()
{
    return kViewRestMs;
}

// The name of the work's file numbered `number`: tolvane-001.png, tolvane-vase-001.glb.
EMSCRIPTEN_KEEPALIVE const char* tvWorkName(int work, int number)
{
    return answer(workFileName(workOf(work), number));
}

EMSCRIPTEN_KEEPALIVE const char* tvWorkBusy(int work, const char* name)
{
    return answer(workBusyText(workOf(work), name));
}

EMSCRIPTEN_KEEPALIVE const char* tvWorkDone(int work, const char* name)
{
    return answer(workDoneText(workOf(work), name));
}

EMSCRIPTEN_KEEPALIVE const char* tvWorkFailed(int work, const char* why)
{
    return answer(workFailedText(workOf(work), why));
}

// Whether a click at `nowMs` on either button belongs to a burst and is dropped.
EMSCRIPTEN_KEEPALIVE int tvBurstDropsPress(int working, double nowMs)
{
    return burstDropsPress(burst, working != 0, static_cast<long long>(nowMs));
}

// The status line after a frame that took `lastFrameMs` to draw; `paceMs` between frames while
// they follow one another (0 while measured).
EMSCRIPTEN_KEEPALIVE const char* tvStatusLine(double lastFrameMs, int moving, double paceMs)
{
    return answer(sceneStatusText(lastFrameMs, moving == 0, vaseQuadCount(), paceMs));
}

// The text chunks of the picture `png` (the browser's PNG of the canvas), drawn with `arguments`:
// returns where in the file they go (0 when it is no PNG); tvPictureTextBytes and
// tvPictureTextSize give them.
EMSCRIPTEN_KEEPALIVE int tvPictureTexts(const unsigned char* png, int size, const char* arguments)
{
    pictureChunks = pictureTextChunks(arguments);
    return static_cast<int>(pngTextPlace(png, size > 0 ? static_cast<size_t>(size) : 0));
}

EMSCRIPTEN_KEEPALIVE const unsigned char* tvPictureTextBytes()
{
    return pictureChunks.data();
}

EMSCRIPTEN_KEEPALIVE int tvPictureTextSize()
{
    return static_cast<int>(pictureChunks.size());
}

}  // extern "C"
