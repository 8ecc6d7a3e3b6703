// The desktop's one undo history and the page link key; see scene_history.h.
#include "desktop/scene_history.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/history.h"
#include "core/scene_file.h"
#include "core/view_math.h"
#include "desktop/panel/panel.h"
#include "desktop/scene.h"
#include "desktop/windows.h"
#include "gl/startup.h"

namespace {

SceneHistory history;
SceneState instantBefore;  // the state before a change made at once
SceneState panelBefore;    // the state when the panel's open step began
bool panelStepOpen = false;
bool wheelTimerSet = false;
ViewPose startView;  // where `r` and "Reset view" go back to

void endQuietWheel(int)
{
    wheelTimerSet = false;
    if (!commitQuietGesture(history, scene, glutGet(GLUT_ELAPSED_TIME)) && history.open) {
        wheelTimerSet = true;
        glutTimerFunc(static_cast<unsigned>(kGestureQuietMs), endQuietWheel, 0);
    }
}

// After undo or redo: the projection follows the zoom, both windows show the new state, and
// the panel's open step starts again from it (the change is not a step of its own).
void showRestoredState()
{
    panelBefore = scene;
    glutSetWindow(scene.mainWindow);
    setProjection(scene.zoom);
    postSceneRedisplay();
    wakePanelIdle();
}

}  // namespace

void beginViewStep()
{
    beginStep(history, scene, kScopeView);
}

void endViewStep()
{
    commitStep(history, scene);
}

void noteWheelStep()
{
    continueGesture(history, scene, kScopeView, glutGet(GLUT_ELAPSED_TIME));
    if (!wheelTimerSet) {
        wheelTimerSet = true;
        glutTimerFunc(static_cast<unsigned>(kGestureQuietMs), endQuietWheel, 0);
    }
}

void beginInstantStep()
{
    instantBefore = scene;
}

void endInstantStep(unsigned scope)
{
    recordStep(history, instantBefore, scene, scope);
}

void beginPanelFrameStep()
{
    if (!panelStepOpen) {
        panelBefore = scene;
        panelStepOpen = true;
    }
}

void endPanelFrameStep(bool mouseHeld)
{
    if (!panelStepOpen || mouseHeld)
        return;
    recordStep(history, panelBefore, scene, kScopeSettings);
    panelStepOpen = false;
}

void undoOrRedo(bool redo)
{
    // A change the panel has made but not yet recorded is a step before it is undone.
    if (panelStepOpen) {
        recordStep(history, panelBefore, scene, kScopeSettings);
        panelStepOpen = false;
    }
    const bool changed = redo ? redoStep(history, scene) : undoStep(history, scene);
    if (changed)
        showRestoredState();
}

void rememberStartView()
{
    startView = viewPoseOf(scene);
}

void resetViewAsStep()
{
    beginInstantStep();
    restoreViewPose(scene, startView);
    glutSetWindow(scene.mainWindow);
    setProjection(scene.zoom);
    postSceneRedisplay();
    wakePanelIdle();
    endInstantStep(kScopeView);
}

void connectPanelHistory()
{
    PanelHistoryHooks hooks;
    hooks.beginFrame = beginPanelFrameStep;
    hooks.endFrame = endPanelFrameStep;
    setPanelHistoryHooks(hooks);
}

void printPageLink()
{
    const char* address = std::getenv("TOLVANE_PAGE");
    const std::string link =
        pageLinkOf(scene, static_cast<int>(scene.textures.size()),
                   address != nullptr && *address != '\0' ? address : kDefaultPageAddress);
    std::printf("%s\n", link.c_str());
    std::fflush(stdout);
}
