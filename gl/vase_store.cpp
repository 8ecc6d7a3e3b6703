// The vase's meshes in the scene's GL context: the one drawn, the next one built beside it on a
// worker thread, and the small one drawn while the view moves.
#define GL_GLEXT_PROTOTYPES 1
#include "gl/vase_store.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
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
    PFNGLBINDBUFFERPROC bind = nullptr;
    PFNGLBUFFERDATAPROC data = nullptr;
    PFNGLMAPBUFFERPROC map = nullptr;
    PFNGLUNMAPBUFFERPROC unmap = nullptr;
};

// One mesh in the shared-vertex layout, in a buffer object or, where GL has none or it could
// not be had, in client memory.
struct MeshStore {
    GLuint buffer = 0;
    size_t capacity = 0;  // vertices the buffer's storage holds
    bool mapped = false;  // the buffer is mapped for a build
    std::unique_ptr<VaseVertex[]> client;
    bool valid = false;  // holds the mesh for `settings`
    VaseSettings settings;
    VaseSharedLayout layout;
};

struct VaseMeshes {
    Submission submission = Submission::Undecided;
    BufferCalls gl;
    bool fences = false;  // OpenGL 3.2 or ARB_sync
    MeshStore stores[2];  // the drawn mesh and the next one
    int drawn = 0;        // index of the drawn one in stores
    MeshStore motion;     // the small vase drawn while the view moves
    VaseBuilder builder;  // builds into the store that is not drawn
    // Settings for which not even client memory could be had: drawn per quad.
    bool immediate = false;
    VaseSettings immediateSettings;
    unsigned long serial = 0;
    size_t quads = 0;  // of the mesh drawn last
    std::vector<GLushort> ringIndices, plainIndices;  // for one batch of each kind
};
VaseMeshes meshes;

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
        gl = {glGenBuffers, glBindBuffer, glBufferData, glMapBuffer, glUnmapBuffer};
        return Submission::BufferObject;
    }
    if (extensionListHas(glExtensionList(), "GL_ARB_vertex_buffer_object")) {
        gl = {glEntryPointAs<PFNGLGENBUFFERSPROC>("glGenBuffersARB"),
              glEntryPointAs<PFNGLBINDBUFFERPROC>("glBindBufferARB"),
              glEntryPointAs<PFNGLBUFFERDATAPROC>("glBufferDataARB"),
              glEntryPointAs<PFNGLMAPBUFFERPROC>("glMapBufferARB"),
              glEntryPointAs<PFNGLUNMAPBUFFERPROC>("glUnmapBufferARB")};
        if (gl.gen && gl.bind && gl.data && gl.map && gl.unmap)
            return Submission::BufferObject;
    }
    return Submission::ClientArrays;
}

void decideSubmission(VaseMeshes& m)
{
    if (m.submission != Submission::Undecided)
        return;
    m.submission = chooseSubmission(m.gl);
    const GLVersion v = glVersion();
    m.fences = v.major > 3 || (v.major == 3 && v.minor >= 2) ||
               extensionListHas(glExtensionList(), "GL_ARB_sync");
}

// Unmaps a store's buffer; false if its contents were lost while mapped.
bool unmapStore(VaseMeshes& m, MeshStore& store)
{
    if (!store.mapped)
        return true;
    store.mapped = false;
    m.gl.bind(GL_ARRAY_BUFFER, store.buffer);
    const bool kept = m.gl.unmap(GL_ARRAY_BUFFER) == GL_TRUE;
    m.gl.bind(GL_ARRAY_BUFFER, 0);
    return kept;
}

// Gives a store's memory back; it holds no mesh afterwards.
void releaseStore(VaseMeshes& m, MeshStore& store)
{
    unmapStore(m, store);
    if (store.buffer != 0 && store.capacity > 0) {
        m.gl.bind(GL_ARRAY_BUFFER, store.buffer);
        m.gl.data(GL_ARRAY_BUFFER, 0, nullptr, GL_STATIC_DRAW);
        m.gl.bind(GL_ARRAY_BUFFER, 0);
    }
    store.capacity = 0;
    store.client.reset();
    store.valid = false;
}

