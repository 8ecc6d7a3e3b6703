// Lines drawn over the still life to show what the controls change: the vase's quads, the
// normals that light it, and the light. Plain line lists; no GL.
#pragma once

#include <vector>

#include "core/mat4.h"
#include "core/vase_mesh.h"

struct SceneState;

// Segments as pairs of points, x y z each: 6 floats a segment.
using LineList = std::vector<float>;

// Colours of the overlays (R, G, B in 0..1). The mesh's and normals' lines are drawn so that
// they invert the picture's top bit where logic operations exist (desktop); the page draws
// these colours with a dark edge.
extern const float kMeshLineColour[3];
extern const float kNormalLineColour[3];
extern const float kLightMarkerColour[3];

// Normals drawn at most this many along each of the vase's two directions: every
// ceil(steps / kMaxNormalsPerSide)-th band and angle step.
constexpr int kMaxNormalsPerSide = 50;
// Length of a normal's line, in the vase's local units (its height is 1).
constexpr float kNormalLineLength = 0.1f;

// The vase's quads' edges in the vase's local units, over points they share: the left, top and
// bottom edge of each band quad and the inner-to-outer edge of each step ring (the ring's outer
// edge is the next band's bottom). Points are x y z; each pair of indices is a segment. Shared
// points keep the lines' vertex work a third of separate segments'.
struct MeshLines {
    std::vector<float> points;
    std::vector<unsigned> indices;
    bool empty() const { return indices.empty(); }
};
void buildVaseMeshLines(const VaseSettings& s, MeshLines& out);

// One short line per shown vertex, from the lower-left corner of every k-th band quad along
// the normal that lighting uses (normalised, kNormalLineLength long).
void buildVaseNormalLines(const VaseSettings& s, LineList& out);

// The light in the frame where it is set (after the camera, before the view rotation): a small
// three-axis star at a positional light (w != 0), or an arrow towards the origin along a
// directional one, its tip short of the still life.
void buildLightMarker(const float lightPosition[4], LineList& out);

// Lines kept between frames, rebuilt only when the vase's settings change: one set for the
// vase drawn while the view moves and one for a larger still vase, so that starting and ending
// a drag never rebuilds the large one. `serial` changes with every rebuild, for a copy in GL.
template <typename Lines>
struct CachedLines {
    Lines lines[2];
    VaseSettings settings[2];
    bool valid[2] = {false, false};
    unsigned long serial[2] = {0, 0};
};

// The slot of `cache` holding the lines for `s`, built with `build` when they are missing or
// for other settings.
template <typename Lines>
int cachedLines(CachedLines<Lines>& cache, const VaseSettings& s,
                void (*build)(const VaseSettings&, Lines&))
{
    const int slot = vaseInMotion(s) == s ? 1 : 0;
    if (!cache.valid[slot] || cache.settings[slot] != s) {
        build(s, cache.lines[slot]);
        cache.settings[slot] = s;
        cache.valid[slot] = true;
        ++cache.serial[slot];
    }
    return slot;
}

// The vase's settings as the scene holds them.
VaseSettings vaseSettingsOfScene(const SceneState& state);

// The vase's local frame as the still life places it, from the view frame (after the view
// rotation), with the scene's globe angle.
Mat4 vasePlaceMatrix(const SceneState& state);
