// One frame of the still life: camera, light, view rotation, the props and the vase.
#pragma once

struct SceneState;

// Frames drawn since start-up, for the panel's frame-rate readout.
unsigned long framesDrawn();

// Draws one whole frame of `state` into the current context's draw buffer; swaps nothing, so
// a window and an offscreen surface draw the same picture.
void drawFrame(const SceneState& state);

// The parts of a frame, for drawing it over a kept picture of all but the globe's sphere.
// AllButGlobe clears and draws everything else; GlobeOnly sets the camera, light and view
// rotation as a whole frame does and draws the sphere over what the draw buffer holds.
// The first then the second into one buffer give the pixels of All (the sphere is drawn
// last in every frame). All and GlobeOnly count as a frame drawn.
enum class FrameParts { All, AllButGlobe, GlobeOnly };
void drawFrameParts(const SceneState& state, FrameParts parts);

// Lets the process keep the heap that a software renderer frees after each batch of binned
// geometry, instead of returning it to the kernel and faulting it back in at the next batch
// (with llvmpipe at 1000 x 1000 that is about 400 MiB of page faults a frame, some starts
// and not others). Called by the first frame; harmless to call again.
void keepRendererHeap();

// The table's box, drawn in place: one face by its corners, and all six.
void drawTableFace(int a, int b, int c, int d);
void drawTableTop();

// The texture matrix mirrors s, or t, of what follows (each piece says which, so that its
// image reads as in an image viewer), leaving shapes and the vase's projection untouched.
// Both false restores the identity.
void mirrorTexture(bool s, bool t);
