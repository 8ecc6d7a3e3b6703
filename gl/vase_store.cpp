// The vase's meshes in the scene's GL context: the one drawn, the next one built beside it on a
// worker thread, and the small one drawn while the view moves.
#include "gl/vase_store.h"

#include <memory>
#include <new>
#include <string>

#include "core/vase_builder.h"
#include "gl/vase_batches.h"
#include "gl/vase_submit.h"

namespace {

struct VaseMeshes {
    VaseSubmission sub;   // how meshes reach GL
    MeshStore stores[2];  // the drawn mesh and the next one
    int drawn = 0;        // index of the drawn one in stores
    MeshStore motion;     // the small vase drawn while the view moves
    // While a new mesh is built, the old one's memory is given back and this smaller copy of it
    // stands in for frames drawn whole meanwhile (a kept picture shows the old vase itself).
    MeshStore standIn;
    VaseBuilder builder;  // builds the next mesh (and the stand-in) in memory of its own
    // Settings for which not even client memory could be had: drawn per quad.
    bool immediate = false;
    VaseSettings immediateSettings;
    unsigned long serial = 0;
    size_t quads = 0;  // of the mesh drawn last
    VaseSettings drawnSettings;  // of the mesh drawn last
};
VaseMeshes meshes;

// Time a frame spends handing batches to GL (at least one batch goes each frame): a driver may
// clear and copy each batch's 1.5 MB at a few hundred MB/s on a busy machine.
constexpr double kUploadMsPerFrame = 4.0;

// Client memory for `vertices` vertices that a build may write; null when it cannot be had.
// Not value-initialised: the build writes every vertex.
VaseVertex* writableStorage(VaseMeshes& m, MeshStore& store, size_t vertices)
{
    releaseStore(m.sub, store);
    store.client.reset(new (std::nothrow) VaseVertex[vertices]);
    return store.client.get();
}

// Marks a store as holding the finished mesh for `s`.
void completeStore(MeshStore& store, const VaseSettings& s)
{
    store.settings = s;
    store.layout = vaseSharedLayout(s);
    store.batches = batchesOf(store.layout);
    store.valid = true;
}

// An empty mesh (no bands or no steps) needs no memory and no build.
void completeEmpty(VaseMeshes& m, MeshStore& store, const VaseSettings& s)
{
    releaseStore(m.sub, store);
    completeStore(store, s);
}

// Where a mesh's memory cannot be had, the vase for `s` is drawn quad by quad.
void drawPerQuad(VaseMeshes& m, const VaseSettings& s)
{
    m.immediate = true;
    m.immediateSettings = s;
    ++m.serial;
    noteBackgroundWork("not enough memory for the " + std::to_string(s.verticalSteps) + " x " +
                       std::to_string(s.radialSteps) + " vase's mesh: it is drawn quad by quad");
}

void adoptFinishedBuild(VaseMeshes& m)
{
    VaseBuildInput built;
    std::unique_ptr<VaseBuildOutput> out;
    if (!m.builder.take(&built, &out))
        return;
    MeshStore& next = m.stores[1 - m.drawn];
    releaseStore(m.sub, next);
    if (!out) {
        drawPerQuad(m, built.settings);
        return;
    }
    next.client = std::move(out->mesh);
    completeStore(next, built.settings);
    m.drawn = 1 - m.drawn;
    releaseStore(m.sub, m.stores[1 - m.drawn]);
    releaseStore(m.sub, m.standIn);
    ++m.serial;
}

// Builds `store` for `s` on this thread and, when `upload`, hands it all to GL; false if no
// memory for it.
bool buildNow(VaseMeshes& m, MeshStore& store, const VaseSettings& s, bool upload)
{
    const size_t vertices = vaseSharedLayout(s).vertices();
    if (vertices == 0) {
        completeEmpty(m, store, s);
        return true;
    }
    VaseVertex* out = writableStorage(m, store, vertices);
    if (!out)
        return false;
    buildVaseSharedMesh(s, out);
    completeStore(store, s);
    if (upload)
        uploadBatches(m.sub, store, 1e30);
    return true;
}

// Whether a small copy of the drawn mesh should stand in for it while a new one is built.
bool wantsStandIn(const VaseMeshes& m)
{
    const MeshStore& drawn = m.stores[m.drawn];
    return drawn.valid && vaseInMotion(drawn.settings) != drawn.settings;
}

// Once the worker has built the stand-in, the drawn mesh gives its memory back.
void takeStandIn(VaseMeshes& m)
{
    MeshStore& standIn = m.standIn;
    if (standIn.valid || !m.builder.firstPartReady() || !m.builder.output().first)
        return;
    releaseStore(m.sub, standIn);
    standIn.client = std::move(m.builder.output().first);  // the worker is done with it
    completeStore(standIn, m.builder.input().first);
    releaseStore(m.sub, m.stores[m.drawn]);
}

// Draws a store's batches; its quads are counted as the mesh drawn last.
void drawMesh(VaseMeshes& m, const MeshStore& store)
{
    m.quads = 2 * store.layout.ringGroups + store.layout.plainGroups;
    m.drawnSettings = store.settings;
    drawStore(m.sub, store);
}

}  // namespace