// Memory for `vertices` vertices that a build may write (and only write): the store's buffer,
// mapped, where GL has buffer objects and gives the storage, else client memory; null when
// not even that can be had.
VaseVertex* writableStorage(VaseMeshes& m, MeshStore& store, size_t vertices)
{
    store.valid = false;
    if (!unmapStore(m, store))
        store.capacity = 0;
    if (m.submission == Submission::BufferObject) {
        if (store.buffer == 0)
            m.gl.gen(1, &store.buffer);
        m.gl.bind(GL_ARRAY_BUFFER, store.buffer);
        if (vertices > store.capacity) {
            // The old storage goes first, so that a store never holds two meshes.
            m.gl.data(GL_ARRAY_BUFFER, 0, nullptr, GL_STATIC_DRAW);
            store.capacity = 0;
            // Earlier errors are not ours; an error after this call means no storage.
            for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
            }
            m.gl.data(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices * sizeof(VaseVertex)),
                      nullptr, GL_STATIC_DRAW);
            if (glGetError() == GL_NO_ERROR)
                store.capacity = vertices;
        }
        void* mapped = store.capacity > 0 ? m.gl.map(GL_ARRAY_BUFFER, GL_WRITE_ONLY) : nullptr;
        m.gl.bind(GL_ARRAY_BUFFER, 0);
        if (mapped) {
            store.client.reset();
            store.mapped = true;
            return static_cast<VaseVertex*>(mapped);
        }
        releaseStore(m, store);
    }
    // Not value-initialised: the build writes every vertex.
    store.client.reset(new (std::nothrow) VaseVertex[vertices]);
    return store.client.get();
}

// Marks a store as holding the finished mesh for `s`; false if it was lost while mapped.
bool completeStore(VaseMeshes& m, MeshStore& store, const VaseSettings& s)
{
    if (!unmapStore(m, store)) {
        releaseStore(m, store);
        return false;
    }
    store.settings = s;
    store.layout = vaseSharedLayout(s);
    store.valid = true;
    return true;
}

// An empty mesh (no bands or no steps) needs no memory and no build.
void completeEmpty(VaseMeshes& m, MeshStore& store, const VaseSettings& s)
{
    releaseStore(m, store);
    store.settings = s;
    store.layout = VaseSharedLayout{};
    store.valid = true;
}

void adoptFinishedBuild(VaseMeshes& m)
{
    VaseSettings built;
    if (!takeVaseBuild(m.builder, &built, nullptr))
        return;
    MeshStore& next = m.stores[1 - m.drawn];
    if (!completeStore(m, next, built))
        return;  // lost while mapped: the next prepare builds it again
    m.drawn = 1 - m.drawn;
    releaseStore(m, m.stores[1 - m.drawn]);
    ++m.serial;
}

// Index patterns for the batch sizes in use, 16-bit: every batch starts its vertices afresh.
void ensureIndices(VaseMeshes& m, size_t ringGroups, size_t plainGroups)
{
    if (m.ringIndices.size() == 12 * ringGroups && m.plainIndices.size() == 6 * plainGroups)
        return;
    m.ringIndices.clear();
    m.plainIndices.clear();
    for (size_t g = 0; g < ringGroups; ++g)
        for (unsigned i : kVaseRingGroupIndices)
            m.ringIndices.push_back(static_cast<GLushort>(6 * g + i));
    for (size_t g = 0; g < plainGroups; ++g)
        for (unsigned i : kVasePlainGroupIndices)
            m.plainIndices.push_back(static_cast<GLushort>(4 * g + i));
}

// Draws `groups` groups of `perGroup` vertices starting at `first` (a byte address, or an
// offset into the bound buffer), `batch` groups a call. A software renderer bins geometry until
// a flush and rasterises only then: small flushed batches keep each binned batch in cache and
// the memory it takes small. Where GL has fences, at most kBatchesAhead batches wait for the
// rasteriser: llvmpipe allocates another scene whenever all of its scenes are busy and keeps it
// for good, so an unbounded lead grows the process each time the rasteriser falls behind.
void drawGroups(const VaseMeshes& m, const char* first, size_t groups, size_t perGroup,
                const std::vector<GLushort>& indices, size_t indicesPerGroup)
{
    const size_t batch = indices.size() / indicesPerGroup;
    constexpr size_t kBatchesAhead = 3;
    constexpr GLuint64 kWaitNs = 1000000000;  // give up waiting on a batch after 1 s
    GLsync pending[kBatchesAhead] = {};
    size_t index = 0;
    for (size_t g = 0; g < groups; g += batch, ++index) {
        const size_t count = std::min(batch, groups - g);
        glInterleavedArrays(GL_T2F_N3F_V3F, 0, first + g * perGroup * sizeof(VaseVertex));
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count * indicesPerGroup),
                       GL_UNSIGNED_SHORT, indices.data());
        if (!m.fences) {
            glFlush();
            continue;
        }
        GLsync& slot = pending[index % kBatchesAhead];
        if (slot) {
            glClientWaitSync(slot, GL_SYNC_FLUSH_COMMANDS_BIT, kWaitNs);
            glDeleteSync(slot);
        }
        slot = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);  // also flushes
    }
    for (GLsync fence : pending)
        if (fence)
            glDeleteSync(fence);
}

