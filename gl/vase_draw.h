// Drawing the vase: the mesh built off the drawing thread and kept in a buffer object (client
// arrays where GL has none), a smaller one while the view moves, or per-quad immediate mode.
#pragma once

#include <cstddef>
#include <vector>

#include "core/vase_mesh.h"
#include "gl/vase_submit.h"

struct SceneState;

VaseSettings vaseSettingsOf(const SceneState& state, int cylindrical);

// Draws the vase for `state`'s settings in local units (height 0..1); the frame has placed
// and scaled it, bound its texture and set its mirror. Until the mesh for changed settings has
// been built (on a worker thread) the previous one is drawn; while the view moves (see
// setVaseInMotion) a vase of at most kMotionVaseSteps bands and steps around is drawn instead.
void drawVase(const SceneState& state);

// Draws the mesh for `s` as drawVase does when the view is still, in flushed calls of at most
// kVaseBatchVertices quad corners.
void drawVaseCached(const VaseSettings& s);

// The view moves (a drag, the turn about y): draw the smaller vase. Off by default, and ignored
// with TOLVANE_MOTION_VASE=full in the environment.
void setVaseInMotion(bool moving);
// For pictures that are kept (saved, rendered) and for benchmarks: every frame draws the vase
// for the current settings, waiting for its build, never the smaller one.
void setVaseExact(bool on);
bool vaseExactNow();

// What the next frame's vase looks like, as a number that changes whenever that does: the vase's
// settings alone do not tell, as the old mesh is drawn until the new one is built. Takes a
// finished build first; call in the scene's context before drawing.
unsigned long vaseAppearance(const SceneState& state);

// Quads (bands plus rings) that drawVase submitted last.
size_t lastVaseQuadCount();
// Settings of the mesh drawVase drew last: the small vase while the view moves, the old one
// until a changed vase is built. Lines over the vase follow these.
VaseSettings lastVaseSettings();

// A mesh for changed settings is being built, or is ready to be drawn from the next frame.
bool vaseBuildRunning();
bool vaseBuildReady();
