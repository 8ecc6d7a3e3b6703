// Unit tests of the still life's layout: properties of where the pieces end up in the world,
// computed from their shapes' own meshes and places, never a restatement of the numbers.
#include "core/still_life.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/prop_mesh.h"
#include "core/vase_mesh.h"

namespace {

struct Point {
    float x, y, z;
};

struct Bounds {
    Point lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    void add(const Point& p)
    {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
};

Point apply(const Mat4& m, float x, float y, float z, float w = 1.0f)
{
    const Vec4 v = m * Vec4{x, y, z, w};
    return {v.x, v.y, v.z};
}

// The piece's points in world coordinates (before the view rotation), from the shape's mesh.
std::vector<Point> worldPoints(const StillLife& life, const Piece& piece, int globeAngle = 0)
{
    const Mat4 m = placeMatrix(life, piece.place, globeAngle);
    const Shape& s = life.shapes[piece.shape];
    std::vector<Point> points;
    if (s.kind == ShapeKind::TableTop) {
        for (const auto& c : kTableCorners)
            points.push_back(apply(m, c[0], c[1], c[2]));
        return points;
    }
    if (s.kind == ShapeKind::Vase) {
        std::vector<VaseVertex> mesh;
        buildVaseMesh(VaseSettings{}, mesh);
        for (const VaseVertex& v : mesh)
            points.push_back(apply(m, v.x, v.y, v.z));
        return points;
    }
    PropMesh mesh;
    if (s.kind == ShapeKind::Cylinder)
        appendCylinder(mesh, s.r0, s.r1, s.height, 64, 4);
    else if (s.kind == ShapeKind::Sphere)
        appendSphere(mesh, s.r0, 64, 32);
    else
        appendPartialDisk(mesh, s.r0, s.r1, 64, 4, s.kind == ShapeKind::Disk ? 0.0 : s.startAngle,
                          s.kind == ShapeKind::Disk ? 360.0 : s.sweepAngle);
    for (const PropVertex& v : mesh.vertices)
        points.push_back(apply(m, v.x, v.y, v.z));
    return points;
}

Bounds boundsOf(const StillLife& life, Prop prop, int instance = -1)
{
    Bounds b;
    for (const Piece& p : life.pieces)
        if (p.prop == prop && (instance < 0 || p.instance == instance))
            for (const Point& q : worldPoints(life, p))
                b.add(q);
    return b;
}

// The points of a prop at its lowest height `floor`: what it rests on.
Bounds footprintOf(const StillLife& life, Prop prop, float floor)
{
    Bounds b;
    for (const Piece& p : life.pieces)
        if (p.prop == prop)
            for (const Point& q : worldPoints(life, p))
                if (q.y < floor + 1e-4f)
                    b.add(q);
    return b;
}

const Piece& pieceOf(const StillLife& life, ShapeKind kind)
{
    return *std::find_if(life.pieces.begin(), life.pieces.end(),
                         [&](const Piece& p) { return life.shapes[p.shape].kind == kind; });
}

constexpr float kTolerance = 1e-5f;

}  // namespace

// The can, the stand with its globe and the vase stand on the table top, inside its edges and
// apart from each other; the four legs hang from the table's underside, all to one floor, one
// under each quarter of the table.
TEST(StillLifeLayout, PropsStandOnTheTableAndLegsReachOneFloor)
{
    const StillLife& life = stillLife();
    const Bounds table = boundsOf(life, Prop::TableTop);
    std::vector<Bounds> onTable;
    for (Prop prop : {Prop::PopCan, Prop::Stand, Prop::Vase}) {
        Bounds b = boundsOf(life, prop);
        if (prop == Prop::Stand)
            for (const Point& q : worldPoints(life, pieceOf(life, ShapeKind::Sphere)))
                b.add(q);
        EXPECT_NEAR(b.lo.y, table.hi.y, kTolerance) << "prop " << static_cast<int>(prop);
        // What rests on the table lies inside its edges (the globe's ring may reach over one).
        const Bounds base = footprintOf(life, prop, b.lo.y);
        EXPECT_GT(base.lo.x, table.lo.x);
        EXPECT_LT(base.hi.x, table.hi.x);
        EXPECT_GT(base.lo.z, table.lo.z);
        EXPECT_LT(base.hi.z, table.hi.z);
        for (const Bounds& other : onTable)
            EXPECT_TRUE(base.hi.x < other.lo.x || other.hi.x < base.lo.x ||
                        base.hi.z < other.lo.z || other.hi.z < base.lo.z)
                << "prop " << static_cast<int>(prop) << " overlaps another";
        onTable.push_back(base);
    }

    const Bounds first = boundsOf(life, Prop::Leg, 0);
    bool quarter[2][2] = {};
    for (int k = 0; k < 4; ++k) {
        const Bounds leg = boundsOf(life, Prop::Leg, k);
        EXPECT_NEAR(leg.hi.y, table.lo.y, kTolerance) << "leg " << k;
        EXPECT_NEAR(leg.lo.y, first.lo.y, kTolerance) << "leg " << k;
        EXPECT_LT(leg.lo.y, table.lo.y);
        EXPECT_GT(leg.lo.x, table.lo.x);
        EXPECT_LT(leg.hi.x, table.hi.x);
        EXPECT_GT(leg.lo.z, table.lo.z);
        EXPECT_LT(leg.hi.z, table.hi.z);
        const bool east = leg.lo.x > 0, south = leg.lo.z > 0;
        EXPECT_TRUE(east || leg.hi.x < 0) << "leg " << k << " straddles x = 0";
        EXPECT_TRUE(south || leg.hi.z < 0) << "leg " << k << " straddles z = 0";
        EXPECT_FALSE(quarter[east][south]) << "two legs under one quarter";
        quarter[east][south] = true;
    }
}

// The globe turns about its own centre, which is the half-ring's centre, inside the ring and
// clear of the stand's top; the pieces that turn with it are drawn after all the others.
TEST(StillLifeLayout, GlobeTurnsInsideItsHalfRingAboveTheStand)
{
    const StillLife& life = stillLife();
    const Piece& globe = pieceOf(life, ShapeKind::Sphere);
    const Piece& ring = pieceOf(life, ShapeKind::PartialDisk);
    const Point centre = apply(placeMatrix(life, globe.place, 0), 0, 0, 0);
    const Point ringCentre = apply(placeMatrix(life, ring.place, 0), 0, 0, 0);
    EXPECT_NEAR(centre.x, ringCentre.x, kTolerance);
    EXPECT_NEAR(centre.y, ringCentre.y, kTolerance);
    EXPECT_NEAR(centre.z, ringCentre.z, kTolerance);
    EXPECT_LE(life.shapes[globe.shape].r0, life.shapes[ring.shape].r0);

    for (int angle : {0, 45, 180, 359}) {
        const Point c = apply(placeMatrix(life, globe.place, angle), 0, 0, 0);
        EXPECT_NEAR(c.x, centre.x, kTolerance);
        EXPECT_NEAR(c.y, centre.y, kTolerance);
        EXPECT_NEAR(c.z, centre.z, kTolerance);
    }
    // The spin moves the globe's surface, not the rest.
    EXPECT_TRUE(turnsWithGlobe(life, globe));
    const std::vector<Point> at0 = worldPoints(life, globe, 0), at90 = worldPoints(life, globe, 90);
    float moved = 0;
    for (size_t i = 0; i < at0.size(); ++i)
        moved = std::max(moved, std::fabs(at0[i].x - at90[i].x) + std::fabs(at0[i].z - at90[i].z));
    EXPECT_GT(moved, 0.1f);

    float standTop = -1e9f, globeBottom = 1e9f;
    for (const Piece& p : life.pieces)
        if (p.prop == Prop::Stand && &p != &ring)
            for (const Point& q : worldPoints(life, p))
                standTop = std::max(standTop, q.y);
    for (const Point& q : worldPoints(life, globe))
        globeBottom = std::min(globeBottom, q.y);
    EXPECT_GT(globeBottom, standTop);

    bool turning = false;
    for (const Piece& p : life.pieces) {
        if (turning) {
            EXPECT_TRUE(turnsWithGlobe(life, p)) << "a still piece drawn after the globe";
        }
        turning = turning || turnsWithGlobe(life, p);
    }
}

// Images read as in an image viewer: a textured quadric whose axis (local +z) points down is
// mirrored in s, one whose axis points up in t, one lying on its side in neither. Quadrics
// without texture coordinates follow a cylinder, whose last coordinates they keep.
TEST(StillLifeLayout, MirrorsFollowEachQuadricsAxis)
{
    const StillLife& life = stillLife();
    for (size_t i = 0; i < life.pieces.size(); ++i) {
        const Piece& p = life.pieces[i];
        const Shape& s = life.shapes[p.shape];
        if (s.kind == ShapeKind::TableTop || s.kind == ShapeKind::Vase)
            continue;
        if (!s.textureCoordinates) {
            size_t before = i;
            while (before > 0 && !life.shapes[life.pieces[before - 1].shape].textureCoordinates)
                --before;
            ASSERT_GT(before, 0u);
            EXPECT_EQ(life.shapes[life.pieces[before - 1].shape].kind, ShapeKind::Cylinder);
            continue;
        }
        const float up = apply(placeMatrix(life, p.place, 0), 0, 0, 1, 0).y;
        EXPECT_EQ(p.mirror.s, up < -0.5f) << "piece " << i;
        EXPECT_EQ(p.mirror.t, up > 0.5f) << "piece " << i;
    }
}
