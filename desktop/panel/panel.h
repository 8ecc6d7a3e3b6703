// The control panel: a second GLUT window whose Dear ImGui controls edit the scene's settings.
#pragma once

#include <string>

// Creates the "GLUI" window beside the scene window with its 24 controls bound to `scene`;
// texture index spinners range over 0..textureCount-1. Once both windows are on screen the
// panel moves beside the scene window's frame where the window manager put it.
void buildControlPanel(int textureCount);

// Takes over the GLUT idle callback: each idle event redraws the panel, then calls `idle`.
void setPanelIdleFunc(void (*idle)());

// What the "Save picture" and "Export vase" buttons call when clicked; null (the default)
// makes a button do nothing.
void setPanelActions(void (*savePicture)(), void (*exportVase)());

// A message for the line under the frame time (e.g. "Saved tolvane-001.png" or why it could
// not be saved), shown until the next message replaces it; empty clears it.
void setPanelMessage(const std::string& text);
