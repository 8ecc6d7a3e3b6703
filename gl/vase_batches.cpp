// Handing the vase mesh's batches to GL: choosing buffer objects or client arrays, the upload
// of a finished mesh a few batches a frame, and drawing the batches flushed one by one.
#define GL_GLEXT_PROTOTYPES 1
#include "gl/vase_batches.h"

#include <sys/mman.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "gl/extensions.h"
#include "gl/vase_submit.h"

namespace {

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

}  // namespace

std::vector<Batch> batchesOf(const VaseSharedLayout& layout)
{
    std::vector<Batch> batches;
    constexpr size_t ringBatch = kVaseBatchVertices / 8, plainBatch = kVaseBatchVertices / 4;
    for (size_t g = 0; g < layout.ringGroups; g += ringBatch)
        batches.push_back({6 * g, std::min(ringBatch, layout.ringGroups - g), true});
    for (size_t g = 0; g < layout.plainGroups; g += plainBatch)
        batches.push_back(
            {6 * layout.ringGroups + 4 * g, std::min(plainBatch, layout.plainGroups - g), false});
    return batches;
}

void decideSubmission(VaseSubmission& sub)
{
    if (sub.submission != Submission::Undecided)
        return;
#if defined(__GLIBC__)
    // A mesh's batches (1.5 MB each in the renderer's buffers) must go back to the system when
    // freed, or a rebuild holds the old mesh and the new. glibc raises its mmap threshold after
    // a large chunk is freed (a decoded texture), and chunks below it then come from the heap
    // and stay there: fix the threshold at its 128 KiB default.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    sub.submission = chooseSubmission(sub.gl);
    const GLVersion v = glVersion();
    sub.fences = v.major > 3 || (v.major == 3 && v.minor >= 2) ||
                 extensionListHas(glExtensionList(), "GL_ARB_sync");
}

void releaseStore(const VaseSubmission& sub, MeshStore& store)
{
    if (!store.buffers.empty())
        sub.gl.del(static_cast<GLsizei>(store.buffers.size()), store.buffers.data());
    store.buffers.clear();
    store.client.reset();
    store.uploadFailed = false;
    store.valid = false;
}

void uploadBatches(const VaseSubmission& sub, MeshStore& store, double budgetMs)
{
    const auto start = std::chrono::steady_clock::now();
    if (!store.valid || !store.client || store.uploadFailed ||
        sub.submission != Submission::BufferObject)
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
        sub.gl.gen(1, &buffer);
        sub.gl.bind(GL_ARRAY_BUFFER, buffer);
        sub.gl.data(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices * sizeof(VaseVertex)),
                    store.client.get() + b.firstVertex, GL_STATIC_DRAW);
        sub.gl.bind(GL_ARRAY_BUFFER, 0);
        if (glGetError() != GL_NO_ERROR) {
            sub.gl.del(1, &buffer);
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

namespace {

// Index patterns for one batch of each kind, 16-bit: every batch starts its vertices afresh.
void ensureIndices(VaseSubmission& sub)
{
    if (!sub.ringIndices.empty())
        return;
    for (size_t g = 0; g < kVaseBatchVertices / 8; ++g)
        for (unsigned i : kVaseRingGroupIndices)
            sub.ringIndices.push_back(static_cast<GLushort>(6 * g + i));
    for (size_t g = 0; g < kVaseBatchVertices / 4; ++g)
        for (unsigned i : kVasePlainGroupIndices)
            sub.plainIndices.push_back(static_cast<GLushort>(4 * g + i));
}

}  // namespace

// Each batch is flushed: a software renderer bins geometry until a flush and rasterises only
// then, and small flushed batches keep each binned batch in cache and the memory it takes small.
// Where GL has fences, at most kBatchesAhead batches wait for the rasteriser: llvmpipe
// allocates another scene whenever all of its scenes are busy and keeps it for good, so an
// unbounded lead grows the process each time the rasteriser falls behind.
void drawStore(VaseSubmission& sub, const MeshStore& store)
{
    constexpr size_t kBatchesAhead = 3;
    constexpr GLuint64 kWaitNs = 1000000000;  // give up waiting on a batch after 1 s
    ensureIndices(sub);
    GLsync pending[kBatchesAhead] = {};
    for (size_t i = 0; i < store.batches.size(); ++i) {
        const Batch& b = store.batches[i];
        const VaseVertex* first = nullptr;  // with a buffer bound, an offset into it
        if (i < store.buffers.size())
            sub.gl.bind(GL_ARRAY_BUFFER, store.buffers[i]);
        else if (store.client)
            first = store.client.get() + b.firstVertex;
        else
            break;
        glInterleavedArrays(GL_T2F_N3F_V3F, 0, first);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(b.groups * (b.ring ? 12 : 6)),
                       GL_UNSIGNED_SHORT,
                       b.ring ? sub.ringIndices.data() : sub.plainIndices.data());
        if (i < store.buffers.size())
            sub.gl.bind(GL_ARRAY_BUFFER, 0);
        if (!sub.fences) {
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
