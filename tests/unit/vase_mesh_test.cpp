// Unit tests of the vase mesh: counts, layout, profiles, and agreement with per-quad evaluation.
#include "core/vase_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

namespace {

VaseSettings settings(int v, int r)
{
    VaseSettings s;
    s.verticalSteps = v;
    s.radialSteps = r;
    return s;
}

std::vector<VaseVertex> build(const VaseSettings& s)
{
    std::vector<VaseVertex> mesh;
    buildVaseMesh(s, mesh);
    return mesh;
}

float radiusOf(const VaseVertex& p)
{
    return std::hypot(p.x, p.z);
}

// Every quad evaluated on its own, straight from the formulas, in single and double precision
// exactly where the drawing design has them.
std::vector<VaseVertex> perQuadReference(const VaseSettings& s)
{
    std::vector<VaseVertex> out;
    const float vf = s.verticalSteps, rf = s.radialSteps;
    if (!(vf > 0))
        return out;
    const float e = 1 / vf;
    for (int i = 0; i < vf; i++) {
        const float y0 = i / vf, y1 = y0 + e;
        const float r0 = vaseRadius(y0, s.crazy), r1 = vaseRadius(y1, s.crazy);
        auto tex = [&](float y, bool upper) -> float {
            if (s.cylindrical)
                return upper ? 1 - y0 - e : 1 - y0;
            return std::acos(double(2 * y - 1)) * 0.31831015504887655;
        };
        auto put = [&](double u, float v, double r, double a, float y) {
            const float x = r * std::cos(a), z = r * std::sin(a);
            const float ny = s.radialNormals ? 0.0f : float(y - 0.5);
            out.push_back({float(u), v, x, ny, z, x, y, z});
        };
        for (int j = 0; rf > 0 && j < rf; j++) {
            const float a0 = j / rf * 6.283185;
            const double a1 = a0 + 6.283185 / rf;
            const double u0 = a0 * 0.15915495087284556, u1 = a1 * 0.15915495087284556;
            put(u0, tex(y0, false), r0, a0, y0);
            put(u0, tex(y1, true), r0, a0, y1);
            put(u1, tex(y1, true), r0, a1, y1);
            put(u1, tex(y0, false), r0, a1, y0);
            if (y0 < 1 - e && s.fillSteps) {
                put(u0, tex(y1, true), r0, a0, y1);
                put(u0, tex(y1, true), r1, a0, y1);
                put(u1, tex(y1, true), r1, a1, y1);
                put(u1, tex(y1, true), r0, a1, y1);
            }
        }
    }
    return out;
}

}  // namespace

TEST(VaseMesh, OneBandStandsAtTheBottomRadiusWithoutRing)
{
    for (bool crazy : {false, true}) {
        VaseSettings s = settings(1, 6);
        s.crazy = crazy;
        const std::vector<VaseVertex> mesh = build(s);
        ASSERT_EQ(mesh.size(), 6u * 4);
        for (size_t k = 0; k < mesh.size(); ++k) {
            EXPECT_NEAR(radiusOf(mesh[k]), crazy ? 0.1f : 0.25f, 1e-6f);
            EXPECT_EQ(mesh[k].y, k % 4 == 1 || k % 4 == 2 ? 1.0f : 0.0f);
        }
    }
}

TEST(VaseMesh, TopBandGetsARingOnlyWhereRoundingSaysSo)
{
    {
        const VaseSettings s = settings(31, 5);
        EXPECT_EQ(vaseBandQuadCount(s), 31u * 5);
        EXPECT_EQ(vaseStepRingCount(s), 31u * 5);
        const std::vector<VaseVertex> mesh = build(s);
        ASSERT_EQ(mesh.size(), 4u * 310);
        const VaseVertex* ring = &mesh[mesh.size() - 4];
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(ring[k].y, 1.0f);
        EXPECT_NEAR(radiusOf(ring[0]), vaseRadius(30.0f / 31.0f, false), 1e-6f);
        EXPECT_NEAR(radiusOf(ring[1]), 0.51f, 1e-6f);
    }
    for (int v : {30, 32, 1000})
        EXPECT_EQ(vaseStepRingCount(settings(v, 3)), size_t(v - 1) * 3) << v;
    {
        VaseSettings s = settings(31, 5);
        s.fillSteps = false;
        EXPECT_EQ(vaseStepRingCount(s), 0u);
        EXPECT_EQ(build(s).size(), 4u * 155);
    }
}

