// Builds vase meshes on a worker thread, so that the thread that draws never waits for one.
#pragma once

#include <memory>

#include "core/background_work.h"
#include "core/vase_mesh.h"

struct VaseBuildInput {
    VaseSettings settings;   // of the mesh built
    bool withFirst = false;  // build `first` before it
    VaseSettings first;      // a smaller mesh, e.g. to stand in for the one drawn meanwhile
};

// Meshes in the shared-vertex layout, vaseSharedLayout(...).vertices() vertices each, made by
// the build itself. `first` is whole once firstPartReady() and is no longer touched then.
struct VaseBuildOutput {
    std::unique_ptr<VaseVertex[]> mesh;   // null for a mesh of no vertices
    std::unique_ptr<VaseVertex[]> first;  // with withFirst only
};

// One build at a time: starting another stops the one in progress, whose output is dropped.
// A build that runs out of memory hands over no output (failure(): "not enough memory").
struct VaseBuilder : BackgroundWork<VaseBuildInput, VaseBuildOutput> {
    VaseBuilder();
};
