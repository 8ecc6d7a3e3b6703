// Draws the vase: a mesh cached in a buffer object (client arrays where GL has none), or
// per-quad immediate mode.
#define GL_GLEXT_PROTOTYPES 1
#include "gl/vase_draw.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/scene_state.h"
#include "core/controls.h"
#include "gl/extensions.h"
#include "gl/frame.h"

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

// The one vase mesh of the scene context, with the settings it was built from.
struct VaseCache {
    Submission submission = Submission::Undecided;
    BufferCalls gl;
    bool fences = false;  // OpenGL 3.2 or ARB_sync
    GLuint buffer = 0;
    size_t capacity = 0;                 // vertices the buffer's storage holds
    size_t vertices = 0;                 // vertices of the mesh in it
    std::vector<VaseVertex> clientMesh;  // without buffer objects, or when the buffer failed
    VaseSettings settings;
    bool valid = false;  // the mesh matches `settings`
    // The buffer could not be had for `failedSettings` (GL_OUT_OF_MEMORY, or lost while
    // mapped): the vase is drawn from client memory until a setting changes.
    bool bufferFailed = false;
    VaseSettings failedSettings;
};
VaseCache cache;
size_t lastQuads = 0;

// TOLVANE_VASE_SUBMIT=immediate selects the per-quad reference path, e.g. to compare pictures.
bool immediateSubmission()
{
    static const bool immediate = [] {
        const char* value = std::getenv("TOLVANE_VASE_SUBMIT");
        return value != nullptr && std::strcmp(value, "immediate") == 0;
    }();
    return immediate;
}

// Texture v at height y of the band whose lower edge is y0; the upper edge is y0 + e.
float textureV(const VaseSettings& s, float y0, float y, float e, bool upper)
{
    if (s.cylindrical)
        return upper ? 1 - y0 - e : 1 - y0;
    return static_cast<float>(std::acos(static_cast<double>(2 * y - 1)) * 0.31831015504887655);
}

float normalY(const VaseSettings& s, float y)
{
    return s.radialNormals ? 0.0f : static_cast<float>(y - 0.5);
}

struct GLVersion {
    int major = 0, minor = 0;
};

// The current context's version, 0.0 if unreadable.
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

// Builds the mesh straight into the buffer's storage: the process holds no other copy. The
// storage is replaced only when the mesh outgrows it, and then with headroom.
void uploadVaseMesh(VaseCache& c, const VaseSettings& s)
{
    const size_t count = vaseVertexCount(s);
    c.valid = false;
    if (c.buffer == 0)
        c.gl.gen(1, &c.buffer);
    c.gl.bind(GL_ARRAY_BUFFER, c.buffer);
    if (count > c.capacity) {
        // Headroom costs resident memory where the driver clears new storage (llvmpipe
        // does), so none beyond the largest vase the panel can ask for.
        VaseSettings largest;
        largest.verticalSteps = kMaxSteps;
        largest.radialSteps = kMaxSteps;
        largest.fillSteps = true;
        const size_t capacity = std::min(vaseBufferCapacity(count, c.capacity),
                                         std::max(count, vaseVertexCount(largest)));
        // Give the old storage back first, so that growing never holds two meshes at once.
        c.gl.data(GL_ARRAY_BUFFER, 0, nullptr, GL_STATIC_DRAW);
        c.capacity = 0;
        // Earlier errors are not ours; an error after this call means no storage.
        for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
        }
        c.gl.data(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(capacity * sizeof(VaseVertex)), nullptr,
                  GL_STATIC_DRAW);
        if (glGetError() != GL_NO_ERROR) {
            c.gl.bind(GL_ARRAY_BUFFER, 0);
            return;
        }
        c.capacity = capacity;
    }
    if (count > 0) {
        void* storage = c.gl.map(GL_ARRAY_BUFFER, GL_WRITE_ONLY);
        if (storage == nullptr) {
            c.gl.bind(GL_ARRAY_BUFFER, 0);
            return;
        }
        buildVaseMesh(s, static_cast<VaseVertex*>(storage));
        // GL_FALSE: the storage was lost while mapped; the mesh is rebuilt at the next frame.
        if (c.gl.unmap(GL_ARRAY_BUFFER) != GL_TRUE) {
            c.gl.bind(GL_ARRAY_BUFFER, 0);
            return;
        }
    }
    c.gl.bind(GL_ARRAY_BUFFER, 0);
    c.vertices = count;
    c.settings = s;
    c.valid = true;
}

