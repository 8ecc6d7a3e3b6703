// The still life as data: every piece a frame draws, in drawing order, with its shape, the
// texture it shows, how that image is mirrored and where the piece stands. No GL.
#pragma once

#include <vector>

#include "core/mat4.h"

struct SceneState;

// World coordinates: y up, one unit is half the table's width. Angles are in degrees.

// The shapes: GLU's quadrics as GLU draws them along their local +z, the table-top box and the
// vase (its local y from 0 at the foot to 1 at the rim).
enum class ShapeKind { TableTop, Cylinder, Disk, PartialDisk, Sphere, Vase };

struct Shape {
    ShapeKind kind = ShapeKind::TableTop;
    // Cylinder: base and top radius; disks: inner and outer radius; sphere: radius (in r0).
    double r0 = 0.0, r1 = 0.0;
    double height = 0.0;                        // cylinder, along local +z
    double startAngle = 0.0, sweepAngle = 0.0;  // partial disk, from +y towards +x
    // 0: slices and stacks (loops for disks) follow objectSlices and objectStacks; else this
    // fixed tessellation whatever the panel says.
    int fixedSlices = 0, fixedStacks = 0;
    // The quadric generates texture coordinates; without them the shape keeps the current ones.
    bool textureCoordinates = true;
};

// Which of the scene's texture indices a piece shows.
enum class TextureSlot { Table, Pop, Globe, Vase, Stand };
int textureIndexOf(const SceneState& state, TextureSlot slot);

// The texture matrix's mirror of s and of t, so that each image reads as in an image viewer.
struct TextureMirror {
    bool s = false, t = false;
    bool operator==(const TextureMirror& o) const { return s == o.s && t == o.t; }
    bool operator!=(const TextureMirror& o) const { return !(*this == o); }
};

// One matrix operation, applied to the right of the current matrix as GL's calls apply it.
// Spin turns by the scene's globeAngle about (x, y, z).
enum class MoveKind { Translate, Rotate, Scale, Spin };
struct Move {
    MoveKind kind = MoveKind::Translate;
    float x = 0, y = 0, z = 0;  // offset, axis, or (Scale) the factor in x
    float degrees = 0;          // Rotate
};

// A frame of reference: its parent's frame followed by its moves. Parent kView is the world as
// the view rotation leaves it.
constexpr int kView = -1;
struct Place {
    int parent = kView;  // always a place listed before this one
    std::vector<Move> moves;
};

// The props the pieces belong to, for drawing one prop alone and for naming pieces.
enum class Prop { TableTop, Leg, PopCan, Stand, Globe, Vase };

struct Piece {
    Prop prop = Prop::TableTop;
    int instance = 0;  // which of the prop's copies (the legs 0..3)
    int shape = 0;     // index into StillLife::shapes; pieces with one shape share its mesh
    TextureSlot texture = TextureSlot::Table;
    TextureMirror mirror;
    int place = kView;  // index into StillLife::places
    // Sets the current colour to grey just before it (it then stays grey for what follows).
    bool grey = false;
};

struct StillLife {
    std::vector<Shape> shapes;
    std::vector<Place> places;
    std::vector<Piece> pieces;  // in drawing order
};

// The one still life, built on first use.
const StillLife& stillLife();

// The camera: a look-at from `eye` towards `centre` with `up`, before the view rotation.
struct Camera {
    float eye[3], centre[3], up[3];
};
extern const Camera kCamera;

// The table-top box: its eight corners, its six faces as corner indices in drawing order, and
// the texture coordinates of a face's four corners in that order. The corner's position
// doubles as its normal.
extern const float kTableCorners[8][3];
extern const int kTableFaces[6][4];
extern const float kTableFaceTexCoords[4][2];

// Places from the view (outermost first) down to `place`; empty for kView.
std::vector<int> placePath(const StillLife& life, int place);

// `from` times the moves from the view down to `place`, one at a time as GL's calls multiply
// them, with `globeAngle` for a spin.
Mat4 placeMatrix(const StillLife& life, int place, int globeAngle, const Mat4& from = identity());
Mat4 moveMatrix(const Move& move, int globeAngle);

// Whether the piece's place turns with the globe's angle (drawn over a kept picture of the rest).
bool turnsWithGlobe(const StillLife& life, const Piece& piece);
