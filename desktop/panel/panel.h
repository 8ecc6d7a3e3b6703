// The control panel: a second GLUT window whose Dear ImGui controls edit the scene's settings.
#pragma once

#include <string>

#include "desktop/panel/panel_hooks.h"

// Creates the "GLUI" window beside the scene window with its 24 controls bound to `scene`;
// texture index spinners range over 0..textureCount-1. Once both windows are on screen the
// panel moves beside the scene window's frame where the window manager put it.
void buildControlPanel(int textureCount);

// Called when the scene window is moved or resized: the panel follows it, until the user has
// moved the panel.
void panelFollowScene();

// Takes over the GLUT idle callback: while the panel or `idle` has work (`idle` returns whether
// it has more), each idle event redraws the panel as needed, then calls `idle`. With no work
// left the idle callback is removed, so the process sleeps until the next event.
void setPanelIdleFunc(bool (*idle)());
// Brings the idle callback back, after something that may have started an animation.
void wakePanelIdle();

// What the buttons call: "Save picture", "Export vase" and "Reset view"; and what a control's
// change calls so that the scene draws again. Null (the default) does nothing.
void setPanelActions(PanelAction savePicture, PanelAction exportVase, void (*resetView)(),
                     void (*sceneChanged)());

// "Save turntable": `save` starts one (returning its status line) or, while `running` says one
// runs, cancels it (finishing the panel's work itself and returning an empty string).
void setPanelTurntable(PanelAction save, bool (*running)());

// The scene's keys, as the scene window takes them: each returns whether it took the key.
// While no field is being edited, keys pressed in the panel go to them instead of the panel.
// `shift`: Shift was held (Ctrl+Shift+Z redoes where Ctrl+Z undoes).
void setPanelSceneKeys(bool (*key)(unsigned char, bool ctrl, bool shift), bool (*special)(int));

// The scene's undo history around the panel's own changes (PanelHistoryHooks). Set once at
// start.
void setPanelHistoryHooks(const PanelHistoryHooks& hooks);

// Ends the work a PanelAction started: the buttons come back and `message` replaces the status
// line. Where the work kept the windows from taking input at its end (`windowsBlocked`: the
// last turntable frame was just drawn), clicks made on the panel meanwhile are dropped; work
// that ran beside the windows leaves them, since they were made on controls that answer.
void finishPanelWork(const std::string& message, bool windowsBlocked = true);

// A message for the line under the frame time (e.g. "Saved tolvane-001.png" or why it could
// not be saved), shown until the next message replaces it; empty clears it.
void setPanelMessage(const std::string& text);

// How long the scene frame just drawn took, for the status line.
void notePanelSceneFrame(double milliseconds);

// Shows or hides the key list under the buttons (F1 or h).
void togglePanelKeyList();
