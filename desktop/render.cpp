// Headless pictures: one frame drawn offscreen with no window and no X server, saved as PNG
// or JPEG.
#include "desktop/render.h"

#include <cstdio>

#include <GL/gl.h>

#include <new>
#include <vector>

#include "core/background_work.h"
#include "core/controls.h"
#include "core/export/atomic_file.h"
#include "core/options.h"
#include "desktop/scene.h"
#include "core/view_math.h"
#include "desktop/capture.h"
#include "desktop/offscreen.h"
#include "desktop/terminal.h"
#include "gl/frame.h"
#include "gl/multisample.h"
#include "gl/startup.h"
#include "gl/vase_draw.h"

namespace {

// Why the current context cannot draw a width x height picture, from its largest renderbuffer
// and viewport; empty when it can. A limit the context does not report is no limit.
std::string sizeProblem(int width, int height)
{
    for (int k = 0; k < 16 && glGetError() != GL_NO_ERROR; ++k) {
    }
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    GLint renderbuffer = 0;
#ifdef GL_MAX_RENDERBUFFER_SIZE
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    if (glGetError() != GL_NO_ERROR)
        renderbuffer = 0;  // a context older than GL 3.0 has no renderbuffers
#endif
    const auto tooLarge = [&](GLint w, GLint h) {
        return (w > 0 && width > w) || (h > 0 && height > h);
    };
    if (tooLarge(viewport[0], viewport[1]))
        return "--size " + std::to_string(width) + "x" + std::to_string(height) +
               " is larger than this GL's largest viewport, " + std::to_string(viewport[0]) +
               "x" + std::to_string(viewport[1]);
    if (tooLarge(renderbuffer, renderbuffer))
        return "--size " + std::to_string(width) + "x" + std::to_string(height) +
               " is larger than this GL's largest renderbuffer, " + std::to_string(renderbuffer) +
               "x" + std::to_string(renderbuffer);
    return std::string();
}

}  // namespace

std::string openPictureScene(const CommandLine& line, const TextureListResult& list)
{
    const OffscreenResult context = openOffscreenContext(line.width, line.height);
    if (!context.ok)
        return "cannot render " + line.renderPath + ": " + context.message;
    const std::string tooLarge = sizeProblem(line.width, line.height);
    if (!tooLarge.empty())
        return "cannot render " + line.renderPath + ": " + tooLarge;
    const int samples = beginMultisampledPicture(line.width, line.height, scene.antialiasing);
    const std::string fewer = antialiasingNote(scene.antialiasing, samples);
    if (!fewer.empty())
        std::fprintf(stderr, "tolvane: %s\n", fewer.c_str());
    scene.antialiasing = samples;  // the picture's arguments name what drew it

    // The window's start-up, less the window: fixed state, the view's projection, textures.
    initGraphicsState(scene);
    setProjection(scene.zoom);
    const Viewport v = squareViewport(line.width, line.height);
    glViewport(v.x, v.y, v.width, v.height);
    loadTexturesOrExit(line.listFile, list, line.quiet);
    // The panel moves texture indices outside the list to 0 when it is built; so must this.
    applyLimitsOnBuild(buildControlTable(scene, static_cast<int>(scene.textures.size())));

    setVaseExact(true);  // the vase for these settings, its build waited for
    return std::string();
}

namespace {

// Once a picture is drawn: the line saying how its background work fell back, if it did.
void sayBackgroundWorkNotice()
{
    const std::string fellBack = takeBackgroundWorkNotice();
    if (!fellBack.empty())
        std::fprintf(stderr, "tolvane: %s\n", fellBack.c_str());
}

}  // namespace

PpmImage drawPicture(int width, int height)
{
    drawFrame(scene);
    resolveMultisampledPicture();
    glFinish();
    sayBackgroundWorkNotice();
    return readFramePixels(width, height);
}

FramePicture drawPictureFor(const std::string& path, int width, int height)
{
    if (renderFormatOf(path) == "jpeg") {
        FramePicture opaque;
        opaque.image = drawPicture(width, height);
        return opaque;
    }
    bool first = true;
    FramePicture picture = readFramePicture(width, height, [&] {
        if (!first)
            rebindMultisampledPicture();  // the second frame of a transparent picture
        first = false;
        drawFrame(scene);
        resolveMultisampledPicture();
        glFinish();
    });
    sayBackgroundWorkNotice();
    return picture;
}

std::string writePictureFile(const std::string& path, const PpmImage& pixels)
{
    FramePicture picture;
    picture.image = pixels;
    return writePictureFile(path, picture);
}

std::string writePictureFile(const std::string& path, const FramePicture& picture)
{
    const PpmImage& pixels = picture.image;
    std::vector<unsigned char> bytes;
    try {
        if (renderFormatOf(path) == "jpeg") {
            JpegEncodeResult jpeg = encodePictureJpeg(pixels);
            if (!jpeg.ok())
                return "cannot render " + path + ": " + jpeg.message;
            bytes = std::move(jpeg.bytes);
        } else {
            PngEncodeResult png = encodePicture(picture);
            if (!png.ok())
                return "cannot render " + path + ": " + png.message;
            bytes = std::move(png.bytes);
        }
    } catch (const std::bad_alloc&) {
        return "cannot render " + path + ": not enough memory for a " +
               std::to_string(pixels.width) + "x" + std::to_string(pixels.height) + " picture";
    }
    const WriteResult written = writeFileAtomically(path, bytes.data(), bytes.size());
    if (written.ok && !written.note.empty())  // the picture is written: said, but no failure
        std::fprintf(stderr, "tolvane: %s\n", written.note.c_str());
    return written.ok ? std::string() : written.message;
}

std::string renderToFile(const CommandLine& line, const TextureListResult& list)
{
    const std::string problem = openPictureScene(line, list);
    if (!problem.empty())
        return problem;
    if (renderFormatOf(line.renderPath) == "jpeg" && !whiteBackgroundNote("JPEG").empty())
        std::fprintf(stderr, "tolvane: %s\n", whiteBackgroundNote("JPEG").c_str());
    FramePicture picture;
    try {
        picture = drawPictureFor(line.renderPath, line.width, line.height);
    } catch (const std::bad_alloc&) {
        return "cannot render " + line.renderPath + ": not enough memory for a " +
               std::to_string(line.width) + "x" + std::to_string(line.height) + " picture";
    }
    return writePictureFile(line.renderPath, picture);
}
