// Line lists of the mesh, normals and light overlays, from the core's vase mesh and still life.
#include "core/overlays.h"

#include <cmath>
#include <new>

#include "core/scene_state.h"
#include "core/still_life.h"

const float kMeshLineColour[3] = {1.0f, 1.0f, 0.0f};
const float kNormalLineColour[3] = {0.0f, 1.0f, 1.0f};
const float kLightMarkerColour[3] = {1.0f, 0.5f, 0.0f};

namespace {

void addPoint(LineList& out, const VaseVertex& v)
{
    out.push_back(v.x);
    out.push_back(v.y);
    out.push_back(v.z);
}

void addSegment(LineList& out, const float a[3], const float b[3])
{
    out.insert(out.end(), {a[0], a[1], a[2], b[0], b[1], b[2]});
}

int strideFor(int steps)
{
    return steps <= kMaxNormalsPerSide ? 1 : (steps + kMaxNormalsPerSide - 1) / kMaxNormalsPerSide;
}

}  // namespace

void buildVaseMeshLines(const VaseSettings& s, MeshLines& out)
{
    // The old lines' memory goes first, so that a large vase's lines are never held twice.
    out = MeshLines();
    const size_t quads = vaseBandQuadCount(s);
    if (quads == 0)
        return;
    const size_t radial = static_cast<size_t>(s.radialSteps);
    const size_t bands = quads / radial;
    const size_t ringBands = vaseStepRingCount(s) / radial;
    // Each band's points in columns, one per angle step and a closing one: a (bottom), b (top)
    // and, under a step ring, e (the ring's outer corner).
    out.points.reserve((3 * ringBands + 2 * (bands - ringBands)) * (radial + 1) * 3);
    out.indices.reserve((3 * bands + ringBands) * radial * 2);
    size_t angle = 0;
    unsigned base = 0;  // the band's first point
    visitVaseQuads(s, [&](const VaseVertex* q, size_t n) {
        const unsigned k = n == 8 ? 3 : 2;  // points a column
        const unsigned a = base + static_cast<unsigned>(angle) * k, b = a + 1;
        addPoint(out.points, q[0]);
        addPoint(out.points, q[1]);
        if (n == 8)
            addPoint(out.points, q[5]);
        // left, top, bottom, and the ring's inner-to-outer edge
        out.indices.insert(out.indices.end(), {a, b, b, b + k, a, a + k});
        if (n == 8)
            out.indices.insert(out.indices.end(), {b, b + 1});
        if (++angle == radial) {
            addPoint(out.points, q[3]);
            addPoint(out.points, q[2]);
            if (n == 8)
                addPoint(out.points, q[6]);
            base += static_cast<unsigned>(radial + 1) * k;
            angle = 0;
        }
    });
}

void buildVaseNormalLines(const VaseSettings& s, LineList& out)
{
    out.clear();
    const int bandStride = strideFor(s.verticalSteps);
    const int angleStride = strideFor(s.radialSteps);
    size_t bandQuad = 0;
    visitVaseQuads(s, [&](const VaseVertex* q, size_t) {
        const int band = static_cast<int>(bandQuad / static_cast<size_t>(s.radialSteps));
        const int angle = static_cast<int>(bandQuad % static_cast<size_t>(s.radialSteps));
        ++bandQuad;
        if (band % bandStride != 0 || angle % angleStride != 0)
            return;
        const VaseVertex& v = q[0];
        const float length = std::sqrt(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz);
        if (length == 0.0f)
            return;  // the axis at radius 0 has no direction to show
        const float f = kNormalLineLength / length;
        const float a[3] = {v.x, v.y, v.z};
        const float b[3] = {v.x + v.nx * f, v.y + v.ny * f, v.z + v.nz * f};
        addSegment(out, a, b);
    });
}

void buildLightMarker(const float p[4], LineList& out)
{
    out.clear();
    if (p[3] != 0.0f) {
        const float c[3] = {p[0] / p[3], p[1] / p[3], p[2] / p[3]};
        const float r = 0.06f;
        for (int axis = 0; axis < 3; ++axis) {
            float a[3] = {c[0], c[1], c[2]};
            float b[3] = {c[0], c[1], c[2]};
            a[axis] -= r;
            b[axis] += r;
            addSegment(out, a, b);
        }
        return;
    }
    const float length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    if (length == 0.0f || !std::isfinite(length))
        return;
    // Unit vector towards the light; the arrow runs from 1.3 to 0.8 units out, pointing in.
    const float d[3] = {p[0] / length, p[1] / length, p[2] / length};
    float tail[3], tip[3];
    for (int k = 0; k < 3; ++k) {
        tail[k] = d[k] * 1.3f;
        tip[k] = d[k] * 0.8f;
    }
    addSegment(out, tail, tip);
    // Two barbs in the planes of the arrow and two directions across it.
    const bool nearVertical = std::fabs(d[1]) >= 0.9f;
    const float helper[3] = {nearVertical ? 1.0f : 0.0f, nearVertical ? 0.0f : 1.0f, 0.0f};
    float u[3] = {d[1] * helper[2] - d[2] * helper[1], d[2] * helper[0] - d[0] * helper[2],
                  d[0] * helper[1] - d[1] * helper[0]};
    const float ul = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    const float w[3] = {d[1] * u[2] - d[2] * u[1], d[2] * u[0] - d[0] * u[2],
                        d[0] * u[1] - d[1] * u[0]};
    for (int k = 0; k < 3; ++k)
        u[k] /= ul;
    const float barb = 0.08f;
    for (const float* across : {static_cast<const float*>(u), w}) {
        for (float sign : {1.0f, -1.0f}) {
            float end[3];
            for (int k = 0; k < 3; ++k)
                end[k] = tip[k] + d[k] * barb * 1.5f + across[k] * barb * sign;
            addSegment(out, tip, end);
        }
    }
}

VaseSettings vaseSettingsOfScene(const SceneState& state)
{
    VaseSettings s;
    s.verticalSteps = state.vaseVerticalSteps;
    s.radialSteps = state.vaseRadialSteps;
    s.crazy = state.crazyVase != 0;
    s.fillSteps = state.fillVaseSteps != 0;
    s.radialNormals = state.radialVaseNormals != 0;
    s.cylindrical = state.cylindricalProjection != 0;
    return s;
}

Mat4 vasePlaceMatrix(const SceneState& state)
{
    const StillLife& life = stillLife();
    for (const Piece& p : life.pieces)
        if (p.prop == Prop::Vase)
            return placeMatrix(life, p.place, state.globeAngle);
    return identity();
}
