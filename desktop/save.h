// The panel's "Save picture" and "Export vase": asked for by a button, served by the scene
// window's display callback right after a whole frame, reported on the panel's status line.
#pragma once

#include <string>

// Where saved pictures and exports go (--output-dir); empty, the default, is the working
// folder. A folder other than that appears in the status line's file name.
void setOutputFolder(const std::string& folder);

// The first free "stem-NNN.ext" in the output folder, e.g. nextSaveName("tolvane", ".png").
std::string nextSaveName(const char* stem, const char* extension);

// Asks for the next frame of the scene window to be saved as tolvane-NNN.png (drawn offscreen
// at the window's size when the window is hidden); returns the status line to show meanwhile.
std::string requestPictureSave();
// Asks for the vase as drawn at the next frame to be written as tolvane-vase-NNN.glb; returns
// the status line to show meanwhile.
std::string requestVaseExport();

// Display callback of the scene window: the frame, then any requested save, then the swap.
void displaySceneWindow();
