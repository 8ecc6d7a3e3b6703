// The vase's mesh lines built on a worker thread and taken into the drawing cache whole.
#include "core/mesh_line_builder.h"

MeshLineBuilder::MeshLineBuilder()
    : work([](const VaseSettings& s, MeshLines& out, const BuildProgress&) {
          buildVaseMeshLines(s, out);  // one pass, not cut short: a stop waits for it
          return true;
      })
{
}

bool adoptMeshLines(MeshLineBuilder& b)
{
    VaseSettings built;
    std::unique_ptr<MeshLines> lines;
    if (!b.work.take(&built, &lines))
        return false;
    const int slot = vaseInMotion(built) == built ? 1 : 0;
    if (!lines)
        noteBackgroundWork("not enough memory for the vase's mesh lines: they are left out");
    b.cache.lines[slot] = lines ? std::move(*lines) : MeshLines();
    b.cache.settings[slot] = built;
    b.cache.valid[slot] = true;
    ++b.cache.serial[slot];
    ++b.adopted;
    return true;
}

int meshLinesFor(MeshLineBuilder& b, const VaseSettings& s, bool wait)
{
    adoptMeshLines(b);
    const int slot = vaseInMotion(s) == s ? 1 : 0;
    if (b.cache.valid[slot] && b.cache.settings[slot] == s)
        return slot;
    if (!b.work.pending()) {
        // The slot's old lines will not be drawn again: their memory goes before the new
        // lines are made.
        b.cache.lines[slot] = MeshLines();
        b.cache.valid[slot] = false;
        b.work.start(s);
    }
    if (!wait)
        return -1;
    // A build for other settings finishes first; then the one for `s`.
    b.work.wait();
    adoptMeshLines(b);
    return meshLinesFor(b, s, true);
}

bool meshLinesBuilding(const MeshLineBuilder& b)
{
    return b.work.pending();
}

bool meshLinesReady(const MeshLineBuilder& b)
{
    return b.work.ready();
}
