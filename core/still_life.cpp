// The still life's pieces, shapes and places: the one description both front ends draw.
#include "core/still_life.h"

#include <algorithm>

#include "core/scene_state.h"

const Camera kCamera = {{-1.0f, 1.0f, -1.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}};

// The box spans y -0.1..0.1, so whatever stands on the table starts at y = 0.1.
const float kTableCorners[8][3] = {
    {-1.0f, -0.1f, -1.0f}, {1.0f, -0.1f, -1.0f}, {1.0f, 0.1f, -1.0f}, {-1.0f, 0.1f, -1.0f},
    {-1.0f, -0.1f, 1.0f},  {1.0f, -0.1f, 1.0f},  {1.0f, 0.1f, 1.0f},  {-1.0f, 0.1f, 1.0f},
};
const int kTableFaces[6][4] = {{0, 3, 2, 1}, {2, 3, 7, 6}, {0, 1, 5, 4},
                               {0, 4, 7, 3}, {1, 2, 6, 5}, {4, 5, 6, 7}};
const float kTableFaceTexCoords[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};

namespace {

Move translateBy(float x, float y, float z)
{
    return {MoveKind::Translate, x, y, z, 0};
}

Move rotateBy(float degrees, float x, float y, float z)
{
    return {MoveKind::Rotate, x, y, z, degrees};
}

int addPlace(StillLife& life, int parent, std::initializer_list<Move> moves)
{
    life.places.push_back({parent, moves});
    return static_cast<int>(life.places.size()) - 1;
}

int addShape(StillLife& life, const Shape& shape)
{
    life.shapes.push_back(shape);
    return static_cast<int>(life.shapes.size()) - 1;
}

Shape cylinder(double base, double top, double height)
{
    Shape s;
    s.kind = ShapeKind::Cylinder;
    s.r0 = base;
    s.r1 = top;
    s.height = height;
    return s;
}

Shape disk(double inner, double outer)
{
    Shape s;
    s.kind = ShapeKind::Disk;
    s.r0 = inner;
    s.r1 = outer;
    return s;
}

// GLU reads the surfaces of shapes whose axis points down with s running against an image's
// left to right (the legs, the can, the globe, and the vase, which follows them), and those
// whose axis points up with t bottom to top (the stand): those get mirrored.
const TextureMirror kMirrorS{true, false};
const TextureMirror kMirrorT{false, true};
const TextureMirror kNoMirror{};

StillLife buildStillLife()
{
    StillLife life;
    Shape box;
    const int tableTop = addShape(life, box);
    const int legSide = addShape(life, cylinder(0.1, 0.1, 1.5));
    const int legFoot = addShape(life, disk(0.0, 0.1));
    const int canSide = addShape(life, cylinder(0.2, 0.2, 0.65));
    Shape cap = disk(0.0, 0.2);
    cap.textureCoordinates = false;
    const int canCap = addShape(life, cap);
    const int standSide = addShape(life, cylinder(0.3, 0.3, 0.1));
    const int standDisk = addShape(life, disk(0.0, 0.3));
    const int postSide = addShape(life, cylinder(0.05, 0.05, 0.2));
    // The meridian keeps its own fine tessellation.
    Shape ring = disk(0.45, 0.5);
    ring.kind = ShapeKind::PartialDisk;
    ring.startAngle = 0.0;
    ring.sweepAngle = 180.0;
    ring.fixedSlices = ring.fixedStacks = 100;
    const int halfRing = addShape(life, ring);
    Shape sphere;
    sphere.kind = ShapeKind::Sphere;
    sphere.r0 = 0.45;
    const int globe = addShape(life, sphere);
    Shape vaseShape;
    vaseShape.kind = ShapeKind::Vase;
    const int vase = addShape(life, vaseShape);

    auto piece = [&](Prop prop, int instance, int shape, TextureSlot texture,
                     TextureMirror mirror, int place, bool grey = false) {
        life.pieces.push_back({prop, instance, shape, texture, mirror, place, grey});
    };

    piece(Prop::TableTop, 0, tableTop, TextureSlot::Table, kNoMirror, kView);

    // Legs hang from just under the table top (local +z turned to point down), a foot at the
    // end of each; none has a disk at its top.
    const float legOffsets[4][3] = {
        {-0.5f, -0.1f, -0.5f}, {-0.5f, -0.1f, 0.5f}, {0.5f, -0.1f, -0.5f}, {0.5f, -0.1f, 0.5f}};
    for (int k = 0; k < 4; ++k) {
        const float* o = legOffsets[k];
        const int leg = addPlace(life, kView, {translateBy(o[0], o[1], o[2])});
        const int axis = addPlace(life, leg, {rotateBy(90, 1, 0, 0)});
        const int foot = addPlace(life, axis, {translateBy(0, 0, 1.5f)});
        piece(Prop::Leg, k, legSide, TextureSlot::Table, kMirrorS, axis);
        piece(Prop::Leg, k, legFoot, TextureSlot::Table, kMirrorS, foot);
    }

    // The can's axis points down from its top at y = 0.75 to the table; both caps face local
    // +z (the top one down into the can) and show the grey that then stays current.
    const int can = addPlace(life, kView,
                             {translateBy(-0.55f, 0.75f, -0.55f), rotateBy(180, 0, 1, 0),
                              rotateBy(90, 1, 0, 0)});
    const int canBottom = addPlace(life, can, {translateBy(0, 0, 0.65f)});
    piece(Prop::PopCan, 0, canSide, TextureSlot::Pop, kMirrorS, can);
    piece(Prop::PopCan, 0, canCap, TextureSlot::Pop, kNoMirror, can, true);
    piece(Prop::PopCan, 0, canCap, TextureSlot::Pop, kNoMirror, canBottom, true);

    // The stand's axis points up from the table: a base with a disk under and over it, a post
    // from the base's top, then the globe's axis tilted beside the post.
    const int stand = addPlace(life, kView,
                               {translateBy(0.55f, 0.1f, -0.55f), rotateBy(-90, 1, 0, 0)});
    const int baseTop = addPlace(life, stand, {translateBy(0, 0, 0.1f)});
    const int tilt = addPlace(life, baseTop,
                              {translateBy(-0.2f, 0, 0.225f), rotateBy(22, 0, 1, 0)});
    const int meridian = addPlace(life, tilt,
                                  {translateBy(0, 0, 0.5f), rotateBy(90, 1, 0, 0),
                                   rotateBy(180, 0, 1, 0), rotateBy(180, 0, 0, 1)});
    const int sphereCentre = addPlace(life, tilt,
                                      {translateBy(0, 0, 0.5f), rotateBy(180, 1, 0, 0),
                                       {MoveKind::Spin, 0, 0, 1, 0}});
    piece(Prop::Stand, 0, standSide, TextureSlot::Stand, kMirrorT, stand);
    piece(Prop::Stand, 0, standDisk, TextureSlot::Stand, kMirrorT, stand);
    piece(Prop::Stand, 0, standDisk, TextureSlot::Stand, kMirrorT, baseTop);
    piece(Prop::Stand, 0, postSide, TextureSlot::Stand, kMirrorT, baseTop);
    piece(Prop::Stand, 0, halfRing, TextureSlot::Stand, kNoMirror, meridian);

    // The vase: 0.7 units high from the table top.
    const int vasePlace = addPlace(life, kView,
                                   {translateBy(-0.25f, 0.1f, 0.45f), {MoveKind::Scale, 0.7f, 0, 0, 0}});
    piece(Prop::Vase, 0, vase, TextureSlot::Vase, kMirrorS, vasePlace);

    // The sphere comes last, so that a frame drawn over a kept picture of the rest settles
    // every depth tie as the whole frame does: the earlier surface keeps it.
    piece(Prop::Globe, 0, globe, TextureSlot::Globe, kMirrorS, sphereCentre);
    return life;
}

}  // namespace

