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

// The window's whole drawable, including any margin beside the square viewport.
std::string savePicture()
{
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    const PngEncodeResult png = encodePicture(readFramePixels(width, height));
    if (!png.ok())
        return "Could not save a picture: " + png.message;
    const NumberedWriteResult written =
        writeNumberedFile("tolvane", ".png", png.bytes.data(), png.bytes.size());
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
        PngEncodeResult png = encodePng(readTextureImage(texture));
        if (!png.ok())
            return "Could not export the vase: " + png.message;
        texturePng = std::move(png.bytes);
    }
    // The builder's own output, made afresh: the drawn copy lives in GL's buffer.
    std::vector<VaseVertex> mesh;
    try {
        buildVaseMesh(settings, mesh);
    } catch (const std::bad_alloc&) {
        return "Could not export the vase: not enough memory for its mesh";
    }
    std::string why;
    const NumberedWriteResult written =
        writeNumberedFile("tolvane-vase", ".glb", [&](std::ostream& out) {
            const WriteResult glb = writeVaseGlb(out, mesh, texturePng);
            why = glb.message;
            return glb.ok;
        });
    if (!written.ok && !why.empty())
        return "Could not export the vase: " + why;
    if (!written.ok)
        return "Could not export the vase: " + written.message;
    return "Exported " + written.name;
}

}  // namespace

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
