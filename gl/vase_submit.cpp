// The vase's quads handed to GL without a store: per quad with glBegin/glEnd (the reference
// path, and the fallback where no memory can be had) or in one client-array draw.
#include "gl/vase_submit.h"

#include <GL/gl.h>

#include <cmath>

namespace {

// Texture v at height y of the band whose lower edge is y0; the upper edge is y0 + e.
float textureV(const VaseSettings& s, float y0, float y, float e, bool upper)
{
    if (s.cylindrical)
        return upper ? 1 - y0 - e : 1 - y0;
    return static_cast<float>(std::acos(static_cast<double>(2 * y - 1)) * 0.31831015504887655);
}

float normalY(const VaseSettings& s, float y)
{
    return s.radialNormals ? 0.0f : static_cast<float>(y - 0.5);
}

void disableVertexArrays()
{
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace

void drawVaseMesh(const std::vector<VaseVertex>& mesh)
{
    if (mesh.empty())
        return;
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, mesh.data());
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(mesh.size()));
    disableVertexArrays();
}

// A literal transcription of the per-frame design: every attribute is computed where it is
// issued, in the precision that buildVaseMesh reproduces.
void drawVaseImmediate(const VaseSettings& s)
{
    const float vf = static_cast<float>(s.verticalSteps);
    const float rf = static_cast<float>(s.radialSteps);
    if (!(vf > 0))
        return;
    const float e = 1 / vf;
    for (int i = 0; i < s.verticalSteps; ++i) {
        const float y0 = static_cast<float>(i) / vf;
        const float y1 = y0 + e;
        const float r0 = vaseRadius(y0, s.crazy);
        const float r1 = vaseRadius(y1, s.crazy);
        for (int j = 0; rf > 0 && j < s.radialSteps; ++j) {
            // theta0 is rounded to single precision; theta1 is not.
            const double theta0 = static_cast<float>(static_cast<float>(j) / rf * 6.283185);
            const double theta1 = theta0 + 6.283185 / rf;
            const double u0 = theta0 * 0.15915495087284556;
            const double u1 = theta1 * 0.15915495087284556;
            glBegin(GL_QUADS);
            glTexCoord2f(u0, textureV(s, y0, y0, e, false));
            glNormal3f(r0 * std::cos(theta0), normalY(s, y0), r0 * std::sin(theta0));
            glVertex3f(r0 * std::cos(theta0), y0, r0 * std::sin(theta0));
            glTexCoord2f(u0, textureV(s, y0, y1, e, true));
            glNormal3f(r0 * std::cos(theta0), normalY(s, y1), r0 * std::sin(theta0));
            glVertex3f(r0 * std::cos(theta0), y1, r0 * std::sin(theta0));
            glTexCoord2f(u1, textureV(s, y0, y1, e, true));
            glNormal3f(r0 * std::cos(theta1), normalY(s, y1), r0 * std::sin(theta1));
            glVertex3f(r0 * std::cos(theta1), y1, r0 * std::sin(theta1));
            glTexCoord2f(u1, textureV(s, y0, y0, e, false));
            glNormal3f(r0 * std::cos(theta1), normalY(s, y0), r0 * std::sin(theta1));
            glVertex3f(r0 * std::cos(theta1), y0, r0 * std::sin(theta1));
            glEnd();
            if (y0 < 1 - e && s.fillSteps) {
                glBegin(GL_QUADS);
                glTexCoord2f(u0, textureV(s, y0, y1, e, true));
                glNormal3f(r0 * std::cos(theta0), normalY(s, y1), r0 * std::sin(theta0));
                glVertex3f(r0 * std::cos(theta0), y1, r0 * std::sin(theta0));
                glNormal3f(r1 * std::cos(theta0), normalY(s, y1), r1 * std::sin(theta0));
                glVertex3f(r1 * std::cos(theta0), y1, r1 * std::sin(theta0));
                glTexCoord2f(u1, textureV(s, y0, y1, e, true));
                glNormal3f(r1 * std::cos(theta1), normalY(s, y1), r1 * std::sin(theta1));
                glVertex3f(r1 * std::cos(theta1), y1, r1 * std::sin(theta1));
                glNormal3f(r0 * std::cos(theta1), normalY(s, y1), r0 * std::sin(theta1));
                glVertex3f(r0 * std::cos(theta1), y1, r0 * std::sin(theta1));
                glEnd();
            }
        }
    }
}

