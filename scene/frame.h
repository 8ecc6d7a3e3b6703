// One frame of the still life: camera, light, view rotation, the props and the vase.
#pragma once

// Frames drawn since start-up, for the panel's frame-rate readout.
unsigned long framesDrawn();

// Display callback of the scene window.
void displayFrame();

// The props. Each pushes and pops its own matrix, except drawTableFace and drawTableTop,
// which draw in place, and drawLeg, which hangs from the current origin.
void drawTableFace(int a, int b, int c, int d);
void drawTableTop();
void drawLeg();
void drawPopCan();
void drawGlobeAndStand();
