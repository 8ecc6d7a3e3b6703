// GL 1.1 drawing of the overlays: line lists from core/overlays, rebuilt when the vase changes.
#include "gl/overlays.h"

#include <GL/gl.h>

#include "core/overlays.h"
#include "core/scene_state.h"
#include "core/still_life.h"

namespace {

CachedLines meshLines;
CachedLines normalLines;

void drawLines(const LineList& lines)
{
    if (lines.empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, lines.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(lines.size() / 3));
    glDisableClientState(GL_VERTEX_ARRAY);
}

// Plain lines: no lighting, texture or colour material (which would carry the lines' colour
// into the material of what follows); state restored by endLines.
void beginLines()
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
}

void endLines()
{
    glPopAttrib();
}

// XOR with the top bit of each channel moves any colour half the range away from itself,
// so the line reads on every texture.
void drawInvertingLines(const LineList& lines)
{
    glEnable(GL_COLOR_LOGIC_OP);
    glLogicOp(GL_XOR);
    glColor3ub(128, 128, 128);
    drawLines(lines);
    glDisable(GL_COLOR_LOGIC_OP);
}

}  // namespace

void beginVaseSurfaceOffset()
{
    if (!scene.showMesh)
        return;
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
}

void endVaseSurfaceOffset()
{
    if (scene.showMesh)
        glDisable(GL_POLYGON_OFFSET_FILL);
}

void drawLightOverlay()
{
    if (!scene.showLight)
        return;
    LineList marker;
    buildLightMarker(scene.lightPosition, marker);
    beginLines();
    glDisable(GL_DEPTH_TEST);
    glPushMatrix();
    const Camera& c = kCamera;
    glLoadMatrixf(lookAt(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1], c.centre[2],
                         c.up[0], c.up[1], c.up[2])
                      .m);
    glLineWidth(2.0f);
    glColor3fv(kLightMarkerColour);
    drawLines(marker);
    glPopMatrix();
    endLines();
}

void drawVaseOverlays()
{
    if (!scene.showMesh && !scene.showNormals)
        return;
    const VaseSettings s = vaseSettingsOfScene(scene);
    beginLines();
    glPushMatrix();
    glMultMatrixf(vasePlaceMatrix(scene).m);
    if (scene.showMesh)
        drawInvertingLines(cachedLines(meshLines, s, buildVaseMeshLines));
    if (scene.showNormals) {
        glColor3fv(kNormalLineColour);
        drawLines(cachedLines(normalLines, s, buildVaseNormalLines));
    }
    glPopMatrix();
    endLines();
}
