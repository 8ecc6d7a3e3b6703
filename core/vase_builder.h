// Builds vase meshes on a worker thread, so that the thread that draws never waits for one.
#pragma once

#include <atomic>
#include <thread>

#include "core/vase_mesh.h"

// One build at a time: starting another stops the one in progress, whose output is dropped.
struct VaseBuilder {
    std::thread worker;
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};  // the worker has written the whole mesh
    std::atomic<bool> firstDone{false};  // ... and, before it, the first (smaller) one
    bool running = false;           // a build was started and not yet taken or stopped
    VaseSettings settings;          // of the build started last
    VaseVertex* out = nullptr;      // where it writes
    ~VaseBuilder();
};

// Starts building buildVaseSharedMesh(s) into `out`, which must hold
// vaseSharedLayout(s).vertices() vertices and stay put until the build is taken or stopped.
// A build in progress is stopped first (see stopVaseBuild). With `firstOut`, the mesh for
// `first` is built into it before, and vaseFirstBuilt tells when it is whole.
void startVaseBuild(VaseBuilder& b, const VaseSettings& s, VaseVertex* out,
                    const VaseSettings& first = VaseSettings(), VaseVertex* firstOut = nullptr);

// Whether the first mesh of the build in progress is whole; the worker no longer touches it.
bool vaseFirstBuilt(const VaseBuilder& b);

// Whether a build is in progress or finished and not yet taken.
bool vaseBuildPending(const VaseBuilder& b);

// When the build started last has finished: true once, with its settings and output pointer;
// the worker no longer touches the output. False while it runs, and when nothing was started.
bool takeVaseBuild(VaseBuilder& b, VaseSettings* settings, VaseVertex** out);

// Waits until the build started last has finished, if one is pending.
void waitVaseBuild(VaseBuilder& b);

// Stops the build in progress, if any, and waits until its worker no longer writes to its
// output (at most one band's worth of work). Its output is dropped: takeVaseBuild says false.
void stopVaseBuild(VaseBuilder& b);
