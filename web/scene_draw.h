// The still life's draws on WebGL 2, whole or in the parts the kept picture needs.
#pragma once

#include <cstddef>

#include "core/vase_mesh.h"

struct SceneState;
struct PpmImage;

// Makes the buffers that do not depend on the scene, in the current WebGL context.
void initSceneBuffers();
// Forgets the buffers of a lost context without deleting them.
void resetSceneBuffers();

// All: the whole frame. AllButGlobe clears and draws everything but the globe's sphere;
// GlobeOnly draws just the sphere, with the same state and matrices, over what is there.
enum class Parts { All, AllButGlobe, GlobeOnly };

// One frame, or its parts, of `state` into the bound framebuffer of width x height device
// pixels, the picture in its largest centred square.
void drawParts(const SceneState& state, int width, int height, Parts parts);

// The view moves (a drag; the turn about y counts by itself): frames draw a vase of at most
// kMotionVaseSteps bands and steps around, as the desktop does. Off by default.
void setViewMoving(bool moving);
// For pictures that are kept: the vase for the settings even while the view moves.
void setVaseExact(bool exact);
// Whether a frame of `state` now draws the smaller vase.
bool smallerVaseNow(const SceneState& state);
// Whether the vase drawn last was the smaller one.
bool smallerVaseDrawn();

// Uploads RGB rows (first row at t = 0, as the desktop uploads them); returns the texture.
unsigned int uploadTexture(const PpmImage& image);
void deleteTexture(unsigned int texture);
int maxTextureSize();

// The vase's mesh settings from the scene state.
VaseSettings vaseSettingsOf(const SceneState& state);

// Quads (bands plus rings) the vase drew last.
size_t vaseQuadCount();
