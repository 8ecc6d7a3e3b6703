// Entry point of the Tolvane still-life viewer.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "desktop/frame_pacing.h"
#include "desktop/handlers.h"
#include "core/options.h"
#include "core/scene_file.h"
#include "desktop/render.h"
#include "desktop/turntable.h"
#include "desktop/turntable_panel.h"
#include "core/export/video_scene.h"
#include "desktop/save.h"
#include "desktop/scene_history.h"
#include "desktop/scene.h"
#include "gl/startup.h"
#include "desktop/gl_lookup.h"
#include "desktop/terminal.h"
#include "core/texture_list.h"
#include "desktop/panel/panel.h"
#include "desktop/window_class.h"
#include "desktop/window_pbuffer.h"
#include "desktop/window_present.h"
#include "desktop/windows.h"
#include "gl/frame.h"
#include "core/export/numbered_file.h"

namespace {

// Sets GLUT's display mode with the most samples, up to `requested`, that the display offers
// (freeglut aborts when a window's mode cannot be met, so each is checked first); returns them.
int chooseWindowSamples(int requested)
{
    for (int n = requested; n > 0; n /= 2) {
        glutSetOption(GLUT_MULTISAMPLE, n);
        glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGB | GLUT_MULTISAMPLE);
        if (glutGet(GLUT_DISPLAY_MODE_POSSIBLE))
            return n;
    }
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGB);
    return 0;
}

// Assigns the --set values, and a --scene's settings where it was given among them, before
// anything is drawn; texture indices are checked against the list when it can be read (when it
// cannot, start-up says so as it always has). A scene without --size gives its picture's size.
bool applySettings(CommandLine& line, const TextureListResult& list)
{
    const int textureCount = list.ok() ? list.count : -1;
    std::vector<std::string> settings = line.settings;
    if (!line.sceneSource.empty()) {
        const SceneArguments recorded = readSceneOrVideo(line.sceneSource, textureCount);
        if (!recorded.ok) {
            sayLine(SayTo::Err, "tolvane: --scene " + recorded.message);
            return false;
        }
        settings.insert(settings.begin() + line.settingsBeforeScene, recorded.settings.begin(),
                        recorded.settings.end());
        if (!line.sizeGiven) {
            line.width = recorded.width > 0 ? recorded.width : kDefaultPictureSide;
            line.height = recorded.height > 0 ? recorded.height : kDefaultPictureSide;
        }
    }
    for (const std::string& assignment : settings) {
        const std::string error = applySetting(scene, assignment, textureCount);
        if (!error.empty()) {
            sayLine(SayTo::Err, "tolvane: " + error);
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    // Progress lines must reach a pipe as they happen, not when the buffer fills.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // Tolvane's own options are read, and refused, before any display is opened.
    CommandLine line = parseCommandLine(argc, argv);
    switch (line.action) {
    case CommandAction::Help:
    case CommandAction::Version: std::fputs(line.text.c_str(), stdout); return 0;
    case CommandAction::Error: std::fprintf(stderr, "%s\n", line.text.c_str()); return 1;
    default: break;
    }
    if (!line.outputDir.empty()) {
        const std::string problem = outputFolderProblem(line.outputDir);
        if (!problem.empty()) {
            sayLine(SayTo::Err, "tolvane: --output-dir " + line.outputDir + ": " + problem);
            return 1;
        }
        setOutputFolder(line.outputDir);
    }
    // Read once: the list may come through a pipe, /dev/stdin or a FIFO, which give their
    // bytes only once. Start-up reports a list that could not be read.
    const TextureListResult list = readTextureListFile(line.listFile);
    if (!applySettings(line, list))
        return 1;
    if (line.action == CommandAction::Render) {
        const std::string error = line.turntable.kind == TurntableKind::None
                                      ? renderToFile(line, list)
                                      : renderTurntable(line, list);
        if (!error.empty()) {
            sayLine(SayTo::Err, "tolvane: " + error);
            return 1;
        }
        return 0;
    }

    // GLUT removes its own options; a size asked for with -geometry wins over the default.
    glutInit(&argc, argv);
    useGlxEntryPoints();
    const int samples = chooseWindowSamples(scene.antialiasing);
    if (!line.geometrySize)
        glutInitWindowSize(line.width, line.height);  // 500x500, or a --scene picture's size
    scene.mainWindow = glutCreateWindow("Brenwick's Tolvane");
    setWindowClass();
    // GLUT takes a mode with at least the samples asked for; the window's own count is told.
    GLint windowSamples = 0;
    if (samples > 0)
        glGetIntegerv(GL_SAMPLES, &windowSamples);
    const std::string fewer = antialiasingNote(scene.antialiasing, windowSamples);
    if (!fewer.empty())
        std::fprintf(stderr, "tolvane: %s\n", fewer.c_str());
    scene.antialiasing = windowSamples;  // saved pictures name what the window draws with

    glutReshapeFunc(reshapeWindow);
    glutDisplayFunc(displaySceneWindow);
    glutMouseFunc(mousePress);
    glutMotionFunc(mouseDrag);
    glutKeyboardFunc(keyPress);
    glutSpecialFunc(specialKeyPress);
    glutMouseWheelFunc(mouseWheel);
    glutWindowStatusFunc(sceneWindowStatus);
    // Continuous frames (the spinning globe) are paced by the display where the GL allows.
    // Where it is not, the idle handler waits for the display's refresh period between them.
    const std::string swapControl = askForSwapIntervalOne();
    initScenePresent();
    initFramePacing(!swapControl.empty());
    if (std::getenv("TOLVANE_TRACE_FRAMES"))
        std::printf("swap interval 1: %s; display %.0f Hz\n",
                    swapControl.empty() ? "not offered" : swapControl.c_str(), displayRefreshHz());

    initGraphicsState(scene);
    setProjection(scene.zoom);

    loadTexturesOrExit(line.listFile, list, line.quiet);

    SceneWindowHooks windowHooks;
    windowHooks.noteMotion = noteViewMotion;
    windowHooks.inMotion = viewInMotion;
    windowHooks.wake = wakePanelIdle;
    setSceneWindowHooks(windowHooks);
    rememberStartView();
    buildControlPanel(static_cast<int>(scene.textures.size()));
    setPanelActions(requestPictureSave, requestVaseExport, resetViewAsStep, postSceneRedisplay);
    connectPanelHistory();
    setPanelSceneKeys(handleSceneKey, handleSceneSpecialKey);
    setPanelTurntable(requestTurntableSave, turntableRunning);
    setPanelTurntableOptions(line.turntable.frames, line.turntable.fps);
    setPanelIdleFunc(idleWithTurntable);

    glutMainLoop();
    return 0;
}
