// The scene window as every room of the desktop sees it: whether it is shown, asking for its
// frame, waking the idle loop. The bottom room: of the desktop it includes only the scene; what it
// needs from the rooms above is handed to it at start-up as hooks.
#pragma once

// Set once at start-up (desktop/main.cpp); a null hook does nothing (or answers false).
struct SceneWindowHooks {
    void (*noteMotion)() = nullptr;  // before a frame is asked for: the view's motion told on
    bool (*inMotion)() = nullptr;    // a drag moves the view or the view turns about y
    void (*wake)() = nullptr;        // brings the idle callback back (the panel's idle loop)
};
void setSceneWindowHooks(const SceneWindowHooks& hooks);

// Asks for a scene frame when the window can show one; a hidden window's frame waits until it
// is shown (a redisplay asked of a hidden window would keep freeglut from ever sleeping).
void postSceneRedisplay();
bool sceneWindowShown();
// GLUT's window-status callback: hidden (minimised) or wholly covered, the scene window draws
// nothing until shown again.
void sceneWindowStatus(int state);

// Brings the idle callback back, after something that may have started an animation.
void wakeSceneIdle();
// A drag moves the view or the view turns about y: frames come one after another.
bool sceneInMotion();
