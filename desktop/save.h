// The panel's "Save picture" and "Export vase": asked for by a button, served by the scene
// window's display callback right after a whole frame, reported on the panel's status line.
#pragma once

// Asks for the next frame of the scene window to be saved as tolvane-NNN.png.
void requestPictureSave();
// Asks for the vase as drawn at the next frame to be written as tolvane-vase-NNN.glb.
void requestVaseExport();

// Display callback of the scene window: the frame, then any requested save, then the swap.
void displaySceneWindow();
