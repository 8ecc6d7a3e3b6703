// The vase's meshes in the scene's GL context: the one drawn, the next one built beside it on a
// worker thread, and the small one drawn while the view moves.
#pragma once

#include <cstddef>

#include "core/vase_mesh.h"

// Brings the drawn mesh towards `s` without waiting: adopts a build that has finished (its
// mesh is drawn from then on, the old one's storage given back), and starts a build for `s`
// when neither the drawn mesh nor the build in progress is for `s` (a build for older settings
// is stopped and dropped). With `wait`, or while no mesh has been drawn yet, waits for the
// build so that the mesh drawn is the one for `s`.
void prepareVaseMesh(const VaseSettings& s, bool wait);

// Draws the mesh prepared last, `batchVertices` quad corners a call (a multiple of 8; 0 for the
// default, kVaseBatchVertices), flushed after each.
void drawPreparedVaseMesh(size_t batchVertices);

// Builds on this thread, when it is not the one held already, and draws the mesh for `s`: for
// the small vase drawn while the view moves.
void drawVaseMeshNow(const VaseSettings& s, size_t batchVertices);

// Changes whenever prepareVaseMesh adopts another mesh.
unsigned long vaseMeshSerial();
// A build runs, or has finished and waits to be adopted.
bool vaseBuildPendingNow();
// The pending build has finished: the next frame adopts it.
bool vaseBuildReadyNow();
// Band quads plus rings of the mesh drawn last.
size_t drawnVaseQuads();
// Whether meshes live in buffer objects in the current context.
bool vaseBufferObjects();
