// One frame of the still life: camera, light, view rotation, then the pieces the core lists.
#include "gl/frame.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <vector>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "core/scene_state.h"
#include "core/still_life.h"
#include "gl/overlays.h"
#include "gl/vase_draw.h"

namespace {

// Grey that the can's caps leave as the current colour; every frame starts from it so
// that the first frame looks like all the others.
const GLfloat kMaterialGrey[3] = {0.5f, 0.5f, 0.5f};

// Quadrics live for the whole process; shapes without texture coordinates use the plain one.
GLUquadric* texturedQuadric = nullptr;
GLUquadric* plainQuadric = nullptr;

// Each GLU shape is compiled into a display list, recompiled when objectSlices or
// objectStacks change; shapes of a fixed tessellation are compiled once.
struct ShapeLists {
    std::vector<GLuint> lists;  // by shape index; 0 for shapes drawn otherwise
    int slices = -1;
    int stacks = -1;
};
ShapeLists shapeLists;

unsigned long frameCount = 0;

void ensureQuadrics()
{
    if (texturedQuadric)
        return;
    texturedQuadric = gluNewQuadric();
    gluQuadricTexture(texturedQuadric, GL_TRUE);
    plainQuadric = gluNewQuadric();
    gluQuadricTexture(plainQuadric, GL_FALSE);
}

bool isQuadric(const Shape& shape)
{
    return shape.kind != ShapeKind::TableTop && shape.kind != ShapeKind::Vase;
}

void drawQuadric(const Shape& shape, int slices, int stacks)
{
    GLUquadric* q = shape.textureCoordinates ? texturedQuadric : plainQuadric;
    if (shape.fixedSlices > 0) {
        slices = shape.fixedSlices;
        stacks = shape.fixedStacks;
    }
    switch (shape.kind) {
    case ShapeKind::Cylinder: gluCylinder(q, shape.r0, shape.r1, shape.height, slices, stacks); break;
    case ShapeKind::Disk: gluDisk(q, shape.r0, shape.r1, slices, stacks); break;
    case ShapeKind::PartialDisk:
        gluPartialDisk(q, shape.r0, shape.r1, slices, stacks, shape.startAngle, shape.sweepAngle);
        break;
    case ShapeKind::Sphere: gluSphere(q, shape.r0, slices, stacks); break;
    default: break;
    }
}

// (Re)compiles the shapes' lists in the current context when the tessellation changed.
void ensureShapeLists(const SceneState& state)
{
    ensureQuadrics();
    const int slices = state.objectSlices;
    const int stacks = state.objectStacks;
    const bool retessellate = slices != shapeLists.slices || stacks != shapeLists.stacks;
    const std::vector<Shape>& shapes = stillLife().shapes;
    shapeLists.lists.resize(shapes.size(), 0);
    for (size_t i = 0; i < shapes.size(); ++i) {
        GLuint& list = shapeLists.lists[i];
        if (!isQuadric(shapes[i]) || (list != 0 && (!retessellate || shapes[i].fixedSlices > 0)))
            continue;
        if (list == 0)
            list = glGenLists(1);
        glNewList(list, GL_COMPILE);
        drawQuadric(shapes[i], slices, stacks);
        glEndList();
    }
    shapeLists.slices = slices;
    shapeLists.stacks = stacks;
}

void bindTexture(const SceneState& state, int index)
{
    // An index outside the set binds the default object, which has no image: untextured.
    glBindTexture(GL_TEXTURE_2D, textureAt(state, index));
}

void applyMoves(const SceneState& state, const Place& place)
{
    for (const Move& m : place.moves) {
        switch (m.kind) {
        case MoveKind::Translate: glTranslatef(m.x, m.y, m.z); break;
        case MoveKind::Rotate: glRotatef(m.degrees, m.x, m.y, m.z); break;
        case MoveKind::Scale: glScalef(m.x, m.x, m.x); break;
        case MoveKind::Spin: glRotatef(static_cast<GLfloat>(state.globeAngle), m.x, m.y, m.z); break;
        }
    }
}

void drawShape(const SceneState& state, int shape)
{
    const Shape& s = stillLife().shapes[shape];
    if (s.kind == ShapeKind::TableTop)
        drawTableTop();
    else if (s.kind == ShapeKind::Vase) {
        beginVaseSurfaceOffset(state);
        drawVase(state);
        endVaseSurfaceOffset(state);
    }
    else
        glCallList(shapeLists.lists[shape]);
}

// Draws the selected pieces in the still life's order, from `origin` as the current frame
// (a place every selected piece lies under). Each place entered is pushed and its moves
// applied; pieces sharing places share them. A piece's texture is bound and its mirror set
// when they differ from the previous piece's; the matrix and the mirror end as they began.
template <class Select>
void drawPieces(const SceneState& state, Select select, int origin = kView)
{
    const StillLife& life = stillLife();
    ensureShapeLists(state);
    const size_t originDepth = placePath(life, origin).size();
    std::vector<int> entered;
    int boundSlot = -1;
    TextureMirror mirror;
    for (const Piece& piece : life.pieces) {
        if (!select(piece))
            continue;
        const std::vector<int> path = placePath(life, piece.place);
        size_t common = 0;
        while (common < entered.size() && common + originDepth < path.size() &&
               entered[common] == path[common + originDepth])
            ++common;
        for (; entered.size() > common; entered.pop_back())
            glPopMatrix();
        for (size_t i = common + originDepth; i < path.size(); ++i) {
            glPushMatrix();
            applyMoves(state, life.places[path[i]]);
            entered.push_back(path[i]);
        }
        if (static_cast<int>(piece.texture) != boundSlot) {
            bindTexture(state, textureIndexOf(state, piece.texture));
            boundSlot = static_cast<int>(piece.texture);
        }
        if (piece.mirror != mirror) {
            mirrorTexture(piece.mirror.s, piece.mirror.t);
            mirror = piece.mirror;
        }
        if (piece.grey)
            glColor3fv(kMaterialGrey);
        drawShape(state, piece.shape);
    }
    for (; !entered.empty(); entered.pop_back())
        glPopMatrix();
    if (mirror != TextureMirror{})
        mirrorTexture(false, false);
}

}  // namespace

