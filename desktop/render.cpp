// Headless pictures: one frame drawn offscreen with no window and no X server, saved as PNG.
#include "desktop/render.h"

#include <GL/gl.h>

#include "desktop/capture.h"
#include "desktop/offscreen.h"
#include "core/options.h"
#include "core/scene_state.h"
#include "gl/startup.h"
#include "core/view_math.h"
#include "core/export/atomic_file.h"
#include "core/controls.h"
#include "gl/frame.h"

std::string renderToFile(const CommandLine& line)
{
    const OffscreenResult context = openOffscreenContext(line.width, line.height);
    if (!context.ok)
        return "cannot render " + line.renderPath + ": " + context.message;

    // The window's start-up, less the window: fixed state, the view's projection, textures.
    initGraphicsState();
    setProjection(scene.zoom);
    const Viewport v = squareViewport(line.width, line.height);
    glViewport(v.x, v.y, v.width, v.height);
    loadTextureSet(line.listFile);
    // The panel moves texture indices outside the list to 0 when it is built; so must this.
    applyLimitsOnBuild(buildControlTable(scene, static_cast<int>(scene.textures.size())));

    drawFrame();
    glFinish();
    const PngEncodeResult png = encodePicture(readFramePixels(line.width, line.height));
    if (!png.ok())
        return "cannot render " + line.renderPath + ": " + png.message;
    const WriteResult written =
        writeFileAtomically(line.renderPath, png.bytes.data(), png.bytes.size());
    if (!written.ok)
        return written.message;
    return std::string();
}
