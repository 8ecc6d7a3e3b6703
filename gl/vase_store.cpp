// The vase's meshes in the scene's GL context: the one drawn, the next one built beside it on a
// worker thread, and the small one drawn while the view moves.
#define GL_GLEXT_PROTOTYPES 1
#include "gl/vase_store.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <sys/mman.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "core/vase_builder.h"
#include "gl/extensions.h"
#include "gl/vase_draw.h"

namespace {

enum class Submission { Undecided, BufferObject, ClientArrays };

// The buffer-object calls, core (OpenGL 1.5) or ARB_vertex_buffer_object; the signatures agree.
struct BufferCalls {
    PFNGLGENBUFFERSPROC gen = nullptr;
    PFNGLDELETEBUFFERSPROC del = nullptr;
    PFNGLBINDBUFFERPROC bind = nullptr;
    PFNGLBUFFERDATAPROC data = nullptr;
};

// One draw call's vertices: a run of groups of one kind.
struct Batch {
    size_t firstVertex = 0;
    size_t groups = 0;
    bool ring = false;
};

// Ringed groups, then plain ones, kVaseBatchVertices quad corners a batch at most: indices
// stay within 16 bits.
std::vector<Batch> batchesOf(const VaseSharedLayout& layout)
{
    std::vector<Batch> batches;
    constexpr size_t ringBatch = kVaseBatchVertices / 8, plainBatch = kVaseBatchVertices / 4;
    for (size_t g = 0; g < layout.ringGroups; g += ringBatch)
        batches.push_back({6 * g, std::min(ringBatch, layout.ringGroups - g), true});
    for (size_t g = 0; g < layout.plainGroups; g += plainBatch)
        batches.push_back({6 * layout.ringGroups + 4 * g,
                           std::min(plainBatch, layout.plainGroups - g), false});
    return batches;
}

// One mesh in the shared-vertex layout. A build writes it into client memory; it is then
// handed to GL a few batches a frame, one buffer object per batch (a driver may clear new
// storage, as llvmpipe does: 190 MB at once would stall a frame), and the client copy is given
// back once every batch is in GL. Batches not yet in GL are drawn from client memory.
struct MeshStore {
    std::unique_ptr<VaseVertex[]> client;
    std::vector<GLuint> buffers;  // one per batch that GL holds, in order
    bool uploadFailed = false;    // GL refused storage: drawn from client memory for good
    bool valid = false;           // holds the mesh for `settings`
    VaseSettings settings;
    VaseSharedLayout layout;
    std::vector<Batch> batches;
};

struct VaseMeshes {
    Submission submission = Submission::Undecided;
    BufferCalls gl;
    bool fences = false;  // OpenGL 3.2 or ARB_sync
    MeshStore stores[2];  // the drawn mesh and the next one
    int drawn = 0;        // index of the drawn one in stores
    MeshStore motion;     // the small vase drawn while the view moves
    // While a new mesh is built, the old one's memory is given back and this smaller copy of it
    // stands in for frames drawn whole meanwhile (a kept picture shows the old vase itself).
    MeshStore standIn;
    VaseBuilder builder;  // builds into the store that is not drawn
    // Settings for which not even client memory could be had: drawn per quad.
    bool immediate = false;
    VaseSettings immediateSettings;
    unsigned long serial = 0;
    size_t quads = 0;                                 // of the mesh drawn last
    std::vector<GLushort> ringIndices, plainIndices;  // for one batch of each kind
};
VaseMeshes meshes;

// Time a frame spends handing batches to GL (at least one batch goes each frame): a driver may
// clear and copy each batch's 1.5 MB at a few hundred MB/s on a busy machine.
constexpr double kUploadMsPerFrame = 4.0;

struct GLVersion {
    int major = 0, minor = 0;
};

GLVersion glVersion()
{
    GLVersion v;
    const char* text = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!text || std::sscanf(text, "%d.%d", &v.major, &v.minor) != 2)
        v = GLVersion{};
    return v;
}

