// GLUT callbacks of the scene window other than drawing: reshape, mouse, keys, visibility and idle.
#include "desktop/handlers.h"

#include <GL/freeglut.h>

#include "core/history.h"
#include "core/keys.h"
#include "core/redraw.h"
#include "desktop/scene.h"
#include "core/view_math.h"
#include "desktop/frame_pacing.h"
#include "desktop/panel/panel.h"
#include "desktop/scene_history.h"
#include "desktop/turntable_panel.h"
#include "desktop/window_present.h"
#include "desktop/windows.h"
#include "gl/frame.h"
#include "gl/overlays.h"
#include "gl/startup.h"
#include "gl/vase_draw.h"

namespace {

unsigned long framesAtLastStep = 0;  // framesDrawn() when the last animation step was taken
bool paceTimerSet = false;  // a timer will wake the idle handler when the next frame is due
int buttonsHeld = 0;        // mouse buttons down in the scene window, one bit each
unsigned dragSerial = 0;    // counts drag events, so a timer can tell whether the drag went on
bool dragMoving = false;    // drag events came within the last kViewRestMs
bool buildWatched = false;  // a timer looks out for the vase's build

constexpr unsigned kBuildPollMs = 10;

void dragSettled(int serial)
{
    if (static_cast<unsigned>(serial) != dragSerial || !dragMoving)
        return;
    dragMoving = false;
    postSceneRedisplay();
}

// While the vase's mesh (or the lines over it) is built, looks every few ms whether it is
// ready, and then has it drawn.
void watchBuild(int)
{
    buildWatched = false;
    if (vaseBuildReady() || overlayLinesReady())
        postSceneRedisplay();
    else if (vaseBuildRunning() || overlayLinesBuilding()) {
        buildWatched = true;
        glutTimerFunc(kBuildPollMs, watchBuild, 0);
    }
}

void paceTimer(int)
{
    paceTimerSet = false;
    wakePanelIdle();
}

}  // namespace

// The view moves while a drag goes on or the view turns about y; frames then draw the smaller
// vase, and the status line counts them as frames being drawn.
void noteViewMotion()
{
    setVaseInMotion(viewInMotion());
}

void reshapeWindow(int width, int height)
{
    const Viewport v = squareViewport(width, height);
    glViewport(v.x, v.y, v.width, v.height);
    notePresentWindowResized();
    panelFollowScene();
}

void mousePress(int button, int state, int x, int y)
{
    recordPress(scene, button == GLUT_LEFT_BUTTON, state == GLUT_DOWN, x, y);
    // A drag is one undo step, from press to release.
    if (button == GLUT_LEFT_BUTTON) {
        if (state == GLUT_DOWN)
            beginViewStep();
        else
            endViewStep();
    }
    if (button < 0 || button > 30)
        return;
    if (state == GLUT_DOWN)
        buttonsHeld |= 1 << button;
    else
        buttonsHeld &= ~(1 << button);
    // The drag is over: the whole vase comes back at once.
    if (buttonsHeld == 0 && dragMoving) {
        dragMoving = false;
        postSceneRedisplay();
    }
}

void mouseDrag(int x, int y)
{
    // Each event only moves the view; the frame, drawn once the queued events are handled,
    // shows where the pointer is last.
    applyDrag(scene, x, y);
    dragMoving = true;
    ++dragSerial;
    glutTimerFunc(kViewRestMs, dragSettled, static_cast<int>(dragSerial));
    setProjection(scene.zoom);
    postSceneRedisplay();
}

void mouseWheel(int, int direction, int, int)
{
    noteWheelStep();
    applyWheel(scene, direction);
    setProjection(scene.zoom);
    postSceneRedisplay();
}

namespace {

// What a key of the table does in the scene window and the panel.
bool runKey(const KeyBinding* key)
{
    if (key == nullptr)
        return false;
    switch (key->action) {
    case KeyAction::SetSetting:
    case KeyAction::ToggleSetting:
    case KeyAction::StandardView: {
        const unsigned undo = rowOfKey(*key).undo;
        beginInstantStep();
        applySceneKey(scene, *key);
        if (undo != 0)
            endInstantStep(undo);
        // The turn may start; a box the panel shows may change.
        wakePanelIdle();
        postSceneRedisplay();
        return true;
    }
    case KeyAction::ResetView: resetViewAsStep(); return true;
    case KeyAction::PrintLink: printPageLink(); return true;
    case KeyAction::Undo: undoOrRedo(false); return true;
    case KeyAction::Redo: undoOrRedo(true); return true;
    case KeyAction::Quit:
        // Esc first stops a turntable being saved; q always quits.
        if (key->code != kEscapeKey || !cancelTurntable())
            glutLeaveMainLoop();
        return true;
    case KeyAction::ToggleKeyList: togglePanelKeyList(); return true;
    case KeyAction::None: break;
    }
    return false;
}

}  // namespace

bool handleSceneKey(unsigned char key, bool ctrl, bool shift)
{
    // Ctrl+A..Ctrl+Z arrive as 1..26, which no key makes without Ctrl, whatever modifiers a
    // queued event recorded; Esc (27) is Ctrl+3 only with Ctrl held.
    const bool control = ctrl || (key >= 1 && key <= 26);
    return runKey(findKey(key, control, shift, kDesktopKeys));
}

bool handleSceneSpecialKey(int key)
{
    return runKey(findKey(kSpecialKeyBase + key, false, false, kDesktopKeys));
}

void keyPress(unsigned char key, int, int)
{
    const int modifiers = glutGetModifiers();
    handleSceneKey(key, (modifiers & GLUT_ACTIVE_CTRL) != 0, (modifiers & GLUT_ACTIVE_SHIFT) != 0);
}

void sceneFrameDrawn()
{
    if (!buildWatched && (vaseBuildRunning() || overlayLinesBuilding())) {
        buildWatched = true;
        glutTimerFunc(kBuildPollMs, watchBuild, 0);
    }
}

bool viewInMotion()
{
    return viewIsMoving(scene, dragMoving);
}

void specialKeyPress(int key, int, int)
{
    handleSceneSpecialKey(key);
}

bool idleTick()
{
    if (!sceneAnimating(scene) || !sceneWindowShown())
        return false;
    // Panel first: the input that came during the last scene frame is handled, and the panel
    // redrawn, before the next scene frame starts.
    glutMainLoopEvent();
    // One step per drawn frame, however often idle runs before the frame is drawn.
    if (animationStepDue(framesDrawn(), framesAtLastStep)) {
        // Not before the display can show it: until then the process sleeps in GLUT's loop,
        // where input still wakes it at once.
        const int waitMs = msUntilNextFrame();
        if (waitMs > 0) {
            if (!paceTimerSet) {
                paceTimerSet = true;
                glutTimerFunc(static_cast<unsigned>(waitMs), paceTimer, 0);
            }
            return false;
        }
        advanceAnimation(scene);
        framesAtLastStep = framesDrawn();
    }
    // The panel may have left its own window current.
    if (glutGetWindow() != scene.mainWindow)
        glutSetWindow(scene.mainWindow);
    postSceneRedisplay();
    return true;
}
