// The page's "Save picture" with a transparent background: the frame drawn over black and over
// white, read back, and made into straight RGBA by the core's rule, as the desktop's picture is.
#include <GLES3/gl3.h>
#include <emscripten/emscripten.h>

#include <cstring>
#include <vector>

#include "core/image/backdrop_alpha.h"
#include "web/flat_draw.h"
#include "web/page_state.h"
#include "web/renderer.h"
#include "web/scene_draw.h"

namespace {

std::vector<unsigned char> rgba;  // the last transparent picture, rows top first

// The canvas's RGB, rows top first (GL reads them bottom first).
PpmImage readCanvas(int width, int height)
{
    std::vector<unsigned char> read(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, read.data());
    PpmImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(&image.pixels[(static_cast<size_t>(y) * width + x) * 3],
                        &read[(static_cast<size_t>(height - 1 - y) * width + x) * 4], 3);
    return image;
}

PpmImage drawOver(Backdrop behind, int width, int height)
{
    setBackdrop(behind);
    setVaseExact(true);
    drawScene(scene, width, height);
    setVaseExact(false);
    setBackdrop(Backdrop::AsShown);
    return readCanvas(width, height);
}

}  // namespace

extern "C" {

// Whether pictures are to be transparent.
EMSCRIPTEN_KEEPALIVE int tvTransparent()
{
    return scene.transparentBackground;
}

// Draws the frame over black and over white into the canvas and returns its RGBA rows (top
// first, straight alpha), or null when the canvas is empty; the canvas then holds the white
// frame, which the caller redraws as shown.
EMSCRIPTEN_KEEPALIVE const unsigned char* tvTransparentPicture(int width, int height)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    const PpmImage onBlack = drawOver(Backdrop::Black, width, height);
    PpmImage onWhite = drawOver(Backdrop::White, width, height);
    const std::vector<unsigned char> alpha = alphaFromBackdrops(onBlack, onWhite);
    rgba.assign(alpha.size() * 4, 0);
    for (size_t i = 0; i < alpha.size(); ++i) {
        std::memcpy(&rgba[i * 4], &onWhite.pixels[i * 3], 3);
        rgba[i * 4 + 3] = alpha[i];
    }
    return rgba.data();
}

}  // extern "C"
