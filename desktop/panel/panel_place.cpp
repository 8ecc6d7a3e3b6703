// Keeps the panel beside the scene window: where the window manager first puts both, and
// after the scene window moves, until the user moves the panel.
#include <GL/freeglut.h>

#include "desktop/scene.h"
#include "desktop/panel/panel.h"
#include "desktop/panel/panel_state.h"
#include "gl/frame.h"

namespace {

// A window's outer frame from what freeglut reports; a frame size that makes no sense (as
// freeglut's fallback can give without a window manager) counts as no frame.
FrameRect outerFrameOf(int window)
{
    glutSetWindow(window);
    auto frameSize = [](int pixels) { return pixels >= 0 && pixels <= 200 ? pixels : 0; };
    const int border = frameSize(glutGet(GLUT_WINDOW_BORDER_WIDTH));
    const int header = frameSize(glutGet(GLUT_WINDOW_HEADER_HEIGHT));
    // The bottom edge is taken to be as wide as the sides.
    return FrameRect{glutGet(GLUT_WINDOW_X) - border, glutGet(GLUT_WINDOW_Y) - header,
                     glutGet(GLUT_WINDOW_WIDTH) + 2 * border,
                     glutGet(GLUT_WINDOW_HEIGHT) + header + border};
}

// Notes where the panel now is, as the place to follow the scene from.
void settleFollowing(int)
{
    const int current = glutGetWindow();
    panel.expectedPanel = outerFrameOf(panel.window);
    panel.following = true;
    if (current > 0)
        glutSetWindow(current);
}

}  // namespace

// Puts the panel beside the scene window again, unless the user has moved it since it was put.
void followScene(int)
{
    if (!panel.following)
        return;
    const int current = glutGetWindow();
    const FrameRect panelFrame = outerFrameOf(panel.window);
    if (panelFrame.x != panel.expectedPanel.x || panelFrame.y != panel.expectedPanel.y) {
        panel.following = false;
    } else {
        const FrameRect sceneFrame = outerFrameOf(scene.mainWindow);
        const PanelPlacement place =
            placePanelBesideScene(sceneFrame, panelFrame, glutGet(GLUT_SCREEN_WIDTH),
                                  glutGet(GLUT_SCREEN_HEIGHT), kWindowGap);
        if (place.panel.x != panelFrame.x || place.panel.y != panelFrame.y) {
            glutSetWindow(panel.window);
            glutPositionWindow(place.panel.x, place.panel.y);
            panel.following = false;  // until the move has settled
            glutTimerFunc(300, settleFollowing, 0);
        }
    }
    if (current > 0)
        glutSetWindow(current);
}

void onScenePosition(int, int)
{
    panelFollowScene();
}

// Moves the panel beside the scene window where the window manager put it, during the first
// second after both windows are on screen. A position asked of the window manager is that of
// the frame's top-left corner (the windows' default north-west gravity).
void keepBesideScene()
{
    constexpr int checks = kPlacementCheckCount;
    if (panel.placementChecks >= checks)
        return;
    const int now = glutGet(GLUT_ELAPSED_TIME);
    if (panel.placementFromMs < 0) {
        if (framesDrawn() == 0 || panel.panelFrames == 0)
            return;
        panel.placementFromMs = now;
    }
    if (now - panel.placementFromMs < kPlacementChecksMs[panel.placementChecks])
        return;
    ++panel.placementChecks;

    const int current = glutGetWindow();
    const FrameRect sceneFrame = outerFrameOf(scene.mainWindow);
    const FrameRect panelFrame = outerFrameOf(panel.window);
    // After the first check, only a scene window put elsewhere or a panel that has fitted
    // itself since calls for a new place: a panel the user has moved stays where it is.
    const bool first = panel.placementChecks == 1;
    const bool sceneMoved =
        sceneFrame.x != panel.checkedScene.x || sceneFrame.y != panel.checkedScene.y;
    const bool panelResized = panelFrame.width != panel.checkedPanel.width ||
                              panelFrame.height != panel.checkedPanel.height;
    panel.checkedScene = sceneFrame;
    panel.checkedPanel = panelFrame;
    if (first || sceneMoved || panelResized) {
        const PanelPlacement place =
            placePanelBesideScene(sceneFrame, panelFrame, glutGet(GLUT_SCREEN_WIDTH),
                                  glutGet(GLUT_SCREEN_HEIGHT), kWindowGap);
        if (place.scene.x != sceneFrame.x || place.scene.y != sceneFrame.y) {
            glutSetWindow(scene.mainWindow);
            glutPositionWindow(place.scene.x, place.scene.y);
        }
        if (place.panel.x != panelFrame.x || place.panel.y != panelFrame.y) {
            glutSetWindow(panel.window);
            glutPositionWindow(place.panel.x, place.panel.y);
        }
    }
    if (panel.placementChecks == checks)
        glutTimerFunc(300, settleFollowing, 0);
    if (current > 0)
        glutSetWindow(current);
}

void panelFollowScene()
{
    // Window managers report a move in several steps; the last one counts.
    if (panel.following)
        glutTimerFunc(150, followScene, 0);
}