TEST(VaseMesh, NonPositiveStepsGiveNothing)
{
    const std::pair<int, int> cases[] = {{0, 40}, {100, 0}, {-3, 40}, {100, -1}, {0, 0}};
    for (const auto& [v, r] : cases) {
        const VaseSettings s = settings(v, r);
        EXPECT_EQ(vaseBandQuadCount(s), 0u);
        EXPECT_EQ(vaseStepRingCount(s), 0u);
        std::vector<VaseVertex> mesh(12);
        buildVaseMesh(s, mesh);
        EXPECT_TRUE(mesh.empty()) << v << " x " << r;
    }
}

TEST(VaseMesh, DefaultsStartWithBandQuadThenItsRing)
{
    const VaseSettings s;
    EXPECT_EQ(vaseBandQuadCount(s), 4000u);
    EXPECT_EQ(vaseStepRingCount(s), 3960u);
    const std::vector<VaseVertex> mesh = build(s);
    ASSERT_EQ(mesh.size(), 4u * 7960);

    const double a = static_cast<float>(6.283185 / 40);
    const float c = static_cast<float>(0.25 * std::cos(a));
    const float sn = static_cast<float>(0.25 * std::sin(a));
    // u, v, x, y, z of each corner
    const float expected[4][5] = {{0, 1, 0.25f, 0, 0},
                                  {0, 0.99f, 0.25f, 0.01f, 0},
                                  {0.025f, 0.99f, c, 0.01f, sn},
                                  {0.025f, 1, c, 0, sn}};
    for (int k = 0; k < 4; ++k) {
        const float got[5] = {mesh[k].u, mesh[k].v, mesh[k].x, mesh[k].y, mesh[k].z};
        for (int f = 0; f < 5; ++f)
            EXPECT_FLOAT_EQ(got[f], expected[k][f]) << "corner " << k << " field " << f;
    }
    // The ring starts at the band's upper-left corner and reaches out to r(0.01).
    EXPECT_EQ(std::memcmp(&mesh[4], &mesh[1], sizeof(VaseVertex)), 0);
    EXPECT_NEAR(radiusOf(mesh[5]), vaseRadius(0.01f, false), 1e-6f);
}

TEST(VaseMesh, ProjectionAndNormalModelChangeOnlyTheirOwnField)
{
    VaseSettings s = settings(2, 4);
    const std::vector<VaseVertex> base = build(s);
    s.cylindrical = false;
    const std::vector<VaseVertex> spherical = build(s);
    s.cylindrical = true;
    s.radialNormals = false;
    const std::vector<VaseVertex> sloped = build(s);
    ASSERT_EQ(spherical.size(), base.size());
    ASSERT_EQ(sloped.size(), base.size());
    for (size_t k = 0; k < base.size(); ++k) {
        VaseVertex p = spherical[k], q = sloped[k];
        p.v = base[k].v;
        q.ny = base[k].ny;
        EXPECT_EQ(std::memcmp(&p, &base[k], sizeof p), 0) << k;
        EXPECT_EQ(std::memcmp(&q, &base[k], sizeof q), 0) << k;
        EXPECT_TRUE(base[k].nx == base[k].x && base[k].nz == base[k].z && base[k].ny == 0) << k;
        EXPECT_EQ(sloped[k].ny, sloped[k].y - 0.5f) << k;
    }
    EXPECT_NEAR(spherical[0].v, 1.0000008f, 1e-6f);  // acos(-1) / 3.14159, just above 1
    EXPECT_NEAR(spherical[1].v, 0.5f, 1e-6f);
    EXPECT_EQ(spherical[spherical.size() - 3].v, 0.0f);  // the top band's upper edge
}

