// The mesh, normals and light overlays on WebGL 2, from the core's line lists.
#pragma once

#include "core/mat4.h"
#include "core/vase_mesh.h"

struct SceneState;

// Draws the overlays that `state` turns on over the vase drawn with `vase` (the smaller one
// while the view moves), with `projection`, the camera's matrix and the view (camera times the
// view rotation). `vaseParts` false draws only the light's marker (the part of a kept frame
// drawn over the kept picture).
void drawOverlays(const SceneState& state, const VaseSettings& vase, const Mat4& projection,
                  const Mat4& camera, const Mat4& view, bool vaseParts);

// Forgets the program and buffer of a lost context.
void resetOverlays();