// Chosen once, in the scene's context: buffer objects where GL has them (core since 1.5, an
// extension before), else client arrays.
Submission chooseSubmission(BufferCalls& gl)
{
    const GLVersion v = glVersion();
    if (v.major > 1 || (v.major == 1 && v.minor >= 5)) {
        gl = {glGenBuffers, glDeleteBuffers, glBindBuffer, glBufferData};
        return Submission::BufferObject;
    }
    if (extensionListHas(glExtensionList(), "GL_ARB_vertex_buffer_object")) {
        gl = {glEntryPointAs<PFNGLGENBUFFERSPROC>("glGenBuffersARB"),
              glEntryPointAs<PFNGLDELETEBUFFERSPROC>("glDeleteBuffersARB"),
              glEntryPointAs<PFNGLBINDBUFFERPROC>("glBindBufferARB"),
              glEntryPointAs<PFNGLBUFFERDATAPROC>("glBufferDataARB")};
        if (gl.gen && gl.del && gl.bind && gl.data)
            return Submission::BufferObject;
    }
    return Submission::ClientArrays;
}

void decideSubmission(VaseMeshes& m)
{
    if (m.submission != Submission::Undecided)
        return;
#if defined(__GLIBC__)
    // A mesh's batches (1.5 MB each in the renderer's buffers) must go back to the system when
    // freed, or a rebuild holds the old mesh and the new. glibc raises its mmap threshold after
    // a large chunk is freed (a decoded texture), and chunks below it then come from the heap
    // and stay there: fix the threshold at its 128 KiB default.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    m.submission = chooseSubmission(m.gl);
    const GLVersion v = glVersion();
    m.fences = v.major > 3 || (v.major == 3 && v.minor >= 2) ||
               extensionListHas(glExtensionList(), "GL_ARB_sync");
}

// Gives a store's memory back; it holds no mesh afterwards.
void releaseStore(VaseMeshes& m, MeshStore& store)
{
    if (!store.buffers.empty())
        m.gl.del(static_cast<GLsizei>(store.buffers.size()), store.buffers.data());
    store.buffers.clear();
    store.client.reset();
    store.uploadFailed = false;
    store.valid = false;
}

// Client memory for `vertices` vertices that a build may write; null when it cannot be had.
// Not value-initialised: the build writes every vertex.
VaseVertex* writableStorage(VaseMeshes& m, MeshStore& store, size_t vertices)
{
    releaseStore(m, store);
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

// Hands more batches of a finished mesh to GL, for about `budgetMs` (all of them for
// a huge budget); gives the client copy back once GL holds them all.
void uploadBatches(VaseMeshes& m, MeshStore& store, double budgetMs)
{
    const auto start = std::chrono::steady_clock::now();
    if (!store.valid || !store.client || store.uploadFailed ||
        m.submission != Submission::BufferObject)
        return;
    // Earlier errors are not ours; an error after a call means no storage.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    while (store.buffers.size() < store.batches.size()) {
        const std::chrono::duration<double, std::milli> spent =
            std::chrono::steady_clock::now() - start;
        if (!store.buffers.empty() && spent.count() >= budgetMs)
            break;
        const Batch& b = store.batches[store.buffers.size()];
        const size_t vertices = b.groups * (b.ring ? 6 : 4);
        GLuint buffer = 0;
        m.gl.gen(1, &buffer);
        m.gl.bind(GL_ARRAY_BUFFER, buffer);
        m.gl.data(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices * sizeof(VaseVertex)),
                  store.client.get() + b.firstVertex, GL_STATIC_DRAW);
        m.gl.bind(GL_ARRAY_BUFFER, 0);
        if (glGetError() != GL_NO_ERROR) {
            m.gl.del(1, &buffer);
            store.uploadFailed = true;
            return;
        }
        store.buffers.push_back(buffer);
        // GL holds these vertices now: their pages go back to the system at once, so that the
        // mesh is never held twice over.
        const long page = sysconf(_SC_PAGESIZE);
        const auto from = reinterpret_cast<uintptr_t>(store.client.get() + b.firstVertex);
        const auto to = reinterpret_cast<uintptr_t>(store.client.get() + b.firstVertex + vertices);
        const uintptr_t first = (from + page - 1) / page * page, last = to / page * page;
        if (page > 0 && last > first)
            madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
    }
    if (store.buffers.size() == store.batches.size())
        store.client.reset();
}

