// The stepped vase as plain data: quads with texture coordinates, normals and positions. No GL.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

// One vertex, laid out as OpenGL's GL_T2F_N3F_V3F interleaved format.
struct VaseVertex {
    float u, v;        // texture coordinates
    float nx, ny, nz;  // normal, not unit length
    float x, y, z;     // position in local vase units (height 0..1), before the 0.7 scale
};

// Every input of the mesh; two equal settings give the identical mesh.
struct VaseSettings {
    int verticalSteps = 100;    // bands (V)
    int radialSteps = 40;       // quads around (R)
    bool crazy = false;         // sine profile instead of the cubic one
    bool fillSteps = true;      // step rings between bands
    bool radialNormals = true;  // normals without a vertical component
    bool cylindrical = true;    // cylindrical v coordinate, else spherical
    bool operator==(const VaseSettings& o) const;
    bool operator!=(const VaseSettings& o) const { return !(*this == o); }
};

// Radius at height y in 0..1 for the chosen profile.
float vaseRadius(float y, bool crazy);

// Band quads: V * R when both are positive, else 0.
size_t vaseBandQuadCount(const VaseSettings& s);
// Step rings: R for every band whose lower edge lies below 1 - 1/V (single precision),
// when fillSteps is on; the top band gets one only where rounding says so (V = 31).
size_t vaseStepRingCount(const VaseSettings& s);

// Vertices of the whole mesh: 4 per band quad and per step ring.
size_t vaseVertexCount(const VaseSettings& s);

// Writes the vaseVertexCount(s) vertices to out in drawing order: for each band bottom to top,
// for each angle step, the band quad followed by its step ring if any. Only writes to out,
// never reads it back, so out may be write-combined memory such as a mapped buffer object.
void buildVaseMesh(const VaseSettings& s, VaseVertex* out);
// The same into a vector, replacing its contents.
void buildVaseMesh(const VaseSettings& s, std::vector<VaseVertex>& out);

// Hands buildVaseMesh's quads to `visit` one band quad at a time, without storing the mesh:
// 4 vertices (a band quad), or 8 where its step ring follows.
void visitVaseQuads(const VaseSettings& s,
                    const std::function<void(const VaseVertex* quad, size_t n)>& visit);

// Vertices a mesh store should hold when `needed` must fit and it holds `current` now: current
// while the mesh fits (a mesh that shrinks or keeps its size never reallocates), else needed
// plus an eighth, so that stepping V or R upwards reallocates once every few steps.
size_t vaseBufferCapacity(size_t needed, size_t current);

// The same quads with the two vertices a band quad shares with its step ring stored once: for
// each band quad its corners a b c d (as buildVaseMesh writes them), then, where it has a ring,
// the ring's outer corners e f; the ring is b e f c. Bands with rings come first (every band
// below the top one, when rings are on), so the mesh is a run of 6-vertex groups followed by a
// run of 4-vertex groups. Drawn with the triangles below it gives buildVaseMesh's quads
// in the same order, every attribute bit for bit, with a quarter fewer vertices.
struct VaseSharedLayout {
    size_t ringGroups = 0;   // band quads with a ring: 6 vertices, 4 triangles each
    size_t plainGroups = 0;  // band quads without: 4 vertices, 2 triangles each
    size_t vertices() const { return 6 * ringGroups + 4 * plainGroups; }
};
VaseSharedLayout vaseSharedLayout(const VaseSettings& s);

// Writes vaseSharedLayout(s).vertices() vertices to out (only writes, as buildVaseMesh).
// Checks `cancel` before every band and returns false, out left part-written, once it is set.
bool buildVaseSharedMesh(const VaseSettings& s, VaseVertex* out,
                         const std::atomic<bool>* cancel = nullptr);

// Triangles of a group, relative to its first vertex: a ringed group, then a plain one. Each quad
// p q r s becomes p q r and p r s, the split Mesa gives GL_QUADS drawn from arrays, so the
// pixels match the quads' exactly there (indexed GL_QUADS split the other diagonal).
constexpr unsigned kVaseRingGroupIndices[12] = {0, 1, 2, 0, 2, 3, 1, 4, 5, 1, 5, 2};
constexpr unsigned kVasePlainGroupIndices[6] = {0, 1, 2, 0, 2, 3};

// The settings of the vase drawn while the view moves (a drag, the turn about y): at most
// kMotionVaseSteps bands and quads around, the rest as `s`. Equal to `s` for a vase that small.
constexpr int kMotionVaseSteps = 250;
VaseSettings vaseInMotion(const VaseSettings& s);

// Whether a frame draws vaseInMotion(s) in place of `s`: while the view moves (viewIsMoving),
// unless the frame is a picture to keep (`exact`: saved, rendered), and only where that vase is
// smaller.
bool smallerVaseWanted(const VaseSettings& s, bool viewMoving, bool exact);
