// GLUT callbacks of the scene window other than drawing: reshape, mouse, keys, visibility and idle.
#include "desktop/handlers.h"

#include <GL/freeglut.h>

#include "core/keys.h"
#include "core/redraw.h"
#include "core/scene_state.h"
#include "core/view_math.h"
#include "desktop/panel/panel.h"
#include "gl/frame.h"
#include "gl/startup.h"

namespace {

bool shown = true;
unsigned long framesAtLastStep = 0;  // framesDrawn() when the last animation step was taken
ViewPose startView;

}  // namespace

void postSceneRedisplay()
{
    // A window shown again is drawn anyway (see sceneWindowStatus).
    if (shown)
        glutPostWindowRedisplay(scene.mainWindow);
}

bool sceneWindowShown()
{
    return shown;
}

void sceneWindowStatus(int state)
{
    const bool wasShown = shown;
    shown = state != GLUT_HIDDEN && state != GLUT_FULLY_COVERED;
    if (shown && !wasShown) {
        glutPostWindowRedisplay(scene.mainWindow);
        wakePanelIdle();
    }
}

void reshapeWindow(int width, int height)
{
    const Viewport v = squareViewport(width, height);
    glViewport(v.x, v.y, v.width, v.height);
    panelFollowScene();
}

void mousePress(int button, int state, int x, int y)
{
    recordPress(scene, button == GLUT_LEFT_BUTTON, state == GLUT_DOWN, x, y);
}

void mouseDrag(int x, int y)
{
    applyDrag(scene, x, y);
    setProjection(scene.zoom);
    postSceneRedisplay();
}

void mouseWheel(int, int direction, int, int)
{
    applyWheel(scene, direction);
    setProjection(scene.zoom);
    postSceneRedisplay();
}

void rememberStartView()
{
    startView = viewPoseOf(scene);
}

void resetView()
{
    restoreViewPose(scene, startView);
    glutSetWindow(scene.mainWindow);
    setProjection(scene.zoom);
    postSceneRedisplay();
    wakePanelIdle();
}

bool handleSceneKey(unsigned char key)
{
    switch (key) {
    case 'q':
    case kEscapeKey: glutLeaveMainLoop(); return true;
    case 'r': resetView(); return true;
    case 'h': togglePanelKeyList(); return true;
    case 'c':
    case 's':
    case 'y':
        applyKey(scene, key);
        // y may start the turn; c and s change a box the panel shows.
        wakePanelIdle();
        postSceneRedisplay();
        return true;
    default: return false;
    }
}

bool handleSceneSpecialKey(int key)
{
    if (key != GLUT_KEY_F1)
        return false;
    togglePanelKeyList();
    return true;
}

void keyPress(unsigned char key, int, int)
{
    handleSceneKey(key);
}

void specialKeyPress(int key, int, int)
{
    handleSceneSpecialKey(key);
}

bool idleTick()
{
    if (!sceneAnimating(scene) || !shown)
        return false;
    // Panel first: the input that came during the last scene frame is handled, and the panel
    // redrawn, before the next scene frame starts.
    glutMainLoopEvent();
    // One step per drawn frame, however often idle runs before the frame is drawn.
    if (animationStepDue(framesDrawn(), framesAtLastStep)) {
        advanceAnimation(scene);
        framesAtLastStep = framesDrawn();
    }
    // The panel may have left its own window current.
    if (glutGetWindow() != scene.mainWindow)
        glutSetWindow(scene.mainWindow);
    postSceneRedisplay();
    return true;
}
