// Showing a drawn scene frame: the whole back buffer swapped in, or, where GLX copies part of
// it (GLX_MESA_copy_sub_buffer, as software renderers offer), only what the frame changed.
#pragma once

// Finds the copy in the scene window's context; call once, with that context current.
// TOLVANE_PARTIAL_PRESENT=0 in the environment leaves every frame swapped whole.
void initScenePresent();

// Whether the back buffer still holds every pixel of the frame shown last: true after a frame
// shown by a copy (a copy leaves the back buffer as it was) while the window is wholly visible
// at the same size; false after a swap, which leaves the back buffer undefined.
bool sceneBackHoldsLastFrame();

// Shows the frame drawn by drawFrameKeepingStill: its changed rectangle copied to the window
// when only that changed, else the whole window copied or swapped.
void presentSceneFrame();

// The window's visibility as GLUT reports it (glutWindowStatusFunc's state), and its resizing:
// uncovered or resized parts must be shown whole again.
void notePresentWindowStatus(int state);
void notePresentWindowResized();
