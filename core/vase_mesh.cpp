// Builds the stepped vase's band quads and step rings; plain arithmetic, no GL.
#include "core/vase_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>

bool VaseSettings::operator==(const VaseSettings& o) const
{
    return verticalSteps == o.verticalSteps && radialSteps == o.radialSteps && crazy == o.crazy &&
           fillSteps == o.fillSteps && radialNormals == o.radialNormals &&
           cylindrical == o.cylindrical;
}

// Each profile is evaluated in double from a single-precision height and rounded once.
float vaseRadius(float y, bool crazy)
{
    if (crazy)
        return static_cast<float>(std::fabs(std::sin(6.28318 * y)) * (1 - y) * 0.4 + 0.1);
    return static_cast<float>(4.09 * y * y * y - 6.15 * y * y + 2.32 * y + 0.25);
}

size_t vaseBandQuadCount(const VaseSettings& s)
{
    if (s.verticalSteps <= 0 || s.radialSteps <= 0)
        return 0;
    return static_cast<size_t>(s.verticalSteps) * static_cast<size_t>(s.radialSteps);
}

size_t vaseStepRingCount(const VaseSettings& s)
{
    if (!s.fillSteps || s.verticalSteps <= 0 || s.radialSteps <= 0)
        return 0;
    const float vf = static_cast<float>(s.verticalSteps);
    const float e = 1 / vf;
    const float ringLimit = 1 - e;
    size_t bands = 0;
    for (int i = 0; i < s.verticalSteps; ++i)
        if (static_cast<float>(i) / vf < ringLimit)
            ++bands;
    return bands * static_cast<size_t>(s.radialSteps);
}

namespace {

// Everything about angle step j; the same for every band.
struct AngleStep {
    double cos0, sin0;  // at theta0, the single-precision start angle
    double cos1, sin1;  // at theta1 = theta0 + step, held in double
    float u0, u1;       // texture u at both edges
};

// Everything about one band that its quads share.
struct Band {
    float y0, y1;  // lower and upper edge heights
    float r0, r1;  // profile radius at y0 (the band's own) and at y1 (the ring's outer edge)
    float t0, t1;  // texture v at y0 and y1
    float n0, n1;  // normal y at y0 and y1
    bool ring;     // a step ring closes this band's upper edge
};

std::vector<AngleStep> angleSteps(int radialSteps)
{
    const float rf = static_cast<float>(radialSteps);
    const double step = 6.283185 / rf;
    std::vector<AngleStep> steps(static_cast<size_t>(radialSteps));
    for (int j = 0; j < radialSteps; ++j) {
        // Single-precision division, then the double factor, stored back to single.
        const float theta0 = static_cast<float>(static_cast<float>(j) / rf * 6.283185);
        const double theta1 = theta0 + step;
        AngleStep& a = steps[static_cast<size_t>(j)];
        a.cos0 = std::cos(static_cast<double>(theta0));
        a.sin0 = std::sin(static_cast<double>(theta0));
        a.cos1 = std::cos(theta1);
        a.sin1 = std::sin(theta1);
        a.u0 = static_cast<float>(theta0 * 0.15915495087284556);
        a.u1 = static_cast<float>(theta1 * 0.15915495087284556);
    }
    return steps;
}

float sphericalV(float y)
{
    return static_cast<float>(std::acos(static_cast<double>(2 * y - 1)) * 0.31831015504887655);
}

Band band(const VaseSettings& s, int i, float vf, float e)
{
    Band b;
    b.y0 = static_cast<float>(i) / vf;
    b.y1 = b.y0 + e;
    b.r0 = vaseRadius(b.y0, s.crazy);
    b.r1 = vaseRadius(b.y1, s.crazy);
    if (s.cylindrical) {
        b.t0 = 1 - b.y0;
        b.t1 = 1 - b.y0 - e;
    } else {
        b.t0 = sphericalV(b.y0);
        b.t1 = sphericalV(b.y1);
    }
    b.n0 = s.radialNormals ? 0.0f : static_cast<float>(b.y0 - 0.5);
    b.n1 = s.radialNormals ? 0.0f : static_cast<float>(b.y1 - 0.5);
    b.ring = s.fillSteps && b.y0 < 1 - e;
    return b;
}

// The normal's x and z are the position's own.
inline VaseVertex vertex(float u, float v, float x, float ny, float y, float z)
{
    return VaseVertex{u, v, x, ny, z, x, y, z};
}

}  // namespace

size_t vaseVertexCount(const VaseSettings& s)
{
    return 4 * (vaseBandQuadCount(s) + vaseStepRingCount(s));
}

size_t vaseBufferCapacity(size_t needed, size_t current)
{
    if (needed <= current)
        return current;
    return needed + needed / 8;
}

