// The control panel: a second GLUT window whose Dear ImGui controls edit the scene's settings.
#pragma once

// Creates the "GLUI" window beside the scene window with its 24 controls bound to `scene`;
// texture index spinners range over 0..textureCount-1.
void buildControlPanel(int textureCount);

// Takes over the GLUT idle callback: each idle event redraws the panel, then calls `idle`.
void setPanelIdleFunc(void (*idle)());
