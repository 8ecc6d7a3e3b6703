// Unit tests of the overlays' line lists: the mesh's edges against the vase's own quads, the
// normals' sampling, and the cache that keeps the still and the moving vase's lines.
#include "core/mesh_line_builder.h"
#include "core/overlays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

VaseSettings settings(int v, int r, bool fill = true, bool crazy = false)
{
    VaseSettings s;
    s.verticalSteps = v;
    s.radialSteps = r;
    s.fillSteps = fill;
    s.crazy = crazy;
    return s;
}

// A segment as its two ends on a 1e-4 grid, the smaller end first: adjacent quads' shared
// corners agree only to rounding.
using Segment = std::array<long, 6>;

Segment segment(const float* a, const float* b)
{
    std::array<long, 3> p, q;
    for (int k = 0; k < 3; ++k) {
        p[k] = std::lround(a[k] * 1e4);
        q[k] = std::lround(b[k] * 1e4);
    }
    if (q < p)
        std::swap(p, q);
    return {p[0], p[1], p[2], q[0], q[1], q[2]};
}

// The edges the mesh overlay must show, read from buildVaseMesh's quads: each band quad's
// left, top and bottom edge (a b, b c, a d) and each ring's inner-to-outer edge (b e).
std::vector<Segment> quadEdges(const VaseSettings& s)
{
    std::vector<VaseVertex> mesh;
    buildVaseMesh(s, mesh);
    std::vector<Segment> edges;
    const auto at = [](const VaseVertex& v) { return &v.x; };
    for (size_t k = 0; k < mesh.size();) {
        const VaseVertex* q = &mesh[k];
        edges.push_back(segment(at(q[0]), at(q[1])));
        edges.push_back(segment(at(q[1]), at(q[2])));
        edges.push_back(segment(at(q[0]), at(q[3])));
        k += 4;
        // A step ring follows its band quad and starts at the quad's upper-left corner.
        if (k < mesh.size() && mesh[k].y == mesh[k + 1].y && mesh[k].y == q[1].y &&
            mesh[k].x == q[1].x && mesh[k].z == q[1].z) {
            edges.push_back(segment(at(mesh[k]), at(mesh[k + 1])));
            k += 4;
        }
    }
    std::sort(edges.begin(), edges.end());
    return edges;
}

