// Showing scene frames: a swap, or a copy of the part that changed.
#include "desktop/window_present.h"

#include <GL/freeglut.h>
#include <GL/glx.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "gl/extensions.h"
#include "gl/kept_picture.h"

namespace {

using CopySubBuffer = void (*)(Display*, GLXDrawable, int, int, int, int);
CopySubBuffer copySubBuffer = nullptr;

// A window partly covered or off the screen gets exposes that GLUT reports only as a redisplay:
// such a window is shown whole at every frame. A copy of part of it only while it is all shown.
bool whollyVisible = false;
bool backHoldsLast = false;
// Once a second the whole window is copied even so, so that a part the X server lost without
// telling (a visibility change GLUT did not pass on) is shown again soon.
constexpr auto kWholeAtLeastEvery = std::chrono::seconds(1);
std::chrono::steady_clock::time_point lastWhole;

bool switchedOff()
{
    const char* value = std::getenv("TOLVANE_PARTIAL_PRESENT");
    return value != nullptr && std::strcmp(value, "0") == 0;
}

}  // namespace

void initScenePresent()
{
    Display* display = glXGetCurrentDisplay();
    if (!display || switchedOff())
        return;
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (extensionListHas(extensions, "GLX_MESA_copy_sub_buffer"))
        copySubBuffer = glEntryPointAs<CopySubBuffer>("glXCopySubBufferMESA");
}

bool sceneBackHoldsLastFrame()
{
    return backHoldsLast;
}

void presentSceneFrame()
{
    // A whole frame (a drag) is swapped as usual; so is every frame of a window not all shown.
    const bool kept = lastKeptFrame() != KeptFrame::Whole;
    if (!copySubBuffer || !kept || !whollyVisible) {
        glutSwapBuffers();
        backHoldsLast = false;
        return;
    }
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    const auto now = std::chrono::steady_clock::now();
    if (!lastFrameChangedWholeWindow() && backHoldsLast && now - lastWhole < kWholeAtLeastEvery) {
        const PixelRect r = lastFrameChangedRect();
        if (r.width > 0 && r.height > 0)
            copySubBuffer(display, drawable, r.x, r.y, r.width, r.height);
    } else {
        copySubBuffer(display, drawable, 0, 0, glutGet(GLUT_WINDOW_WIDTH),
                      glutGet(GLUT_WINDOW_HEIGHT));
        lastWhole = now;
    }
    backHoldsLast = true;
}

void notePresentWindowStatus(int state)
{
    whollyVisible = state == GLUT_FULLY_RETAINED;
    backHoldsLast = false;
}

void notePresentWindowResized()
{
    backHoldsLast = false;
}
