// GL 1.1 drawing of the overlays: line lists from core/overlays, rebuilt when the vase changes.
#include "gl/overlays.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "core/mesh_line_builder.h"
#include "core/overlays.h"
#include "core/scene_state.h"
#include "core/still_life.h"
#include "gl/vase_batches.h"
#include "gl/vase_draw.h"

namespace {

MeshLineBuilder meshLines;
CachedLines<LineList> normalLines;

// The mesh lines of each cache slot in buffer objects, handed to GL once per rebuild: a large
// vase's lines are tens of MB that client arrays would copy every frame.
struct MeshLinesInGL {
    VaseSubmission sub;
    GLuint points[2] = {0, 0}, indices[2] = {0, 0};
    unsigned long serial[2] = {0, 0};  // of the lines they hold; 0: none
} meshBuffers;

void drawLines(const LineList& lines)
{
    if (lines.empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, lines.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(lines.size() / 3));
    glDisableClientState(GL_VERTEX_ARRAY);
}

// Binds slot's buffers holding `lines`, handing them to GL when they changed; false where GL
// has no buffer objects or no memory for them.
bool bindMeshLineBuffers(const MeshLines& lines, int slot, unsigned long serial)
{
    MeshLinesInGL& b = meshBuffers;
    decideSubmission(b.sub);
    if (b.sub.submission != Submission::BufferObject)
        return false;
    const BufferCalls& gl = b.sub.gl;
    if (b.points[slot] == 0) {
        gl.gen(1, &b.points[slot]);
        gl.gen(1, &b.indices[slot]);
    }
    gl.bind(GL_ARRAY_BUFFER, b.points[slot]);
    gl.bind(GL_ELEMENT_ARRAY_BUFFER, b.indices[slot]);
    if (b.serial[slot] != serial) {
        for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
        }
        gl.data(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(lines.points.size() * sizeof(float)),
                lines.points.data(), GL_STATIC_DRAW);
        gl.data(GL_ELEMENT_ARRAY_BUFFER,
                static_cast<GLsizeiptr>(lines.indices.size() * sizeof(unsigned)),
                lines.indices.data(), GL_STATIC_DRAW);
        b.serial[slot] = glGetError() == GL_NO_ERROR ? serial : 0;
    }
    if (b.serial[slot] == serial)
        return true;
    gl.bind(GL_ARRAY_BUFFER, 0);
    gl.bind(GL_ELEMENT_ARRAY_BUFFER, 0);
    return false;
}

void drawMeshLines(const CachedLines<MeshLines>& cache, int slot)
{
    if (slot < 0)
        return;  // being built: drawn once they are
    const MeshLines& lines = cache.lines[slot];
    if (lines.empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    const auto count = static_cast<GLsizei>(lines.indices.size());
    if (bindMeshLineBuffers(lines, slot, cache.serial[slot])) {
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glDrawElements(GL_LINES, count, GL_UNSIGNED_INT, nullptr);
        meshBuffers.sub.gl.bind(GL_ARRAY_BUFFER, 0);
        meshBuffers.sub.gl.bind(GL_ELEMENT_ARRAY_BUFFER, 0);
    } else {
        glVertexPointer(3, GL_FLOAT, 0, lines.points.data());
        glDrawElements(GL_LINES, count, GL_UNSIGNED_INT, lines.indices.data());
    }
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
void drawInvertingLines(const CachedLines<MeshLines>& cache, int slot)
{
    glEnable(GL_COLOR_LOGIC_OP);
    glLogicOp(GL_XOR);
    glColor3ub(128, 128, 128);
    drawMeshLines(cache, slot);
    glDisable(GL_COLOR_LOGIC_OP);
}

}  // namespace

void beginVaseSurfaceOffset(const SceneState& state)
{
    if (!state.showMesh)
        return;
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
}

void endVaseSurfaceOffset(const SceneState& state)
{
    if (state.showMesh)
        glDisable(GL_POLYGON_OFFSET_FILL);
}

void drawLightOverlay(const SceneState& state)
{
    if (!state.showLight)
        return;
    LineList marker;
    buildLightMarker(state.lightPosition, marker);
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

void drawVaseOverlays(const SceneState& state)
{
    if (!state.showMesh && !state.showNormals)
        return;
    const VaseSettings s = lastVaseSettings();
    beginLines();
    glPushMatrix();
    glMultMatrixf(vasePlaceMatrix(state).m);
    if (state.showMesh)
        drawInvertingLines(meshLines.cache, meshLinesFor(meshLines, s, vaseExactNow()));
    if (state.showNormals) {
        glColor3fv(kNormalLineColour);
        drawLines(normalLines.lines[cachedLines(normalLines, s, buildVaseNormalLines)]);
    }
    glPopMatrix();
    endLines();
}

unsigned long overlayAppearance(const SceneState& state)
{
    // A picture waits for its lines here, before the kept picture is judged: one kept while
    // they were being built lacks them.
    if (state.showMesh && vaseExactNow())
        meshLinesFor(meshLines, vaseSettingsOf(state, state.cylindricalProjection), true);
    adoptMeshLines(meshLines);
    return state.showMesh ? meshLines.adopted : 0;
}

bool overlayLinesBuilding()
{
    return meshLinesBuilding(meshLines);
}

bool overlayLinesReady()
{
    return meshLinesReady(meshLines);
}

void prepareOverlays(const SceneState& state)
{
    // A picture waits for its lines: they are built beside the vase rather than after it.
    if (state.showMesh && vaseExactNow())
        meshLinesFor(meshLines, vaseSettingsOf(state, state.cylindricalProjection), false);
}
