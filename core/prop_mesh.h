// The props' round parts as plain meshes, made the way GLU's quadrics make them. No GL.
#pragma once

#include <cstdint>
#include <vector>

// One vertex, laid out as GL_T2F_N3F_V3F (the same layout as VaseVertex).
struct PropVertex {
    float u, v;        // texture coordinates
    float nx, ny, nz;  // normal, unit length
    float x, y, z;     // position in the shape's own frame (its axis is +z)
};

// Triangles over shared vertices. GLU's quad strips become two triangles per quad, split
// along the diagonal from the strip's first vertex to its fourth as Mesa splits them; its
// fans become fans of triangles.
struct PropMesh {
    std::vector<PropVertex> vertices;
    std::vector<uint32_t> indices;  // three per triangle
};

// GLU keeps at most this many slices (and sphere stacks); larger counts are cut to it.
constexpr int kGluMaxSlices = 239;

// Texture coordinates of a shape drawn with texture generation off: GLU issues none, so the
// current ones stay those of the last vertex before it (left to the caller).
struct PlainTexture {
    bool generate = true;  // GLU_TRUE texture coordinates
    float u = 0.0f, v = 0.0f;  // used when generate is false
};

// gluCylinder with smooth outward normals: along +z from z = 0 (baseRadius) to height
// (topRadius). Appends nothing when slices < 2 or stacks < 1.
void appendCylinder(PropMesh& mesh, double baseRadius, double topRadius, double height,
                    int slices, int stacks, PlainTexture texture = {});

// gluPartialDisk in the plane z = 0, normal +z; angles in degrees from +y towards +x.
// gluDisk is the whole sweep of 360. Appends nothing when slices < 2 or loops < 1.
void appendPartialDisk(PropMesh& mesh, double innerRadius, double outerRadius, int slices,
                       int loops, double startAngle, double sweepAngle, PlainTexture texture = {});

// gluSphere about the origin, poles on the z axis (s runs 1 to 0 around, t 1 at +z to 0 at -z).
// Appends nothing when slices < 2 or stacks < 1.
void appendSphere(PropMesh& mesh, double radius, int slices, int stacks, PlainTexture texture = {});
