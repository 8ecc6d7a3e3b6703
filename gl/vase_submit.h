// The vase's quads handed to GL without a store: per quad (the reference path) or in one
// client-array draw.
#pragma once

#include <cstddef>
#include <vector>

#include "core/vase_mesh.h"

// Quad corners of one draw call; each call is followed by a flush.
constexpr size_t kVaseBatchVertices = 65536;

// Submits a built mesh (buildVaseMesh's quads) with GL 1.1 client vertex arrays, one draw.
void drawVaseMesh(const std::vector<VaseVertex>& mesh);

// Reference path: regenerates and submits every quad with its own glBegin/glEnd.
void drawVaseImmediate(const VaseSettings& s);
