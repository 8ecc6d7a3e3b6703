// Entry point of the Tolvane still-life viewer.
#include <GL/freeglut.h>

#include <cstdio>
#include <string>

#include "app/handlers.h"
#include "app/scene_state.h"
#include "app/startup.h"
#include "panel/panel.h"
#include "scene/frame.h"

int main(int argc, char** argv)
{
    // Progress lines must reach a pipe as they happen, not when the buffer fills.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // GLUT removes its own options first; only then is the list file argument looked at.
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGB);
    glutInitWindowSize(500, 500);
    scene.mainWindow = glutCreateWindow("Brenwick's Tolvane");

    glutReshapeFunc(reshapeWindow);
    glutDisplayFunc(displayFrame);
    glutMouseFunc(mousePress);
    glutMotionFunc(mouseDrag);
    glutKeyboardFunc(keyPress);

    initGraphicsState();

    const std::string listFile = argc > 1 ? argv[1] : "textureList.txt";
    loadTextureSet(listFile);

    buildControlPanel(static_cast<int>(scene.textures.size()));
    setPanelIdleFunc(idleTick);

    glutMainLoop();
    return 0;
}
