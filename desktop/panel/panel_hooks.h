// What the panel is handed by the rooms above it: its buttons' work and the undo history's
// hooks (desktop/panel/panel.h sets them; the panel's own files keep them).
#pragma once

#include <string>

// A button's work: starts it (or asks for it) and returns the status line to show while it
// runs, e.g. "Exporting... tolvane-vase-002.glb", or an empty string when nothing was started.
using PanelAction = std::string (*)();

// The scene's undo history around the panel's own changes; either may be null.
struct PanelHistoryHooks {
    void (*beginFrame)() = nullptr;              // before a frame handles the panel's input
    void (*endFrame)(bool mouseHeld) = nullptr;  // after it; a held button continues the step
};