// Draws `vertices` from the enabled arrays, `batch` at a time (a multiple of 4; 0 for one
// call). A software renderer bins geometry until a flush and rasterises only then: small
// flushed batches keep each binned batch in cache and the memory it takes small (with
// llvmpipe at 1000 x 1000, 64K vertices a batch take about 30% less CPU than one call).
// Where GL has fences, at most kBatchesAhead batches wait for the rasteriser: llvmpipe
// allocates another scene whenever all of its scenes are busy and keeps it for good, so an
// unbounded lead grows the process each time the rasteriser falls behind.
void drawArraysInBatches(size_t vertices, size_t batch, bool fences)
{
    constexpr size_t kBatchesAhead = 3;
    constexpr GLuint64 kWaitNs = 1000000000;  // give up waiting on a batch after 1 s
    GLsync pending[kBatchesAhead] = {};
    if (batch == 0)
        batch = vertices;
    size_t index = 0;
    for (size_t first = 0; first < vertices; first += batch, ++index) {
        glDrawArrays(GL_QUADS, static_cast<GLint>(first),
                     static_cast<GLsizei>(std::min(batch, vertices - first)));
        if (!fences) {
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

void disableVertexArrays()
{
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace

VaseSettings vaseSettingsOf(const SceneState& state, int cylindrical)
{
    VaseSettings s;
    s.verticalSteps = state.vaseVerticalSteps;
    s.radialSteps = state.vaseRadialSteps;
    s.crazy = state.crazyVase != 0;
    s.fillSteps = state.fillVaseSteps != 0;
    s.radialNormals = state.radialVaseNormals != 0;
    s.cylindrical = cylindrical != 0;
    return s;
}

void drawVaseMesh(const std::vector<VaseVertex>& mesh)
{
    if (mesh.empty())
        return;
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, mesh.data());
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(mesh.size()));
    disableVertexArrays();
}

// A literal transcription of the per-frame design: every attribute is computed where it is
// issued, in the precision that buildVaseMesh reproduces.
void drawVaseImmediate(const VaseSettings& s)
{
    const float vf = static_cast<float>(s.verticalSteps);
    const float rf = static_cast<float>(s.radialSteps);
    if (!(vf > 0))
        return;
    const float e = 1 / vf;
    for (int i = 0; i < s.verticalSteps; ++i) {
        const float y0 = static_cast<float>(i) / vf;
        const float y1 = y0 + e;
        const float r0 = vaseRadius(y0, s.crazy);
        const float r1 = vaseRadius(y1, s.crazy);
        for (int j = 0; rf > 0 && j < s.radialSteps; ++j) {
            // theta0 is rounded to single precision; theta1 is not.
            const double theta0 = static_cast<float>(static_cast<float>(j) / rf * 6.283185);
            const double theta1 = theta0 + 6.283185 / rf;
            const double u0 = theta0 * 0.15915495087284556;
            const double u1 = theta1 * 0.15915495087284556;
            glBegin(GL_QUADS);
            glTexCoord2f(u0, textureV(s, y0, y0, e, false));
            glNormal3f(r0 * std::cos(theta0), normalY(s, y0), r0 * std::sin(theta0));
            glVertex3f(r0 * std::cos(theta0), y0, r0 * std::sin(theta0));
            glTexCoord2f(u0, textureV(s, y0, y1, e, true));
            glNormal3f(r0 * std::cos(theta0), normalY(s, y1), r0 * std::sin(theta0));
            glVertex3f(r0 * std::cos(theta0), y1, r0 * std::sin(theta0));
            glTexCoord2f(u1, textureV(s, y0, y1, e, true));
            glNormal3f(r0 * std::cos(theta1), normalY(s, y1), r0 * std::sin(theta1));
            glVertex3f(r0 * std::cos(theta1), y1, r0 * std::sin(theta1));
            glTexCoord2f(u1, textureV(s, y0, y0, e, false));
            glNormal3f(r0 * std::cos(theta1), normalY(s, y0), r0 * std::sin(theta1));
            glVertex3f(r0 * std::cos(theta1), y0, r0 * std::sin(theta1));
            glEnd();
            if (y0 < 1 - e && s.fillSteps) {
                glBegin(GL_QUADS);
                glTexCoord2f(u0, textureV(s, y0, y1, e, true));
                glNormal3f(r0 * std::cos(theta0), normalY(s, y1), r0 * std::sin(theta0));
                glVertex3f(r0 * std::cos(theta0), y1, r0 * std::sin(theta0));
                glNormal3f(r1 * std::cos(theta0), normalY(s, y1), r1 * std::sin(theta0));
                glVertex3f(r1 * std::cos(theta0), y1, r1 * std::sin(theta0));
                glTexCoord2f(u1, textureV(s, y0, y1, e, true));
                glNormal3f(r1 * std::cos(theta1), normalY(s, y1), r1 * std::sin(theta1));
                glVertex3f(r1 * std::cos(theta1), y1, r1 * std::sin(theta1));
                glNormal3f(r0 * std::cos(theta1), normalY(s, y1), r0 * std::sin(theta1));
                glVertex3f(r0 * std::cos(theta1), y1, r0 * std::sin(theta1));
                glEnd();
            }
        }
    }
}

bool vaseBufferObjects()
{
    if (cache.submission == Submission::Undecided) {
        cache.submission = chooseSubmission(cache.gl);
        const GLVersion v = glVersion();
        cache.fences = v.major > 3 || (v.major == 3 && v.minor >= 2) ||
                       extensionListHas(glExtensionList(), "GL_ARB_sync");
    }
    return cache.submission == Submission::BufferObject;
}

// Draws from client memory, building the mesh there when it is stale; per quad when even that
// memory cannot be had, so the vase is never dropped.
void drawFromClientMemory(const VaseSettings& s, size_t batchVertices)
{
    if (!cache.valid || s != cache.settings) {
        cache.valid = false;
        try {
            buildVaseMesh(s, cache.clientMesh);
        } catch (const std::bad_alloc&) {
            std::vector<VaseVertex>().swap(cache.clientMesh);
            drawVaseImmediate(s);
            return;
        }
        cache.settings = s;
        cache.valid = true;
    }
    if (cache.clientMesh.empty())
        return;
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, cache.clientMesh.data());
    drawArraysInBatches(cache.clientMesh.size(), batchVertices, cache.fences);
    disableVertexArrays();
}

void drawVaseCached(const VaseSettings& s, size_t batchVertices)
{
    if (!vaseBufferObjects()) {
        drawFromClientMemory(s, batchVertices);
        return;
    }
    // A buffer that failed is tried again only once a setting has changed.
    if (cache.bufferFailed && s == cache.failedSettings) {
        drawFromClientMemory(s, batchVertices);
        return;
    }
    const bool stale = !cache.valid || s != cache.settings || !cache.clientMesh.empty();
    if (stale) {
        std::vector<VaseVertex>().swap(cache.clientMesh);
        cache.bufferFailed = false;
        uploadVaseMesh(cache, s);
        if (!cache.valid) {
            cache.bufferFailed = true;
            cache.failedSettings = s;
            drawFromClientMemory(s, batchVertices);
            return;
        }
    }
    if (cache.vertices == 0)
        return;
    cache.gl.bind(GL_ARRAY_BUFFER, cache.buffer);
    // With a buffer bound, the array pointer is an offset into it.
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, nullptr);
    drawArraysInBatches(cache.vertices, batchVertices, cache.fences);
    cache.gl.bind(GL_ARRAY_BUFFER, 0);
    disableVertexArrays();
}

void drawVase(int cylindrical)
{
    const VaseSettings s = vaseSettingsOf(scene, cylindrical);
    if (immediateSubmission())
        drawVaseImmediate(s);
    else
        drawVaseCached(s, kVaseBatchVertices);
    lastQuads = vaseBandQuadCount(s) + vaseStepRingCount(s);
}

size_t lastVaseQuadCount()
{
    return lastQuads;
}