TEST(VaseMesh, ProfileKeyValues)
{
    // height, cubic profile (to 0.005), sine profile
    const float cases[][3] = {{0, 0.25f, 0.1f},
                              {0.25f, 0.51f, 0.4f},
                              {0.5f, 0.384f, 0.1f},
                              {0.75f, 0.26f, 0.2f},
                              {1, 0.51f, 0.1f}};
    for (const auto& [y, cubic, sine] : cases) {
        EXPECT_NEAR(vaseRadius(y, false), cubic, 0.005f) << y;
        EXPECT_NEAR(vaseRadius(y, true), sine, 1e-5f) << y;
    }
}

// One vector reused across settings, so stale contents and capacity reuse are exercised too;
// the same mesh built into caller memory.
TEST(VaseMesh, MatchesPerQuadEvaluationBitForBit)
{
    std::vector<VaseVertex> mesh;
    for (int v : {1, 2, 3, 7, 30, 31, 32, 99, 1000})
        for (int r : {1, 3, 40})
            for (int flags = 0; flags < 16; ++flags) {
                VaseSettings s = settings(v, r);
                s.crazy = flags & 1;
                s.fillSteps = !(flags & 2);
                s.radialNormals = !(flags & 4);
                s.cylindrical = !(flags & 8);
                buildVaseMesh(s, mesh);
                const std::vector<VaseVertex> reference = perQuadReference(s);
                ASSERT_EQ(mesh.size(), 4 * (vaseBandQuadCount(s) + vaseStepRingCount(s)));
                ASSERT_EQ(mesh.size(), reference.size());
                const size_t bytes = mesh.size() * sizeof(VaseVertex);
                ASSERT_EQ(std::memcmp(mesh.data(), reference.data(), bytes), 0)
                    << v << " x " << r << " flags " << flags;
                // Into caller memory of exactly vaseVertexCount (ASan builds catch overruns).
                std::vector<VaseVertex> direct(vaseVertexCount(s));
                buildVaseMesh(s, direct.data());
                ASSERT_EQ(std::memcmp(direct.data(), reference.data(), bytes), 0)
                    << v << " x " << r << " flags " << flags << ", into caller memory";
                // The shared-vertex layout gives back the same quads, corner for corner.
                const VaseSharedLayout layout = vaseSharedLayout(s);
                std::vector<VaseVertex> shared(layout.vertices());
                ASSERT_TRUE(buildVaseSharedMesh(s, shared.data()));
                std::vector<VaseVertex> quads;
                for (size_t g = 0, at = 0; g < layout.ringGroups + layout.plainGroups; ++g) {
                    const bool ring = g < layout.ringGroups;
                    const unsigned corners[8] = {0, 1, 2, 3, 1, 4, 5, 2};  // a b c d, b e f c
                    for (unsigned k = 0; k < (ring ? 8u : 4u); ++k)
                        quads.push_back(shared[at + corners[k]]);
                    at += ring ? 6 : 4;
                }
                ASSERT_EQ(quads.size(), reference.size());
                ASSERT_EQ(std::memcmp(quads.data(), reference.data(), bytes), 0)
                    << v << " x " << r << " flags " << flags << ", shared vertices";
            }
}

TEST(VaseMesh, BufferCapacityKeepsStorageAndGrowsWithHeadroom)
{
    EXPECT_EQ(vaseBufferCapacity(0, 0), 0u);
    EXPECT_EQ(vaseBufferCapacity(800, 0), 900u);
    // A mesh that fits, however small, keeps the storage.
    for (size_t needed : {900u, 899u, 1u, 0u})
        EXPECT_EQ(vaseBufferCapacity(needed, 900), 900u) << needed;

    // Stepping V up one click at a time to the panel's top at R = 1000 reallocates once, and
    // going back and forth between 999 and 1000 never does.
    size_t capacity = 0;
    int reallocations = 0;
    for (int v : {990, 991, 992, 993, 994, 995, 996, 997, 998, 999, 1000, 999, 1000, 999}) {
        const size_t needed = vaseVertexCount(settings(v, 1000));
        const size_t next = vaseBufferCapacity(needed, capacity);
        ASSERT_GE(next, needed) << v;
        reallocations += next != capacity;
        capacity = next;
    }
    EXPECT_EQ(reallocations, 1);
}
