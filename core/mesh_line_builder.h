// The vase's mesh lines built on a worker thread, so that the thread that draws never waits for
// a large vase's (0.7 s at 1000 x 1000 on a software renderer). Desktop only.
#pragma once

#include "core/background_work.h"
#include "core/overlays.h"

// One build at a time; the lines of settings asked for meanwhile are built after it. A build
// that runs out of memory gives no lines (the vase is still drawn).
struct MeshLineBuilder {
    MeshLineBuilder();
    CachedLines<MeshLines> cache;  // the lines ready to draw
    BackgroundWork<VaseSettings, MeshLines> work;
    unsigned long adopted = 0;  // finished builds taken into the cache
};

// The slot of b.cache holding the lines for `s`; -1 while they are being built (a build is
// started for them when none runs). With `wait`, builds or waits for them and never says -1.
int meshLinesFor(MeshLineBuilder& b, const VaseSettings& s, bool wait);
// Takes a finished build into the cache; true when it did.
bool adoptMeshLines(MeshLineBuilder& b);
// A build runs, or has finished and waits to be adopted.
bool meshLinesBuilding(const MeshLineBuilder& b);
bool meshLinesReady(const MeshLineBuilder& b);
