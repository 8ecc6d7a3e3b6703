// One frame of the still life: camera, light, view rotation, the props and the vase.
#pragma once

// Frames drawn since start-up, for the panel's frame-rate readout.
unsigned long framesDrawn();

// Draws one whole frame into the current context's draw buffer; swaps nothing, so a window
// and an offscreen surface draw the same picture.
void drawFrame();

// The props. Each pushes and pops its own matrix, except drawTableFace and drawTableTop,
// which draw in place, and drawLeg, which hangs from the current origin.
void drawTableFace(int a, int b, int c, int d);
void drawTableTop();
void drawLeg();
void drawPopCan();
void drawGlobeAndStand();
