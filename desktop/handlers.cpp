// GLUT callbacks of the scene window other than drawing: reshape, mouse, keys and idle.
#include "desktop/handlers.h"

#include <GL/freeglut.h>

#include "core/scene_state.h"
#include "gl/startup.h"
#include "core/view_math.h"

void reshapeWindow(int width, int height)
{
    const Viewport v = squareViewport(width, height);
    glViewport(v.x, v.y, v.width, v.height);
}

void mousePress(int button, int state, int x, int y)
{
    recordPress(scene, button == GLUT_LEFT_BUTTON, state == GLUT_DOWN, x, y);
}

void mouseDrag(int x, int y)
{
    applyDrag(scene, x, y);
    setProjection(scene.zoom);
    glutPostRedisplay();
}

void keyPress(unsigned char key, int, int)
{
    applyKey(scene, key);
    glutPostRedisplay();
}

void idleTick()
{
    advanceAnimation(scene);
    // The panel may have left its own window current.
    if (glutGetWindow() != scene.mainWindow)
        glutSetWindow(scene.mainWindow);
    glutPostRedisplay();
}