void mirrorTexture(bool s, bool t)
{
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    if (s || t)
        glScalef(s ? -1.0f : 1.0f, t ? -1.0f : 1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
}

void keepRendererHeap()
{
#if defined(__GLIBC__)
    // glibc trims the top of the heap once 128 KiB of it is free (or twice the largest freed
    // mmap chunk, up to 64 MiB, which makes it differ between starts). A fixed threshold
    // above what the renderer frees in one frame keeps that memory for the next frame; it
    // also fixes the mmap threshold at its 128 KiB default.
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
}

unsigned long framesDrawn()
{
    return frameCount;
}

void drawTableFace(int a, int b, int c, int d)
{
    const int corners[4] = {a, b, c, d};
    glBegin(GL_POLYGON);
    for (int k = 0; k < 4; ++k) {
        glTexCoord2fv(kTableFaceTexCoords[k]);
        // The corner's own position as its normal shades the box like a rounded body.
        glNormal3fv(kTableCorners[corners[k]]);
        glVertex3fv(kTableCorners[corners[k]]);
    }
    glEnd();
}

void drawTableTop()
{
    for (const int* face : kTableFaces)
        drawTableFace(face[0], face[1], face[2], face[3]);
}

void drawFrameParts(const SceneState& state, FrameParts parts)
{
    if (frameCount == 0)
        keepRendererHeap();
    if (parts != FrameParts::GlobeOnly)
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3fv(kMaterialGrey);

    glLoadIdentity();
    const Camera& c = kCamera;
    gluLookAt(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1], c.centre[2], c.up[0],
              c.up[1], c.up[2]);
    // Set after the camera and before the rotation: the light stays fixed to the camera.
    glLightfv(GL_LIGHT0, GL_POSITION, state.lightPosition);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, state.lightDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, state.lightSpecular);

    glRotatef(state.rotation[0], 1.0f, 0.0f, 0.0f);
    glRotatef(state.rotation[1], 0.0f, 1.0f, 0.0f);
    glRotatef(state.rotation[2], 0.0f, 0.0f, 1.0f);

    // The sphere comes last in every frame, so a frame drawn over a kept picture of the rest
    // settles every depth tie as the whole frame does. Nothing drawn before it changes the
    // current colour or the light.
    const StillLife& life = stillLife();
    if (parts != FrameParts::GlobeOnly)
        prepareOverlays(state);
    drawPieces(state, [&](const Piece& p) {
        return parts == FrameParts::All || turnsWithGlobe(life, p) == (parts == FrameParts::GlobeOnly);
    });
    if (parts != FrameParts::GlobeOnly)
        drawVaseOverlays(state);
    // Over everything, in both parts of a kept frame, so the sphere never covers it.
    drawLightOverlay(state);
    if (parts != FrameParts::AllButGlobe)
        ++frameCount;
}

void drawFrame(const SceneState& state)
{
    drawFrameParts(state, FrameParts::All);
}
