// One frame of the still life: camera, light, view rotation, the props and the vase.
#include "gl/frame.h"

#include <GL/gl.h>
#include <GL/glu.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "core/scene_state.h"
#include "gl/vase_draw.h"

namespace {

// Table-top box corners; the box spans y -0.1..0.1, so props stand at y = 0.1.
const GLfloat kTableCorners[8][3] = {
    {-1.0f, -0.1f, -1.0f}, {1.0f, -0.1f, -1.0f}, {1.0f, 0.1f, -1.0f}, {-1.0f, 0.1f, -1.0f},
    {-1.0f, -0.1f, 1.0f},  {1.0f, -0.1f, 1.0f},  {1.0f, 0.1f, 1.0f},  {-1.0f, 0.1f, 1.0f},
};

const GLfloat kLegOffsets[4][3] = {
    {-0.5f, -0.1f, -0.5f},
    {-0.5f, -0.1f, 0.5f},
    {0.5f, -0.1f, -0.5f},
    {0.5f, -0.1f, 0.5f},
};

// Grey that the can's caps leave as the current colour; every frame starts from it so
// that the first frame looks like all the others.
const GLfloat kMaterialGrey[3] = {0.5f, 0.5f, 0.5f};

// Quadrics live for the whole process; only the caps' one generates no texture coordinates.
GLUquadric* texturedQuadric = nullptr;
GLUquadric* plainQuadric = nullptr;

// Prop geometry depends only on the tessellation, so it is compiled into display lists
// and recompiled when objectSlices or objectStacks change. The half-ring never changes.
struct PropLists {
    GLuint leg = 0;
    GLuint can = 0;
    GLuint standBase = 0;
    GLuint halfRing = 0;
    GLuint globe = 0;
    int slices = -1;
    int stacks = -1;
};
PropLists props;

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

// The meridian half-ring keeps its own fine tessellation whatever the panel says.
void drawHalfRing(int slices, int loops)
{
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, 0.5f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
    glRotatef(180.0f, 0.0f, 0.0f, 1.0f);
    gluPartialDisk(texturedQuadric, 0.45, 0.5, slices, loops, 0.0, 180.0);
    glPopMatrix();
}

// Stand base with its two disks, then the post; leaves the matrix 0.1 up the post's axis.
// Their axis points up: t is mirrored.
void drawStandBase(int slices, int stacks)
{
    mirrorTexture(false, true);
    gluCylinder(texturedQuadric, 0.3, 0.3, 0.1, slices, stacks);
    gluDisk(texturedQuadric, 0.0, 0.3, slices, stacks);
    glTranslatef(0.0f, 0.0f, 0.1f);
    gluDisk(texturedQuadric, 0.0, 0.3, slices, stacks);
    gluCylinder(texturedQuadric, 0.05, 0.05, 0.2, slices, stacks);
    mirrorTexture(false, false);
}

// The leg's axis points down: s is mirrored, for its foot's disk too.
void drawLegGeometry(int slices, int stacks)
{
    glPushMatrix();
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    mirrorTexture(true, false);
    gluCylinder(texturedQuadric, 0.1, 0.1, 1.5, slices, stacks);
    glTranslatef(0.0f, 0.0f, 1.5f);
    gluDisk(texturedQuadric, 0.0, 0.1, slices, stacks);
    mirrorTexture(false, false);
    glPopMatrix();
}

void drawPopCanGeometry(int slices, int stacks)
{
    glPushMatrix();
    glTranslatef(-0.55f, 0.75f, -0.55f);
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    mirrorTexture(true, false);
    gluCylinder(texturedQuadric, 0.2, 0.2, 0.65, slices, stacks);
    mirrorTexture(false, false);
    glColor3fv(kMaterialGrey);
    gluDisk(plainQuadric, 0.0, 0.2, slices, stacks);
    glTranslatef(0.0f, 0.0f, 0.65f);
    gluDisk(plainQuadric, 0.0, 0.2, slices, stacks);
    glPopMatrix();
}

// The globe's axis points down.
void drawGlobeSphere(int slices, int stacks)
{
    mirrorTexture(true, false);
    gluSphere(texturedQuadric, 0.45, slices, stacks);
    mirrorTexture(false, false);
}

GLuint compileList(GLuint list, void (*draw)(int, int), int slices, int stacks)
{
    if (list == 0)
        list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    draw(slices, stacks);
    glEndList();
    return list;
}

// (Re)compiles the prop lists in the current context when the tessellation changed.
void ensurePropLists()
{
    ensureQuadrics();
    if (props.halfRing == 0)
        props.halfRing = compileList(0, drawHalfRing, 100, 100);
    const int slices = scene.objectSlices;
    const int stacks = scene.objectStacks;
    if (slices == props.slices && stacks == props.stacks)
        return;
    props.leg = compileList(props.leg, drawLegGeometry, slices, stacks);
    props.can = compileList(props.can, drawPopCanGeometry, slices, stacks);
    props.standBase = compileList(props.standBase, drawStandBase, slices, stacks);
    props.globe = compileList(props.globe, drawGlobeSphere, slices, stacks);
    props.slices = slices;
    props.stacks = stacks;
}

void bindTexture(int index)
{
    // An index outside the set binds the default object, which has no image: untextured.
    glBindTexture(GL_TEXTURE_2D, textureAt(scene, index));
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
    static const GLfloat texCoords[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    const int corners[4] = {a, b, c, d};
    glBegin(GL_POLYGON);
    for (int k = 0; k < 4; ++k) {
        glTexCoord2fv(texCoords[k]);
        // The corner's own position as its normal shades the box like a rounded body.
        glNormal3fv(kTableCorners[corners[k]]);
        glVertex3fv(kTableCorners[corners[k]]);
    }
    glEnd();
}

void drawTableTop()
{
    drawTableFace(0, 3, 2, 1);
    drawTableFace(2, 3, 7, 6);
    drawTableFace(0, 1, 5, 4);
    drawTableFace(0, 4, 7, 3);
    drawTableFace(1, 2, 6, 5);
    drawTableFace(4, 5, 6, 7);
}

void drawLeg()
{
    ensurePropLists();
    glCallList(props.leg);
}

void drawPopCan()
{
    ensurePropLists();
    glCallList(props.can);
}

// From the view's origin to the foot of the globe's stand.
void moveToGlobeStand()
{
    glTranslatef(0.55f, 0.1f, -0.55f);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
}

// From the foot of the stand (after the base's 0.1 lift) to the globe's tilted axis.
void tiltToGlobeAxis()
{
    glTranslatef(-0.2f, 0.0f, 0.225f);
    glRotatef(22.0f, 0.0f, 1.0f, 0.0f);
}

void drawGlobeStand()
{
    ensurePropLists();
    glPushMatrix();
    moveToGlobeStand();
    glCallList(props.standBase);
    tiltToGlobeAxis();
    glCallList(props.halfRing);
    glPopMatrix();
}

void drawGlobe()
{
    ensurePropLists();
    glPushMatrix();
    moveToGlobeStand();
    // The stand base's list ends with this lift; the same call gives the same matrix.
    glTranslatef(0.0f, 0.0f, 0.1f);
    tiltToGlobeAxis();
    bindTexture(scene.globeTexture);
    glTranslatef(0.0f, 0.0f, 0.5f);
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(static_cast<GLfloat>(scene.globeAngle), 0.0f, 0.0f, 1.0f);
    glCallList(props.globe);
    glPopMatrix();
}

void drawGlobeAndStand()
{
    drawGlobeStand();
    drawGlobe();
}

void drawFrameParts(FrameParts parts)
{
    if (frameCount == 0)
        keepRendererHeap();
    if (parts != FrameParts::GlobeOnly)
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3fv(kMaterialGrey);

    glLoadIdentity();
    gluLookAt(-1.0, 1.0, -1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    // Set after the camera and before the rotation: the light stays fixed to the camera.
    glLightfv(GL_LIGHT0, GL_POSITION, scene.lightPosition);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, scene.lightDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, scene.lightSpecular);

    glRotatef(scene.rotation[0], 1.0f, 0.0f, 0.0f);
    glRotatef(scene.rotation[1], 0.0f, 1.0f, 0.0f);
    glRotatef(scene.rotation[2], 0.0f, 0.0f, 1.0f);

    if (parts != FrameParts::GlobeOnly) {
        bindTexture(scene.tableTexture);
        drawTableTop();
        for (const GLfloat* offset : kLegOffsets) {
            glPushMatrix();
            glTranslatef(offset[0], offset[1], offset[2]);
            drawLeg();
            glPopMatrix();
        }

        bindTexture(scene.popTexture);
        drawPopCan();

        bindTexture(scene.standTexture);
        drawGlobeStand();

        glPushMatrix();
        glTranslatef(-0.25f, 0.1f, 0.45f);
        drawVase(scene.cylindricalProjection);
        glPopMatrix();
    }
    // The sphere comes last in every frame, so that a frame drawn over a kept picture of the
    // rest settles every depth tie as the whole frame does: the earlier surface keeps it.
    // Nothing drawn before it changes the current colour or the light.
    if (parts != FrameParts::AllButGlobe) {
        drawGlobe();
        ++frameCount;
    }
}

void drawFrame()
{
    drawFrameParts(FrameParts::All);
}
