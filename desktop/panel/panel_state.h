// The control panel's shared state and the pieces its files call on one another; internal to
// desktop/panel/.
#pragma once

#include <GL/glx.h>

#include <deque>
#include <string>
#include <vector>

#include "core/controls.h"
#include "core/save_work.h"
#include "desktop/panel/input_queue.h"
#include "desktop/panel/panel_hooks.h"
#include "desktop/panel/placement.h"

// A rectangle of the panel window, in its pixels from the top left.
struct PanelBox {
    float left = 0, top = 0, right = 0, bottom = 0;
    bool holds(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

struct Panel {
    int window = 0;
    bool shown = true;            // mapped and not wholly covered: only then is it drawn
    Display* xDisplay = nullptr;  // the X connection and window, to drop clicks made while blocked
    GLXDrawable xWindow = 0;
    std::vector<Control> controls;
    std::vector<std::string> editText;  // text of each spinner's field while it is being edited
    std::deque<PanelInput> pending;     // input not yet fed to ImGui
    int lastInputMs = -(1 << 30);       // GLUT time of the last input
    int lastRedrawMs = 0;
    double lastSceneFrameMs = -1.0;  // how long the last scene frame took; negative before one
    bool fitted = false;             // the window has been sized to its contents
    float labelWidth = 0.0f;         // pixels, of the spinners' label column; 0 until measured
    bool pointerLeft = false;        // the pointer left the window: end any edit at the next frame
    int hovered = -1;                // control (or button, after the controls) under the pointer
    int hoveredSinceMs = 0;
    int hoveredNow = -1;  // what this frame found under the pointer
    std::string message;  // the line under the frame time
    bool messageChanged = false;
    int messageSerial = 0;              // tells a message's expiry timer whether it is still shown
    PanelAction savePicture = nullptr;  // what the buttons call; null: nothing
    PanelAction exportVase = nullptr;
    PanelAction saveTurntable = nullptr;      // starts a turntable, or cancels the one running
    bool (*turntableRunning)() = nullptr;     // its button stays on, to cancel, while it runs
    void (*resetView)() = nullptr;
    bool working = false;  // a save or export runs: its buttons are off, presses on them dropped
    std::vector<PanelBox> workButtons;  // where the buttons that start work were last drawn
    bool showKeys = false;      // the key list shows under the buttons
    float footerHeight = 0.0f;  // pixels of the buttons and status lines, from the last frame
    void (*sceneChanged)() = nullptr;
    PanelHistoryHooks history;  // undo steps around its frames (panel.h)
    int panelFrames = 0;       // frames the panel has drawn
    int placementFromMs = -1;  // when both windows had drawn a frame; -1 until then
    int placementChecks = 0;   // how many of kPlacementChecksMs have run
    FrameRect checkedScene;    // both frames as the last check found them
    FrameRect checkedPanel;
    // After the first second the panel follows the scene window when the window manager moves
    // or resizes it, until the user moves the panel away from where it was put.
    bool following = false;
    FrameRect expectedPanel;   // where the panel was put, or found after a move
    bool (*idle)() = nullptr;  // the program's idle handler: whether it has more to do
    bool editing = false;      // a spinner's field was being edited at the end of the last frame
    bool (*sceneKey)(unsigned char, bool ctrl, bool shift) = nullptr;  // the scene's keys; null: none
    bool (*sceneSpecialKey)(int) = nullptr;
    std::vector<PanelInput> sceneKeys;  // keys for the scene, taken after the panel's frame
    int heightBeforeGrowth = 0;         // pixels; the window's height before the key list grew it
    BurstGate burst;                    // presses of a burst, in GLUT time (see onMouse)
    unsigned droppedButtons = 0;        // bit per button whose press was dropped, until released
};
extern Panel panel;

constexpr int kTooltipDelayMs = 500;     // the pointer rests this long before a tooltip shows
constexpr float kMinFieldWidth = 80.0f;  // pixels: a spinner's field never gets narrower
constexpr int kWindowGap = 8;            // pixels between the scene's frame and the panel's

// Window managers place the windows themselves and report where only after mapping, and may
// move the scene window a little later: the panel checks its place this many ms after both
// windows have drawn their first frame, then leaves it to the user.
constexpr int kPlacementChecksMs[] = {100, 300, 600, 1000};

constexpr int kPlacementCheckCount = sizeof kPlacementChecksMs / sizeof kPlacementChecksMs[0];

// panel.cpp: redraws and idle calls.
void postPanelRedisplay();
void wakeIdle();  // idle calls run only while something needs them; see panelIdle
void showBriefMessage(const std::string& text);

// panel_input.cpp: the panel window's input callbacks, and the queue that feeds ImGui.
void installPanelInput();
void feedPendingInput();
// Hands the keys that feedPendingInput set aside to the scene's key handling.
void runSceneKeys();
// Drops the clicks made while the panel worked; returns how many events it dropped.
int dropPanelClicks();

// panel_controls.cpp: one frame of the controls, buttons and status lines.
void displayPanel();

// panel_place.cpp: the panel beside the scene window.
void keepBesideScene();
void onScenePosition(int x, int y);
void followScene(int);