bool vaseBufferObjects()
{
    decideSubmission(meshes.sub);
    return meshes.sub.submission == Submission::BufferObject;
}

void prepareVaseMesh(const VaseSettings& s, bool wait)
{
    VaseMeshes& m = meshes;
    decideSubmission(m.sub);
    adoptFinishedBuild(m);
    takeStandIn(m);
    MeshStore& drawn = m.stores[m.drawn];
    uploadBatches(m.sub, drawn, kUploadMsPerFrame);
    if (drawn.valid && drawn.settings == s) {
        // Back to the drawn settings: a build for others is no longer wanted.
        if (m.builder.pending()) {
            m.builder.stop();
            releaseStore(m.sub, m.stores[1 - m.drawn]);
        }
        // Back from the quad-by-quad vase: another vase is drawn, so a kept picture is stale.
        if (m.immediate)
            ++m.serial;
        m.immediate = false;
        return;
    }
    if (m.immediate && m.immediateSettings == s)
        return;
    if (!(m.builder.pending() && m.builder.input().settings == s)) {
        // A newer value: the build for an older one is stopped and dropped.
        m.builder.stop();
        // A stand-in the worker began and did not finish is dropped with its build.
        if (!m.standIn.valid)
            releaseStore(m.sub, m.standIn);
        MeshStore& next = m.stores[1 - m.drawn];
        const size_t vertices = vaseSharedLayout(s).vertices();
        if (vertices == 0) {
            completeEmpty(m, next, s);
            m.drawn = 1 - m.drawn;
            releaseStore(m.sub, m.stores[1 - m.drawn]);
            releaseStore(m.sub, m.standIn);
            ++m.serial;
            return;
        }
        releaseStore(m.sub, next);
        m.immediate = false;
        // The worker first builds a small copy of the drawn mesh to stand in for it, so that
        // the process never holds two large meshes.
        VaseBuildInput build;
        build.settings = s;
        build.withFirst = wantsStandIn(m);
        if (build.withFirst)
            build.first = vaseInMotion(m.stores[m.drawn].settings);
        m.builder.start(build);
    }
    if (wait || (!drawn.valid && !m.standIn.valid)) {
        m.builder.wait();
        adoptFinishedBuild(m);
        // A picture waits for the whole mesh to be in GL too, so it draws as later frames do.
        if (wait)
            uploadBatches(m.sub, m.stores[m.drawn], 1e30);
    }
}

void drawPreparedVaseMesh()
{
    VaseMeshes& m = meshes;
    if (m.immediate) {
        drawVaseImmediate(m.immediateSettings);
        m.quads = vaseBandQuadCount(m.immediateSettings) + vaseStepRingCount(m.immediateSettings);
        m.drawnSettings = m.immediateSettings;
        return;
    }
    const MeshStore& drawn = m.stores[m.drawn];
    if (drawn.valid)
        drawMesh(m, drawn);
    else if (m.standIn.valid)
        drawMesh(m, m.standIn);
}

void drawVaseMeshNow(const VaseSettings& s)
{
    VaseMeshes& m = meshes;
    decideSubmission(m.sub);
    MeshStore& store = m.motion;
    if ((!store.valid || store.settings != s) && !buildNow(m, store, s, true)) {
        releaseStore(m.sub, store);
        drawVaseImmediate(s);
        m.quads = vaseBandQuadCount(s) + vaseStepRingCount(s);
        m.drawnSettings = s;
        return;
    }
    drawMesh(m, store);
}

unsigned long vaseMeshSerial()
{
    return meshes.serial;
}

bool vaseBuildPendingNow()
{
    const MeshStore& drawn = meshes.stores[meshes.drawn];
    const bool uploading = drawn.valid && drawn.client && !drawn.uploadFailed &&
                           meshes.sub.submission == Submission::BufferObject;
    return meshes.builder.pending() || uploading;
}

bool vaseBuildReadyNow()
{
    const VaseMeshes& m = meshes;
    if (m.builder.firstPartReady() && m.builder.output().first && !m.standIn.valid)
        return true;  // the stand-in can take the drawn mesh's place
    return vaseBuildPendingNow() && !(m.builder.pending() && !m.builder.ready());
}

size_t drawnVaseQuads()
{
    return meshes.quads;
}

VaseSettings drawnVaseSettings()
{
    return meshes.drawnSettings;
}
