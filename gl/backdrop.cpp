// The checkerboard behind a transparent background, in window pixels.
#include "gl/backdrop.h"

#include <GL/gl.h>

#include "core/scene_state.h"

namespace {

bool shown = false;

constexpr int kSquarePixels = 16;
const GLfloat kLight[3] = {1.0f, 1.0f, 1.0f};
const GLfloat kDark[3] = {0.84f, 0.84f, 0.84f};

}  // namespace

void showCheckerboard(bool on)
{
    shown = on;
}

bool checkerboardShown()
{
    return shown;
}

void drawBackdrop(const SceneState& state)
{
    if (!shown || !state.transparentBackground)
        return;
    GLint viewport[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_DEPTH_BUFFER_BIT | GL_TRANSFORM_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, viewport[2], 0, viewport[3], -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glBegin(GL_QUADS);
    for (int y = 0, row = 0; y < viewport[3]; y += kSquarePixels, ++row)
        for (int x = 0, column = 0; x < viewport[2]; x += kSquarePixels, ++column) {
            glColor3fv((row + column) % 2 ? kDark : kLight);
            glVertex2i(x, y);
            glVertex2i(x + kSquarePixels, y);
            glVertex2i(x + kSquarePixels, y + kSquarePixels);
            glVertex2i(x, y + kSquarePixels);
        }
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}
