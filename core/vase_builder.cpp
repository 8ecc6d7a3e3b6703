// Builds vase meshes on a worker thread, so that the thread that draws never waits for one.
#include "core/vase_builder.h"

namespace {

// Memory for a mesh the build writes whole (so not value-initialised); null when it has none.
std::unique_ptr<VaseVertex[]> meshMemory(const VaseSettings& s)
{
    const size_t vertices = vaseSharedLayout(s).vertices();
    return vertices == 0 ? nullptr : std::unique_ptr<VaseVertex[]>(new VaseVertex[vertices]);
}

bool buildVase(const VaseBuildInput& in, VaseBuildOutput& out, const BuildProgress& progress)
{
    if (in.withFirst) {
        std::unique_ptr<VaseVertex[]> first = meshMemory(in.first);
        if (first && !buildVaseSharedMesh(in.first, first.get(), &progress.cancel))
            return false;
        out.first = std::move(first);
        progress.firstPartDone();  // out.first is not touched again here
    }
    // Taken only now: by then the drawn mesh may have given its memory back to the first one.
    std::unique_ptr<VaseVertex[]> mesh = meshMemory(in.settings);
    if (mesh && !buildVaseSharedMesh(in.settings, mesh.get(), &progress.cancel))
        return false;
    out.mesh = std::move(mesh);
    return true;
}

}  // namespace

VaseBuilder::VaseBuilder() : BackgroundWork(buildVase) {}