// An empty mesh (no bands or no steps) needs no memory and no build.
void completeEmpty(VaseMeshes& m, MeshStore& store, const VaseSettings& s)
{
    releaseStore(m, store);
    completeStore(store, s);
}

void adoptFinishedBuild(VaseMeshes& m)
{
    VaseSettings built;
    if (!takeVaseBuild(m.builder, &built, nullptr))
        return;
    MeshStore& next = m.stores[1 - m.drawn];
    completeStore(next, built);
    m.drawn = 1 - m.drawn;
    releaseStore(m, m.stores[1 - m.drawn]);
    releaseStore(m, m.standIn);
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
        uploadBatches(m, store, 1e30);
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
    if (standIn.valid || !standIn.client || !vaseFirstBuilt(m.builder))
        return;
    completeStore(standIn, vaseInMotion(m.stores[m.drawn].settings));
    releaseStore(m, m.stores[m.drawn]);
}

// Index patterns for one batch of each kind, 16-bit: every batch starts its vertices afresh.
void ensureIndices(VaseMeshes& m)
{
    if (!m.ringIndices.empty())
        return;
    for (size_t g = 0; g < kVaseBatchVertices / 8; ++g)
        for (unsigned i : kVaseRingGroupIndices)
            m.ringIndices.push_back(static_cast<GLushort>(6 * g + i));
    for (size_t g = 0; g < kVaseBatchVertices / 4; ++g)
        for (unsigned i : kVasePlainGroupIndices)
            m.plainIndices.push_back(static_cast<GLushort>(4 * g + i));
}

// Draws every batch, from its buffer object where GL holds it, else from client memory, each
// flushed. A software renderer bins geometry until a flush and rasterises only then: small
// flushed batches keep each binned batch in cache and the memory it takes small. Where GL has
// fences, at most kBatchesAhead batches wait for the rasteriser: llvmpipe allocates another
// scene whenever all of its scenes are busy and keeps it for good, so an unbounded lead grows
// the process each time the rasteriser falls behind.
void drawStore(VaseMeshes& m, const MeshStore& store)
{
    constexpr size_t kBatchesAhead = 3;
    constexpr GLuint64 kWaitNs = 1000000000;  // give up waiting on a batch after 1 s
    m.quads = 2 * store.layout.ringGroups + store.layout.plainGroups;
    ensureIndices(m);
    GLsync pending[kBatchesAhead] = {};
    for (size_t i = 0; i < store.batches.size(); ++i) {
        const Batch& b = store.batches[i];
        const VaseVertex* first = nullptr;  // with a buffer bound, an offset into it
        if (i < store.buffers.size())
            m.gl.bind(GL_ARRAY_BUFFER, store.buffers[i]);
        else if (store.client)
            first = store.client.get() + b.firstVertex;
        else
            break;
        glInterleavedArrays(GL_T2F_N3F_V3F, 0, first);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(b.groups * (b.ring ? 12 : 6)),
                       GL_UNSIGNED_SHORT, b.ring ? m.ringIndices.data() : m.plainIndices.data());
        if (i < store.buffers.size())
            m.gl.bind(GL_ARRAY_BUFFER, 0);
        if (!m.fences) {
            glFlush();
            continue;
        }
        GLsync& slot = pending[i % kBatchesAhead];
        if (slot) {
            glClientWaitSync(slot, GL_SYNC_FLUSH_COMMANDS_BIT, kWaitNs);
            glDeleteSync(slot);
        }
        slot = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);  // also flushes
    }
    for (GLsync fence : pending)
        if (fence)
            glDeleteSync(fence);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace

bool vaseBufferObjects()
{
    decideSubmission(meshes);
    return meshes.submission == Submission::BufferObject;
}

