// Drawing the vase: the cached mesh from a buffer object or client arrays, or per-quad immediate
// mode.
#pragma once

#include "scene/vase_mesh.h"

struct SceneState;

VaseSettings vaseSettingsOf(const SceneState& state, int cylindrical);

// Binds the vase texture, scales by 0.7 and draws the vase for the current settings.
// The mesh is rebuilt only when a setting it depends on changes, straight into a buffer
// object where GL has them (1.5, or ARB_vertex_buffer_object), else into client memory.
void drawVase(int cylindrical);

// Submits a built mesh with GL 1.1 client vertex arrays, one GL_QUADS draw.
void drawVaseMesh(const std::vector<VaseVertex>& mesh);

// Reference path: regenerates and submits every quad with its own glBegin/glEnd.
void drawVaseImmediate(const VaseSettings& s);

// Quads (bands plus rings) that drawVase submitted last.
size_t lastVaseQuadCount();
