// The control panel: a second GLUT window whose Dear ImGui controls edit the scene's settings.
// This file makes the window, paces its redraws and idle calls, and holds the panel's state.
#include "desktop/panel/panel.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <string>

#include "core/redraw.h"
#include "desktop/scene.h"
#include "desktop/panel/panel_state.h"
#include "desktop/window_class.h"
#include "desktop/windows.h"
#include "imgui.h"
#include "imgui_impl_glut.h"
#include "imgui_impl_opengl2.h"

Panel panel;

namespace {
void panelIdle();
}  // namespace

void postPanelRedisplay()
{
    if (panel.window > 0 && panel.shown)
        glutPostWindowRedisplay(panel.window);
}

void wakeIdle()
{
    glutIdleFunc(panelIdle);
}

namespace {

void onReshape(int width, int height)
{
    ImGui_ImplGLUT_ReshapeFunc(width, height);
    postPanelRedisplay();
}

// A minimised or wholly covered panel is not drawn; shown again, it draws once.
void onWindowStatus(int state)
{
    panel.shown = state != GLUT_HIDDEN && state != GLUT_FULLY_COVERED;
    postPanelRedisplay();
}

// Shows `text` for kBriefMessageMs, unless another message replaces it first.
void onMessageExpiry(int serial)
{
    if (serial == panel.messageSerial)
        setPanelMessage(std::string());
}

}  // namespace

void showBriefMessage(const std::string& text)
{
    setPanelMessage(text);
    glutTimerFunc(kBriefMessageMs, onMessageExpiry, panel.messageSerial);
}

namespace {

// Idle work of the panel, then the program's own idle handler. Runs only while one of them
// has work; otherwise the idle callback is removed and the process sleeps until an event.
void panelIdle()
{
    const int now = glutGet(GLUT_ELAPSED_TIME);
    PanelActivity activity;
    activity.inputPending = !panel.pending.empty();
    activity.buttonHeld = ImGui::IsAnyMouseDown();
    activity.msSinceInput = now - panel.lastInputMs;
    activity.msSinceRedraw = now - panel.lastRedrawMs;
    activity.sceneAnimating = sceneAnimating(scene) || sceneInMotion();
    // A hidden panel draws nothing, so waiting for its frames would never end.
    const bool panelBusy = panel.shown && panelWantsFrame(activity);
    if (panelBusy)
        postPanelRedisplay();
    keepBesideScene();
    const bool placing = panel.placementChecks < kPlacementCheckCount;
    const bool sceneBusy = panel.idle && panel.idle();
    if (!panelBusy && !placing && !sceneBusy)
        glutIdleFunc(nullptr);
}

}  // namespace

void buildControlPanel(int textureCount)
{
    panel.controls = buildControlTable(scene, textureCount);
    panel.editText.assign(panel.controls.size(), std::string());
    applyLimitsOnBuild(panel.controls);

    // Beside the scene window, top edges aligned (GLUT ignores negative positions). Where a
    // window manager puts either window is known only later; keepBesideScene corrects it.
    const int sceneX = std::max(0, glutGet(GLUT_WINDOW_X));
    const int sceneY = std::max(0, glutGet(GLUT_WINDOW_Y));
    glutInitWindowPosition(sceneX + glutGet(GLUT_WINDOW_WIDTH) + kWindowGap, sceneY);
    glutInitWindowSize(640, 700);
    panel.window = glutCreateWindow("GLUI");
    setWindowClass();

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // nothing is persisted
    io.DisplaySize = ImVec2(640.0f, 700.0f);
    ImGui::StyleColorsDark();
    ImGui_ImplGLUT_Init();
    ImGui_ImplOpenGL2_Init();

    // Callbacks of the panel window only; the scene window keeps its own.
    glutDisplayFunc(displayPanel);
    glutReshapeFunc(onReshape);
    installPanelInput();
    glutWindowStatusFunc(onWindowStatus);
    panel.xDisplay = glXGetCurrentDisplay();
    panel.xWindow = glXGetCurrentDrawable();

    glutSetWindow(scene.mainWindow);
    glutPositionFunc(onScenePosition);
}

void setPanelIdleFunc(bool (*idle)())
{
    panel.idle = idle;
    wakeIdle();
}

void wakePanelIdle()
{
    wakeIdle();
}

void setPanelActions(PanelAction savePicture, PanelAction exportVase, void (*resetView)(),
                     void (*sceneChanged)())
{
    panel.savePicture = savePicture;
    panel.exportVase = exportVase;
    panel.resetView = resetView;
    panel.sceneChanged = sceneChanged;
}

void setPanelTurntable(PanelAction save, bool (*running)())
{
    panel.saveTurntable = save;
    panel.turntableRunning = running;
}

void setPanelHistoryHooks(const PanelHistoryHooks& hooks)
{
    panel.history = hooks;
}

void setPanelMessage(const std::string& text)
{
    panel.message = text;
    panel.messageChanged = true;
    ++panel.messageSerial;
    postPanelRedisplay();
}

void setPanelSceneKeys(bool (*key)(unsigned char, bool, bool), bool (*special)(int))
{
    panel.sceneKey = key;
    panel.sceneSpecialKey = special;
}

void finishPanelWork(const std::string& message, bool windowsBlocked)
{
    panel.working = false;
    // Clicks made while the windows could not take them belong to the work's burst, and carry
    // it on past its end.
    if (windowsBlocked && dropPanelClicks() > 0)
        continueBurst(panel.burst, glutGet(GLUT_ELAPSED_TIME));
    setPanelMessage(message);
}

void notePanelSceneFrame(double milliseconds)
{
    panel.lastSceneFrameMs = milliseconds;
    noteFrameInBurst(panel.burst, glutGet(GLUT_ELAPSED_TIME), milliseconds);
    // While frames come one after another (animation, a drag) the status line is refreshed a
    // few times a second; a single frame is shown at once.
    const bool frameAfterFrame = sceneAnimating(scene) || sceneInMotion();
    if (!frameAfterFrame || glutGet(GLUT_ELAPSED_TIME) - panel.lastRedrawMs >= kStatusRefreshMs)
        postPanelRedisplay();
}

void togglePanelKeyList()
{
    panel.showKeys = !panel.showKeys;
    postPanelRedisplay();
}