void prepareVaseMesh(const VaseSettings& s, bool wait)
{
    VaseMeshes& m = meshes;
    decideSubmission(m);
    adoptFinishedBuild(m);
    takeStandIn(m);
    MeshStore& drawn = m.stores[m.drawn];
    uploadBatches(m, drawn, kUploadMsPerFrame);
    if (drawn.valid && drawn.settings == s) {
        // Back to the drawn settings: a build for others is no longer wanted.
        if (vaseBuildPending(m.builder)) {
            stopVaseBuild(m.builder);
            releaseStore(m, m.stores[1 - m.drawn]);
        }
        m.immediate = false;
        return;
    }
    if (m.immediate && m.immediateSettings == s)
        return;
    if (!(vaseBuildPending(m.builder) && m.builder.settings == s)) {
        // A newer value: the build for an older one is stopped and dropped.
        stopVaseBuild(m.builder);
        // A stand-in the worker began and did not finish is dropped with its build.
        if (!m.standIn.valid)
            releaseStore(m, m.standIn);
        MeshStore& next = m.stores[1 - m.drawn];
        const size_t vertices = vaseSharedLayout(s).vertices();
        if (vertices == 0) {
            completeEmpty(m, next, s);
            m.drawn = 1 - m.drawn;
            releaseStore(m, m.stores[1 - m.drawn]);
            releaseStore(m, m.standIn);
            ++m.serial;
            return;
        }
        VaseVertex* out = writableStorage(m, next, vertices);
        if (!out) {
            // Not even client memory: per quad, so the vase is never dropped.
            releaseStore(m, next);
            m.immediate = true;
            m.immediateSettings = s;
            ++m.serial;
            return;
        }
        m.immediate = false;
        // The worker first builds a small copy of the drawn mesh to stand in for it, so that
        // the process never holds two large meshes; without memory for it, none.
        VaseVertex* standIn = nullptr;
        if (wantsStandIn(m)) {
            const VaseSettings small = vaseInMotion(m.stores[m.drawn].settings);
            standIn = writableStorage(m, m.standIn, vaseSharedLayout(small).vertices());
            startVaseBuild(m.builder, s, out, small, standIn);
        } else {
            startVaseBuild(m.builder, s, out);
        }
    }
    if (wait || (!drawn.valid && !m.standIn.valid)) {
        waitVaseBuild(m.builder);
        adoptFinishedBuild(m);
        // A picture waits for the whole mesh to be in GL too, so it draws as later frames do.
        if (wait)
            uploadBatches(m, m.stores[m.drawn], 1e30);
    }
}

void drawPreparedVaseMesh()
{
    VaseMeshes& m = meshes;
    if (m.immediate) {
        drawVaseImmediate(m.immediateSettings);
        m.quads = vaseBandQuadCount(m.immediateSettings) + vaseStepRingCount(m.immediateSettings);
        return;
    }
    const MeshStore& drawn = m.stores[m.drawn];
    if (drawn.valid)
        drawStore(m, drawn);
    else if (m.standIn.valid)
        drawStore(m, m.standIn);
}

void drawVaseMeshNow(const VaseSettings& s)
{
    VaseMeshes& m = meshes;
    decideSubmission(m);
    MeshStore& store = m.motion;
    if ((!store.valid || store.settings != s) && !buildNow(m, store, s, true)) {
        releaseStore(m, store);
        drawVaseImmediate(s);
        m.quads = vaseBandQuadCount(s) + vaseStepRingCount(s);
        return;
    }
    drawStore(m, store);
}

unsigned long vaseMeshSerial()
{
    return meshes.serial;
}

bool vaseBuildPendingNow()
{
    const MeshStore& drawn = meshes.stores[meshes.drawn];
    const bool uploading = drawn.valid && drawn.client && !drawn.uploadFailed &&
                           meshes.submission == Submission::BufferObject;
    return vaseBuildPending(meshes.builder) || uploading;
}

bool vaseBuildReadyNow()
{
    const VaseMeshes& m = meshes;
    if (vaseFirstBuilt(m.builder) && !m.standIn.valid && m.standIn.client)
        return true;  // the stand-in can take the drawn mesh's place
    return vaseBuildPendingNow() && !(vaseBuildPending(m.builder) && !m.builder.done.load());
}

size_t drawnVaseQuads()
{
    return meshes.quads;
}
