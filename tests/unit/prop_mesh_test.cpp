// Unit tests of the props' GLU-shaped meshes: counts, GLU's limits, and the vertices GLU's
// documented layout puts at known places.
#include "core/prop_mesh.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

float length(float x, float y, float z)
{
    return std::sqrt(x * x + y * y + z * z);
}

}  // namespace

TEST(PropMesh, CountsAndGluLimits)
{
    {
        PropMesh m;
        appendCylinder(m, 0.2, 0.2, 0.65, 35, 20);
        EXPECT_EQ(m.vertices.size(), 20u * 36 * 2);  // a strip of slices + 1 pairs per stack
        EXPECT_EQ(m.indices.size(), 20u * 35 * 6);
    }
    {
        PropMesh m;
        appendPartialDisk(m, 0.0, 0.3, 35, 20, 0.0, 360.0);
        // A fan of slices + 2 vertices at the centre, then 19 strips.
        EXPECT_EQ(m.vertices.size(), 37u + 19 * 36 * 2);
        EXPECT_EQ(m.indices.size(), 35u * 3 + 19 * 35 * 6);
    }
    {
        // Too few slices or stacks, as the panel allows: GLU draws nothing.
        PropMesh m;
        appendCylinder(m, 0.1, 0.1, 1.5, 1, 20);
        appendPartialDisk(m, 0.0, 0.1, 35, 0, 0.0, 360.0);
        appendSphere(m, 0.45, 0, 0);
        EXPECT_TRUE(m.vertices.empty());
        EXPECT_TRUE(m.indices.empty());
    }
    {
        // GLU keeps at most 239 slices (and sphere stacks); cylinder stacks are not cut.
        PropMesh sphere, cylinder;
        appendSphere(sphere, 0.45, 1000, 1000);
        EXPECT_EQ(sphere.vertices.size(), 239u * 240 * 2);
        appendCylinder(cylinder, 0.1, 0.1, 1.5, 1000, 300);
        EXPECT_EQ(cylinder.vertices.size(), 300u * 240 * 2);
    }
    {
        PropMesh m;
        appendCylinder(m, 0.1, 0.1, 1.0, 4, 1);
        for (uint32_t i : m.indices)
            ASSERT_LT(i, m.vertices.size());
    }
}

TEST(PropMesh, GluLayout)
{
    {
        // Cylinder: slice 0 at +y, s from 1 down to 0 around, t = z / height, normals outward.
        PropMesh m;
        appendCylinder(m, 0.2, 0.2, 0.65, 4, 2);
        const PropVertex& first = m.vertices[0];
        EXPECT_FLOAT_EQ(first.y, 0.2f);
        EXPECT_NEAR(first.x, 0.0f, 1e-7);
        EXPECT_FLOAT_EQ(first.u, 1.0f);
        EXPECT_FLOAT_EQ(first.v, 0.0f);
        EXPECT_FLOAT_EQ(first.ny, 1.0f);
        const PropVertex& second = m.vertices[1];
        EXPECT_FLOAT_EQ(second.z, 0.325f);
        EXPECT_FLOAT_EQ(second.v, 0.5f);
        const PropVertex& quarter = m.vertices[2];  // slice 1 turns towards +x
        EXPECT_FLOAT_EQ(quarter.x, 0.2f);
        EXPECT_FLOAT_EQ(quarter.u, 0.75f);
        // The seam closes: the last pair repeats the first position with s = 0.
        const PropVertex& seam = m.vertices[8];
        EXPECT_FLOAT_EQ(seam.y, first.y);
        EXPECT_FLOAT_EQ(seam.u, 0.0f);
    }
    {
        // Disk: centre at (0.5, 0.5) of the texture, rim at radius 0.5 in texture space, +z normal.
        PropMesh m;
        appendPartialDisk(m, 0.0, 0.3, 8, 1, 0.0, 360.0);
        EXPECT_FLOAT_EQ(m.vertices[0].u, 0.5f);
        EXPECT_FLOAT_EQ(m.vertices[0].v, 0.5f);
        for (const PropVertex& p : m.vertices) {
            EXPECT_FLOAT_EQ(p.nz, 1.0f);
            EXPECT_NEAR(std::hypot(p.u - 0.5f, p.v - 0.5f) * 0.6f, std::hypot(p.x, p.y), 1e-6);
        }
        // The fan walks backwards: its first rim vertex is the closing one at +y.
        EXPECT_FLOAT_EQ(m.vertices[1].y, 0.3f);
    }
    {
        // Untextured quadrics keep the caller's texture coordinates.
        PropMesh m;
        appendPartialDisk(m, 0.0, 0.2, 6, 2, 0.0, 360.0, PlainTexture{false, 0.0f, 1.0f});
        for (const PropVertex& p : m.vertices) {
            EXPECT_EQ(p.u, 0.0f);
            EXPECT_EQ(p.v, 1.0f);
        }
    }
    {
        // Half ring: 180 degrees from +y through +x to -y, between its two radii.
        PropMesh m;
        appendPartialDisk(m, 0.45, 0.5, 100, 100, 0.0, 180.0);
        EXPECT_EQ(m.vertices.size(), 100u * 101 * 2);
        for (const PropVertex& p : m.vertices) {
            EXPECT_GE(p.x, -1e-6f);
            const float r = std::hypot(p.x, p.y);
            EXPECT_TRUE(r > 0.45f - 1e-6f && r < 0.5f + 1e-6f);
        }
    }
    {
        // Sphere: the strip starts at the +z pole (t = 1), normals are the unit positions.
        PropMesh m;
        appendSphere(m, 0.45, 8, 4);
        EXPECT_FLOAT_EQ(m.vertices[1].z, 0.45f);
        EXPECT_FLOAT_EQ(m.vertices[1].v, 1.0f);
        const PropVertex& southPole = m.vertices[m.vertices.size() - 2];  // last strip's far edge
        EXPECT_FLOAT_EQ(southPole.v, 0.0f);
        EXPECT_FLOAT_EQ(southPole.z, -0.45f);
        for (const PropVertex& p : m.vertices) {
            EXPECT_NEAR(length(p.nx, p.ny, p.nz), 1.0f, 1e-6);
            EXPECT_NEAR(length(p.x, p.y, p.z), 0.45f, 1e-6);
            EXPECT_NEAR(p.nz * 0.45f, p.z, 1e-6);
        }
    }
}
