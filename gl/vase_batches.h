// The vase mesh's batches in GL, shared by the mesh store: how vertices reach GL (buffer objects
// or client arrays), the sliced upload of a finished mesh, and drawing its batches.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "core/vase_mesh.h"

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
std::vector<Batch> batchesOf(const VaseSharedLayout& layout);

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

// How meshes reach GL in the scene's context, decided once there.
struct VaseSubmission {
    Submission submission = Submission::Undecided;
    BufferCalls gl;
    bool fences = false;                              // OpenGL 3.2 or ARB_sync
    std::vector<GLushort> ringIndices, plainIndices;  // for one batch of each kind
};

// Buffer objects where GL has them (core since 1.5, an extension before), else client arrays;
// decided on the first call, in the scene's context.
void decideSubmission(VaseSubmission& sub);

// Gives a store's memory back; it holds no mesh afterwards.
void releaseStore(const VaseSubmission& sub, MeshStore& store);

// Hands more batches of a finished mesh to GL, for about `budgetMs` (all of them for
// a huge budget); gives the client copy back once GL holds them all.
void uploadBatches(const VaseSubmission& sub, MeshStore& store, double budgetMs);

// Draws every batch of a store, from its buffer object where GL holds it, else from client
// memory, each flushed.
void drawStore(VaseSubmission& sub, const MeshStore& store);
