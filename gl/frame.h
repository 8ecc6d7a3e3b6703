// One frame of the still life: camera, light, view rotation, the props and the vase.
#pragma once

// Frames drawn since start-up, for the panel's frame-rate readout.
unsigned long framesDrawn();

// Draws one whole frame into the current context's draw buffer; swaps nothing, so a window
// and an offscreen surface draw the same picture.
void drawFrame();

// The parts of a frame, for drawing it over a kept picture of all but the globe's sphere.
// AllButGlobe clears and draws everything else; GlobeOnly sets the camera, light and view
// rotation as a whole frame does and draws the sphere over what the draw buffer holds.
// The first then the second into one buffer give the pixels of All (the sphere is drawn
// last in every frame). All and GlobeOnly count as a frame drawn.
enum class FrameParts { All, AllButGlobe, GlobeOnly };
void drawFrameParts(FrameParts parts);

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
// The stand with its half-ring, then the sphere at scene.globeAngle, each from the view's
// origin; the whole frame draws the vase between the two.
void drawGlobeStand();
void drawGlobe();
void drawGlobeAndStand();

// Images read on the props as they do in an image viewer. GLU's quadrics (and the vase, which
// follows them) run s the other way round from an image's left to right on a surface whose
// axis points down (the can, the globe, the legs), and t bottom to top on one whose axis
// points up (the stand): the texture matrix mirrors s, or t, for what follows, leaving the
// shapes and the vase's projection untouched. Both false restores the identity.
void mirrorTexture(bool s, bool t);
