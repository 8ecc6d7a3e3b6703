// Planar shadows on the table top through the depth buffer alone.
#include "gl/shadows.h"

#include <GL/gl.h>

#include "core/scene_state.h"
#include "core/shadow.h"
#include "core/still_life.h"

namespace {

// The top face among the box's faces (the one whose corners all lie at y = 0.1).
const int* topFace()
{
    for (const int* face : kTableFaces) {
        bool top = true;
        for (int k = 0; k < 4; ++k)
            top = top && kTableCorners[face[k]][1] > 0.0f;
        if (top)
            return face;
    }
    return kTableFaces[0];
}

// The face as the frame draws it (one polygon, the same corners in the same order), so its
// depth is the same to the bit.
void drawTopFace()
{
    const int* f = topFace();
    glBegin(GL_POLYGON);
    for (int k = 0; k < 4; ++k)
        glVertex3fv(kTableCorners[f[k]]);
    glEnd();
}

}  // namespace

void drawTableShadows(const SceneState& state, const std::function<void()>& drawCasters)
{
    if (!state.shadows)
        return;
    const TableShadow shadow = buildTableShadow(state);
    if (!shadow.falls)
        return;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_POLYGON_BIT |
                 GL_CURRENT_BIT | GL_TRANSFORM_BIT | GL_LIGHTING_BIT);
    // Colour tracking would take the shadow's black into the props' material.
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);

    // 1. Stamp: the flattened props write depth a little in front of the face, inside its
    // edges (clip planes in the view frame: |x| <= 1, |z| <= 1), where the face shows.
    const GLdouble edges[4][4] = {{1, 0, 0, 1}, {-1, 0, 0, 1}, {0, 0, 1, 1}, {0, 0, -1, 1}};
    for (int i = 0; i < 4; ++i) {
        glClipPlane(GL_CLIP_PLANE0 + i, edges[i]);
        glEnable(GL_CLIP_PLANE0 + i);
    }
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-2.0f, -16.0f);
    glPushMatrix();
    glMultMatrixf(shadow.flatten.m);
    drawCasters();
    glPopMatrix();
    for (int i = 0; i < 4; ++i)
        glDisable(GL_CLIP_PLANE0 + i);

    // 2. Darken: the face, offset half as far, passes only behind a stamp; each pixel once,
    // however many shadows overlap there. Alpha is left as drawn.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_GREATER);
    glPolygonOffset(-1.0f, -8.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, kShadowDarkening);
    drawTopFace();
    glDisable(GL_BLEND);

    // 3. The face's own depth again, so the props meet the table as they do without shadows.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_ALWAYS);
    glDisable(GL_POLYGON_OFFSET_FILL);
    drawTopFace();
    glPopAttrib();
}