std::vector<Segment> meshLineSegments(const VaseSettings& s)
{
    MeshLines lines;
    buildVaseMeshLines(s, lines);
    std::vector<Segment> out;
    for (size_t k = 0; k + 1 < lines.indices.size(); k += 2) {
        EXPECT_LT(3 * size_t{lines.indices[k + 1]} + 2, lines.points.size());
        out.push_back(segment(&lines.points[3 * lines.indices[k]],
                              &lines.points[3 * lines.indices[k + 1]]));
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

// Shared points must not join the wrong corners: every quad's edges, each exactly once, for
// vases with and without rings, the crazy profile, a top band with a ring (V = 31) and one
// step around.
TEST(VaseMeshLines, AreExactlyTheQuadsEdges)
{
    for (const VaseSettings& s : {settings(7, 5), settings(7, 5, false), settings(12, 9, true, true),
                                  settings(31, 4), settings(3, 1)}) {
        SCOPED_TRACE(testing::Message() << s.verticalSteps << " x " << s.radialSteps
                                        << (s.fillSteps ? " rings" : " no rings"));
        EXPECT_EQ(meshLineSegments(s), quadEdges(s));
    }
    MeshLines none;
    buildVaseMeshLines(settings(0, 40), none);
    EXPECT_TRUE(none.empty());
}

// At most 50 normals along each direction however fine the vase; each starts on the vase and
// is horizontal exactly when the radial normals light it.
TEST(VaseNormalLines, AreThinnedAndFollowTheLightingNormal)
{
    LineList lines;
    buildVaseNormalLines(settings(1000, 1000), lines);
    EXPECT_EQ(lines.size() / 6, 50u * 50u);
    buildVaseNormalLines(settings(10, 8), lines);
    EXPECT_EQ(lines.size() / 6, 80u);

    for (bool radial : {true, false}) {
        VaseSettings s = settings(20, 12);
        s.radialNormals = radial;
        buildVaseNormalLines(s, lines);
        size_t tilted = 0;
        for (size_t k = 0; k < lines.size(); k += 6) {
            const float* a = &lines[k];
            const float* b = &lines[k + 3];
            EXPECT_NEAR(std::hypot(a[0], a[2]), vaseRadius(a[1], false), 1e-5);
            EXPECT_NEAR(std::hypot(b[0] - a[0], b[1] - a[1], b[2] - a[2]), kNormalLineLength, 1e-5);
            tilted += b[1] != a[1];
        }
        EXPECT_EQ(tilted == 0, radial);
    }
}

// Starting and ending a drag switches between the still vase's lines and the smaller moving
// vase's: neither is built again; a changed vase is.
TEST(CachedLines, KeepTheStillAndTheMovingVaseSideBySide)
{
    static int builds;
    builds = 0;
    const auto count = [](const VaseSettings&, LineList& out) {
        ++builds;
        out.assign(6, 0.0f);
    };
    CachedLines<LineList> cache;
    const VaseSettings still = settings(1000, 1000);
    const int stillSlot = cachedLines<LineList>(cache, still, count);
    const int movingSlot = cachedLines<LineList>(cache, vaseInMotion(still), count);
    EXPECT_NE(stillSlot, movingSlot);
    cachedLines<LineList>(cache, still, count);
    cachedLines<LineList>(cache, vaseInMotion(still), count);
    EXPECT_EQ(builds, 2);
    const unsigned long serial = cache.serial[stillSlot];
    cachedLines<LineList>(cache, settings(900, 1000), count);
    EXPECT_EQ(builds, 3);
    EXPECT_NE(cache.serial[stillSlot], serial);
}

// The marker follows the light: an arrow pointing at the still life along a directional light,
// a small star centred where a positional one is (p / w).
TEST(LightMarker, ArrowAlongADirectionalLightStarAtAPositionalOne)
{
    LineList lines;
    const float directional[4] = {-1.0f, 1.0f, -1.0f, 0.0f};
    buildLightMarker(directional, lines);
    ASSERT_GE(lines.size(), 6u);
    const float* tail = &lines[0];
    const float* tip = &lines[3];
    EXPECT_GT(std::hypot(tail[0], tail[1], tail[2]), std::hypot(tip[0], tip[1], tip[2]));
    for (int k = 0; k < 3; ++k)  // both ends on the light's side of the origin, on its line
        EXPECT_NEAR(tip[k] / std::hypot(tip[0], tip[1], tip[2]), directional[k] / std::sqrt(3.0f),
                    1e-5);

    const float positional[4] = {2.0f, 4.0f, 6.0f, 2.0f};
    buildLightMarker(positional, lines);
    ASSERT_EQ(lines.size(), 3u * 6u);
    for (size_t k = 0; k < lines.size(); k += 6)
        for (int c = 0; c < 3; ++c)
            EXPECT_FLOAT_EQ((lines[k + c] + lines[k + 3 + c]) / 2, positional[c] / 2);

    const float nowhere[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    buildLightMarker(nowhere, lines);
    EXPECT_TRUE(lines.empty());
}

// The drawing thread is never made to wait: it is told "not yet" and later given the lines of
// the vase it asked for, even when it asked for another vase while one was being built; a
// picture (wait) gets the lines it asks for at once.
TEST(MeshLineBuilder, HandsOverTheLinesAskedForOnceBuilt)
{
    const auto linesOf = [](const VaseSettings& s) {
        MeshLines lines;
        buildVaseMeshLines(s, lines);
        return lines.indices.size();
    };
    MeshLineBuilder b;
    const VaseSettings first = settings(20, 10), second = settings(30, 12), third = settings(8, 5);
    EXPECT_EQ(meshLinesFor(b, first, false), -1);
    for (int i = 0; i < 30000 && !meshLinesReady(b); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    int slot = meshLinesFor(b, first, false);
    ASSERT_GE(slot, 0);
    EXPECT_EQ(b.cache.lines[slot].indices.size(), linesOf(first));

    EXPECT_EQ(meshLinesFor(b, second, false), -1);
    meshLinesFor(b, third, false);  // the vase changed again before its lines were built
    slot = meshLinesFor(b, third, true);
    ASSERT_GE(slot, 0);
    EXPECT_EQ(b.cache.settings[slot], third);
    EXPECT_EQ(b.cache.lines[slot].indices.size(), linesOf(third));
    EXPECT_FALSE(meshLinesBuilding(b));
}
