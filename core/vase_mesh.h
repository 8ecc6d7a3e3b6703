// The stepped vase as plain data: quads with texture coordinates, normals and positions. No GL.
#pragma once

#include <cstddef>
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

// Vertices a mesh store should hold when `needed` must fit and it holds `current` now: current
// while the mesh fits (a mesh that shrinks or keeps its size never reallocates), else needed
// plus an eighth, so that stepping V or R upwards reallocates once every few steps.
size_t vaseBufferCapacity(size_t needed, size_t current);
