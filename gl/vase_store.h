// The vase's meshes in the scene's GL context: the one drawn, the next one built beside it on a
// worker thread, and the small one drawn while the view moves.
#pragma once

#include <cstddef>

#include "core/vase_mesh.h"

// Brings the drawn mesh towards `s` without waiting: adopts a build that has finished (its
// mesh is drawn from then on, the old one's storage given back), hands a few more batches of
// the drawn mesh to GL, and starts a build for `s`
// when neither the drawn mesh nor the build in progress is for `s` (a build for older settings
// is stopped and dropped). With `wait`, or while no mesh has been drawn yet, waits for the
// build so that the mesh drawn is the one for `s`.
void prepareVaseMesh(const VaseSettings& s, bool wait);

// Draws the mesh prepared last, kVaseBatchVertices quad corners a call at most, each flushed.
// A finished mesh is handed to GL a few batches a frame (see prepareVaseMesh); batches not yet
// there are drawn from client memory.
void drawPreparedVaseMesh();

// Builds on this thread, when it is not the one held already, and draws the mesh for `s`: for
// the small vase drawn while the view moves.
void drawVaseMeshNow(const VaseSettings& s);

// Changes whenever prepareVaseMesh adopts another mesh.
unsigned long vaseMeshSerial();
// A build runs, or has finished and waits to be adopted, or the drawn mesh is still being
// handed to GL.
bool vaseBuildPendingNow();
// The next frame has work for it: putting the stand-in in the drawn mesh's place, adopting a
// finished build, or handing batches to GL.
bool vaseBuildReadyNow();
// Band quads plus rings of the mesh drawn last, and its settings.
size_t drawnVaseQuads();
VaseSettings drawnVaseSettings();
// Whether meshes live in buffer objects in the current context.
bool vaseBufferObjects();
