// Drawing the vase: the cached mesh from a buffer object or client arrays, or per-quad immediate
// mode.
#pragma once

#include <cstddef>

#include "core/vase_mesh.h"

struct SceneState;

VaseSettings vaseSettingsOf(const SceneState& state, int cylindrical);

// Draws the vase for the current settings in local units (height 0..1); the frame has placed
// and scaled it, bound its texture and set its mirror.
// The mesh is rebuilt only when a setting it depends on changes, straight into a buffer
// object where GL has them (1.5, or ARB_vertex_buffer_object), else into client memory.
void drawVase(int cylindrical);

// Vertices of one draw call of the cached mesh; each call is followed by a flush.
constexpr size_t kVaseBatchVertices = 65536;

// Draws the mesh for `s` as drawVase does: from the
// buffer object (rebuilt into it when `s` differs from what it holds), or from client
// arrays where GL has no buffer objects or the buffer could not be had (then tried again
// only after a setting changes), or per quad when not even client memory can be had; `batchVertices` at a time (a multiple of 4; 0 for
// all in one call).
void drawVaseCached(const VaseSettings& s, size_t batchVertices);
// Whether drawVaseCached uses a buffer object in the current context.
bool vaseBufferObjects();

// Submits a built mesh with GL 1.1 client vertex arrays, one GL_QUADS draw.
void drawVaseMesh(const std::vector<VaseVertex>& mesh);

// Reference path: regenerates and submits every quad with its own glBegin/glEnd.
void drawVaseImmediate(const VaseSettings& s);

// Quads (bands plus rings) that drawVase submitted last.
size_t lastVaseQuadCount();