namespace {

// One band quad (a b c d) and its step ring (b e f c), seen from outside, angle growing right:
//
//        e-------------f     ring in the plane y1, from r0 to r1
//       /             /
//      b-------------c       y1  (band quad at radius r0)
//      |             |
//      a-------------d       y0
//    theta0        theta1
//
// Hands each band quad, with its ring when it has one, to emit(vertices, 4 or 8) in drawing order.
template <typename Emit>
bool forEachQuad(const VaseSettings& s, Emit emit, const std::atomic<bool>* cancel = nullptr)
{
    if (vaseBandQuadCount(s) == 0)
        return true;
    const std::vector<AngleStep> steps = angleSteps(s.radialSteps);
    const float vf = static_cast<float>(s.verticalSteps);
    const float e = 1 / vf;
    VaseVertex quad[8];
    for (int i = 0; i < s.verticalSteps; ++i) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return false;
        const Band b = band(s, i, vf, e);
        const double r0 = b.r0, r1 = b.r1;
        for (const AngleStep& a : steps) {
            const float x00 = static_cast<float>(r0 * a.cos0);
            const float z00 = static_cast<float>(r0 * a.sin0);
            const float x01 = static_cast<float>(r0 * a.cos1);
            const float z01 = static_cast<float>(r0 * a.sin1);
            quad[0] = vertex(a.u0, b.t0, x00, b.n0, b.y0, z00);
            quad[1] = vertex(a.u0, b.t1, x00, b.n1, b.y1, z00);
            quad[2] = vertex(a.u1, b.t1, x01, b.n1, b.y1, z01);
            quad[3] = vertex(a.u1, b.t0, x01, b.n0, b.y0, z01);
            if (!b.ring) {
                emit(quad, 4);
                continue;
            }
            const float x10 = static_cast<float>(r1 * a.cos0);
            const float z10 = static_cast<float>(r1 * a.sin0);
            const float x11 = static_cast<float>(r1 * a.cos1);
            const float z11 = static_cast<float>(r1 * a.sin1);
            quad[4] = quad[1];
            quad[5] = vertex(a.u0, b.t1, x10, b.n1, b.y1, z10);
            quad[6] = vertex(a.u1, b.t1, x11, b.n1, b.y1, z11);
            quad[7] = quad[2];
            emit(quad, 8);
        }
    }
    return true;
}

}  // namespace

void buildVaseMesh(const VaseSettings& s, VaseVertex* out)
{
    // Whole quads are assembled apart and copied out, so out is never read.
    forEachQuad(s, [&out](const VaseVertex* quad, size_t n) {
        std::memcpy(out, quad, n * sizeof(VaseVertex));
        out += n;
    });
}

void buildVaseMesh(const VaseSettings& s, std::vector<VaseVertex>& out)
{
    const size_t count = vaseVertexCount(s);
    out.clear();
    if (out.capacity() < count || out.capacity() / 2 > count) {
        // Free the old storage before allocating, so that growing never holds two meshes at
        // once; a mesh that shrinks below half its storage gives the rest back.
        std::vector<VaseVertex>().swap(out);
        out.reserve(count);
    }
    forEachQuad(
        s, [&out](const VaseVertex* quad, size_t n) { out.insert(out.end(), quad, quad + n); });
}

void visitVaseQuads(const VaseSettings& s,
                    const std::function<void(const VaseVertex* quad, size_t n)>& visit)
{
    forEachQuad(s, visit);
}

VaseSharedLayout vaseSharedLayout(const VaseSettings& s)
{
    VaseSharedLayout layout;
    layout.ringGroups = vaseStepRingCount(s);
    layout.plainGroups = vaseBandQuadCount(s) - layout.ringGroups;
    return layout;
}

bool buildVaseSharedMesh(const VaseSettings& s, VaseVertex* out, const std::atomic<bool>* cancel)
{
    // Rings close every band but (at most) the top one, so ringed groups come first as the
    // layout says. quad[4] and quad[7] repeat quad[1] and quad[2] and are left out.
    return forEachQuad(
        s,
        [&out](const VaseVertex* quad, size_t n) {
            std::memcpy(out, quad, 4 * sizeof(VaseVertex));
            out += 4;
            if (n == 8) {
                std::memcpy(out, quad + 5, 2 * sizeof(VaseVertex));
                out += 2;
            }
        },
        cancel);
}

VaseSettings vaseInMotion(const VaseSettings& s)
{
    VaseSettings m = s;
    m.verticalSteps = std::min(s.verticalSteps, kMotionVaseSteps);
    m.radialSteps = std::min(s.radialSteps, kMotionVaseSteps);
    return m;
}

bool smallerVaseWanted(const VaseSettings& s, bool viewMoving, bool exact)
{
    return viewMoving && !exact && vaseInMotion(s) != s;
}