void drawStore(VaseMeshes& m, const MeshStore& store, size_t batchVertices)
{
    const VaseSharedLayout& layout = store.layout;
    m.quads = 2 * layout.ringGroups + layout.plainGroups;
    if (layout.vertices() == 0)
        return;
    // A ringed group is two quads: batches hold as many quads as batchVertices corners make,
    // and no index above 16 bits.
    if (batchVertices == 0 || batchVertices > kVaseBatchVertices)
        batchVertices = kVaseBatchVertices;
    ensureIndices(m, std::max<size_t>(1, batchVertices / 8), std::max<size_t>(1, batchVertices / 4));
    const char* base = nullptr;  // with a buffer bound, array pointers are offsets into it
    if (store.client)
        base = reinterpret_cast<const char*>(store.client.get());
    else
        m.gl.bind(GL_ARRAY_BUFFER, store.buffer);
    drawGroups(m, base, layout.ringGroups, 6, m.ringIndices, 12);
    drawGroups(m, base + 6 * layout.ringGroups * sizeof(VaseVertex), layout.plainGroups, 4,
               m.plainIndices, 6);
    if (!store.client)
        m.gl.bind(GL_ARRAY_BUFFER, 0);
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
    MeshStore& drawn = m.stores[m.drawn];
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
        stopVaseBuild(m.builder);
        MeshStore& next = m.stores[1 - m.drawn];
        const size_t vertices = vaseSharedLayout(s).vertices();
        if (vertices == 0) {
            completeEmpty(m, next, s);
            m.drawn = 1 - m.drawn;
            releaseStore(m, m.stores[1 - m.drawn]);
            ++m.serial;
            return;
        }
        VaseVertex* out = nullptr;
        try {
            out = writableStorage(m, next, vertices);
        } catch (const std::bad_alloc&) {
        }
        if (!out) {
            // Not even client memory: per quad, so the vase is never dropped.
            releaseStore(m, next);
            m.immediate = true;
            m.immediateSettings = s;
            ++m.serial;
            return;
        }
        m.immediate = false;
        startVaseBuild(m.builder, s, out);
    }
    if (wait || !drawn.valid) {
        waitVaseBuild(m.builder);
        adoptFinishedBuild(m);
    }
}

void drawPreparedVaseMesh(size_t batchVertices)
{
    VaseMeshes& m = meshes;
    if (m.immediate) {
        drawVaseImmediate(m.immediateSettings);
        m.quads = vaseBandQuadCount(m.immediateSettings) + vaseStepRingCount(m.immediateSettings);
        return;
    }
    const MeshStore& drawn = m.stores[m.drawn];
    if (drawn.valid)
        drawStore(m, drawn, batchVertices);
}

void drawVaseMeshNow(const VaseSettings& s, size_t batchVertices)
{
    VaseMeshes& m = meshes;
    decideSubmission(m);
    MeshStore& store = m.motion;
    if (!store.valid || store.settings != s) {
        const size_t vertices = vaseSharedLayout(s).vertices();
        VaseVertex* out = nullptr;
        try {
            out = vertices > 0 ? writableStorage(m, store, vertices) : nullptr;
        } catch (const std::bad_alloc&) {
        }
        if (out)
            buildVaseSharedMesh(s, out);
        if (vertices == 0)
            completeEmpty(m, store, s);
        else if (!out || !completeStore(m, store, s)) {
            releaseStore(m, store);
            drawVaseImmediate(s);
            m.quads = vaseBandQuadCount(s) + vaseStepRingCount(s);
            return;
        }
    }
    drawStore(m, store, batchVertices);
}

unsigned long vaseMeshSerial()
{
    return meshes.serial;
}

bool vaseBuildPendingNow()
{
    return vaseBuildPending(meshes.builder);
}

bool vaseBuildReadyNow()
{
    return vaseBuildPending(meshes.builder) && meshes.builder.done.load();
}

size_t drawnVaseQuads()
{
    return meshes.quads;
}
