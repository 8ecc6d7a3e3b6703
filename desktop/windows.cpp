// The scene window as every room of the desktop sees it: whether it is shown, asking for its
// frame, waking the idle loop.
#include "desktop/windows.h"

#include <GL/freeglut.h>

#include "desktop/scene.h"
#include "desktop/window_present.h"

namespace {

SceneWindowHooks hooks;
bool shown = true;

}  // namespace

void setSceneWindowHooks(const SceneWindowHooks& given)
{
    hooks = given;
}

void postSceneRedisplay()
{
    if (hooks.noteMotion)
        hooks.noteMotion();
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
    notePresentWindowStatus(state);
    const bool wasShown = shown;
    shown = state != GLUT_HIDDEN && state != GLUT_FULLY_COVERED;
    if (shown && !wasShown) {
        glutPostWindowRedisplay(scene.mainWindow);
        wakeSceneIdle();
    }
}

void wakeSceneIdle()
{
    if (hooks.wake)
        hooks.wake();
}

bool sceneInMotion()
{
    return hooks.inMotion && hooks.inMotion();
}
