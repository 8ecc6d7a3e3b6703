// The panel's "Save picture" and "Export vase", served right after a whole frame.
#include "desktop/save.h"

#include <GL/freeglut.h>

#include <new>
#include <string>
#include <utility>
#include <vector>

#include "desktop/capture.h"
#include "core/scene_state.h"
#include "core/export/numbered_file.h"
#include "core/export/vase_gltf.h"
#include "desktop/panel/panel.h"
#include "gl/kept_picture.h"
#include "gl/vase_draw.h"

namespace {

bool pictureRequested = false;
bool exportRequested = false;
std::string outputFolder;  // empty: the working folder

// The folder and stem of numbered files: "tolvane" or "DIR/tolvane".
std::string stemIn(const char* stem)
{
    if (outputFolder.empty())
        return stem;
    return outputFolder + (outputFolder.back() == '/' ? "" : "/") + stem;
}

// The window's whole drawable, including any margin beside the square viewport.
std::string savePicture()
{
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    PngEncodeResult png;
    try {
        png = encodePicture(readFramePixels(width, height));
    } catch (const std::bad_alloc&) {
        return "Could not save a picture: not enough memory for its pixels";
    }
    if (!png.ok())
        return "Could not save a picture: " + png.message;
    const NumberedWriteResult written =
        writeNumberedFile(stemIn("tolvane"), ".png", png.bytes.data(), png.bytes.size());
    if (!written.ok)
        return "Could not save a picture: " + written.message;
    return "Saved " + written.name;
}

std::string exportVase()
{
    const VaseSettings settings = vaseSettingsOf(scene, scene.cylindricalProjection);
    if (vaseGlbTriangleCount(settings) == 0)
        return "Nothing to export: the vase has no steps";
    std::vector<unsigned char> texturePng;
    const unsigned int texture = textureAt(scene, scene.vaseTexture);
    if (texture != 0) {
        try {
            PngEncodeResult png = encodePng(readTextureImage(texture));
            if (!png.ok())
                return "Could not export the vase: " + png.message;
            texturePng = std::move(png.bytes);
        } catch (const std::bad_alloc&) {
            return "Could not export the vase: not enough memory to read back its texture";
        }
    }
    // The builder's own output, made afresh: the drawn copy lives in GL's buffer.
    const NumberedWriteResult written =
        writeNumberedVaseGlb(stemIn("tolvane-vase"), settings, texturePng);
    if (!written.ok)
        return "Could not export the vase: " + written.message;
    return "Exported " + written.name;
}

}  // namespace

void setOutputFolder(const std::string& folder)
{
    outputFolder = folder;
}

void requestPictureSave()
{
    pictureRequested = true;
    glutPostWindowRedisplay(scene.mainWindow);
}

void requestVaseExport()
{
    exportRequested = true;
    glutPostWindowRedisplay(scene.mainWindow);
}

void displaySceneWindow()
{
    drawFrameKeepingStill();
    // Read before the swap: the back buffer then holds exactly the frame about to be shown.
    if (pictureRequested) {
        pictureRequested = false;
        setPanelMessage(savePicture());
    }
    if (exportRequested) {
        exportRequested = false;
        setPanelMessage(exportVase());
    }
    glutSwapBuffers();
}
