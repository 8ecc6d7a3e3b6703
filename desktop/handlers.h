// GLUT callbacks of the scene window other than drawing: reshape, mouse, keys, visibility and idle.
#pragma once

void reshapeWindow(int width, int height);
void mousePress(int button, int state, int x, int y);
void mouseDrag(int x, int y);
void mouseWheel(int wheel, int direction, int x, int y);
// The scene's keys, in one place for both windows: the scene window's keyboard callbacks and
// the panel (while no field is being edited) call these. Each returns whether `key` is one of
// them; GLUT's Ctrl+letter arrives as 1..26 (with `ctrl`).
bool handleSceneKey(unsigned char key, bool ctrl, bool shift);
bool handleSceneSpecialKey(int key);
void keyPress(unsigned char key, int x, int y);
void specialKeyPress(int key, int x, int y);
// The animation's step; returns whether it has more to do (the scene animates and is shown).
bool idleTick();

// After each scene frame: while the vase's new mesh is built, a timer has it drawn when ready.
void sceneFrameDrawn();
// A drag moves the view or the view turns about y: frames come one after another. The scene
// window's hooks (desktop/windows.h): whether the view moves, and telling the drawing so.
bool viewInMotion();
void noteViewMotion();