const StillLife& stillLife()
{
    static const StillLife life = buildStillLife();
    return life;
}

int textureIndexOf(const SceneState& state, TextureSlot slot)
{
    switch (slot) {
    case TextureSlot::Table: return state.tableTexture;
    case TextureSlot::Pop: return state.popTexture;
    case TextureSlot::Globe: return state.globeTexture;
    case TextureSlot::Vase: return state.vaseTexture;
    case TextureSlot::Stand: return state.standTexture;
    }
    return -1;
}

std::vector<int> placePath(const StillLife& life, int place)
{
    std::vector<int> path;
    for (int p = place; p != kView; p = life.places[p].parent)
        path.push_back(p);
    std::reverse(path.begin(), path.end());
    return path;
}

Mat4 moveMatrix(const Move& m, int globeAngle)
{
    switch (m.kind) {
    case MoveKind::Translate: return translate(m.x, m.y, m.z);
    case MoveKind::Rotate: return rotate(m.degrees, m.x, m.y, m.z);
    case MoveKind::Scale: return scale(m.x);
    case MoveKind::Spin: return rotate(static_cast<float>(globeAngle), m.x, m.y, m.z);
    }
    return identity();
}

Mat4 placeMatrix(const StillLife& life, int place, int globeAngle, const Mat4& from)
{
    Mat4 m = from;
    for (int p : placePath(life, place)) {
        for (const Move& move : life.places[p].moves)
            m = m * moveMatrix(move, globeAngle);
    }
    return m;
}

bool turnsWithGlobe(const StillLife& life, const Piece& piece)
{
    for (int p : placePath(life, piece.place)) {
        for (const Move& move : life.places[p].moves)
            if (move.kind == MoveKind::Spin)
                return true;
    }
    return false;
}
