// The page's WebGL 2 renderer: the still life with OpenGL 1.1's fixed-function lighting
// written out as a shader, the props from GLU-shaped meshes, the vase from the core's mesh.
#pragma once

#include <string>

struct SceneState;

// Compiles the shader and makes the buffers in the current WebGL context; false with `why`
// set when that fails.
bool initRenderer(std::string& why);

// Forgets every GL object of a context that was lost, without deleting any; initRenderer then
// makes them in the restored context.
void resetRenderer();

// One frame of `state` into a width x height drawing buffer (device pixels), the picture in
// its largest centred square. While only the globe's angle changes, the rest of the still
// life is copied from a picture kept from an earlier frame and only the sphere is drawn.
void drawScene(const SceneState& state, int width, int height);

// Antialiasing: frames drawn into a framebuffer of `samples` a pixel (or the nearest lower count
// offered) and resolved onto the canvas, whose own drawing buffer has one sample; 0 turns it
// off. Returns the samples obtained, 0 when none. Call after initRenderer, in its context.
int setRendererSamples(int samples);

// Off: every frame drawn whole, for measuring. On by default.
void setKeptPictureEnabled(bool enabled);
// Whether the last frame was drawn over the kept picture.
bool lastFrameFromKeptPicture();
