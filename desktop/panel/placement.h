// Where the panel window goes beside the scene window on the screen. No GL.
#pragma once

// A window's outer frame (decorations included), in screen pixels from the top-left.
struct FrameRect {
    int x = 0, y = 0;
    int width = 0, height = 0;
};

// New positions of both frames; the scene's is its old one unless it had to make room.
struct PanelPlacement {
    FrameRect scene;
    FrameRect panel;
};

// Puts the panel's frame `gap` pixels right of the scene's frame, top edges level; if it
// would leave the screen there, left of the scene; if neither side has room but both fit
// side by side, the scene moves left just enough for the panel to fit on its right; if even
// that fails, the panel sits at the screen's right edge. The panel moves up when it would
// reach below the screen, and never leaves its left or top edge.
PanelPlacement placePanelBesideScene(FrameRect scene, FrameRect panel, int screenWidth,
                                     int screenHeight, int gap);
