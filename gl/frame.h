// One frame of the still life: camera, light, view rotation, the props and the vase.
#pragma once

// Frames drawn since start-up, for the panel's frame-rate readout.
unsigned long framesDrawn();

// Draws one whole frame into the current context's draw buffer; swaps nothing, so a window
// and an offscreen surface draw the same picture.
void drawFrame();

// Lets the process keep the heap that a software renderer frees after each batch of binned
// geometry, instead of returning it to the kernel and faulting it back in at the next batch
// (with llvmpipe at 1000 x 1000 that is about 400 MiB of page faults a frame, some starts
// and not others). Called by the first frame; harmless to call again.
void keepRendererHeap();

// The props. Each pushes and pops its own matrix, except drawTableFace and drawTableTop,
// which draw in place, and drawLeg, which hangs from the current origin.
void drawTableFace(int a, int b, int c, int d);
void drawTableTop();
void drawLeg();
void drawPopCan();
void drawGlobeAndStand();

// Images read on the props as they do in an image viewer. GLU's quadrics (and the vase, which
// follows them) run s the other way round from an image's left to right on a surface whose
// axis points down (the can, the globe, the legs), and t bottom to top on one whose axis
// points up (the stand): the texture matrix mirrors s, or t, for what follows, leaving the
// shapes and the vase's projection untouched. Both false restores the identity.
void mirrorTexture(bool s, bool t);
