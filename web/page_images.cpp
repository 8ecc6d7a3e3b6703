// The page's entry points for textures: the bundled list through the core's list reader, files
// checked before the browser decodes them, the pending list committed at once, and uploading
// again after a lost WebGL context.
#include <emscripten/emscripten.h>

#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "core/image/image_file.h"
#include "core/scene_state.h"
#include "core/texture_choice.h"
#include "core/texture_list.h"
#include "core/image/image_structure.h"
#include "web/page_state.h"
#include "web/renderer.h"
#include "web/scene_draw.h"

namespace {

// Images read for the next texture list; committed together or not at all.
std::vector<PpmImage> pendingImages;

// Why an image of width x height cannot become one of this GPU's textures; empty when it can.
std::string textureSizeProblem(int width, int height)
{
    const int largest = maxTextureSize();
    if (largest > 0 && (width > largest || height > largest))
        return std::to_string(width) + "x" + std::to_string(height) +
               " is larger than this GPU's largest texture (" + std::to_string(largest) + ")";
    return std::string();
}

}  // namespace

extern "C" {

// The text of a texture list, read as the desktop reads its list file: {"names":[...]} or
// {"error":"..."} with the reader's message.
EMSCRIPTEN_KEEPALIVE const char* tvReadTextureList(const char* text)
{
    std::istringstream in(text);
    const TextureListResult list = readTextureList(in);
    if (!list.ok())
        return answer("{\"error\":" + jsonString(list.message) + "}");
    std::string json = "{\"names\":[";
    for (size_t i = 0; i < list.names.size(); ++i)
        json += (i ? "," : "") + jsonString(list.names[i]);
    return answer(json + "]}");
}

EMSCRIPTEN_KEEPALIVE void tvBeginImages()
{
    pendingImages.clear();
}

// The kind the leading bytes announce: 0 P6, 1 PNG, 2 JPEG, 3 unknown.
EMSCRIPTEN_KEEPALIVE int tvImageKind(const unsigned char* bytes, int size)
{
    return static_cast<int>(detectImageKind(bytes, static_cast<size_t>(size)));
}

// Why a PNG or JPEG file must not go to the browser's decoder (its structure, or the desktop's
// size limits read from its header); an empty reply when it may.
EMSCRIPTEN_KEEPALIVE const char* tvImageProblem(const unsigned char* bytes, int size)
{
    return answer(imageStructureProblem(bytes, static_cast<size_t>(size)));
}

// A whole file that is not PNG or JPEG: read by the core's P6 reader, with its limits and
// messages. An empty reply when it was added.
EMSCRIPTEN_KEEPALIVE const char* tvAddImageFile(const unsigned char* bytes, int size)
{
    try {
        ImageResult result = readImageBytes(bytes, static_cast<size_t>(size));
        if (!result.ok())
            return answer(result.message);
        const std::string tooLarge = textureSizeProblem(result.image.width, result.image.height);
        if (!tooLarge.empty())
            return answer(tooLarge);
        pendingImages.push_back(std::move(result.image));
    } catch (const std::bad_alloc&) {
        return answer("not enough memory for this image");
    }
    return answer("");
}

// Pixels the browser decoded (RGBA rows, top row first, not premultiplied); alpha is dropped as
// the desktop's decoders drop it. The size limits are the desktop's.
EMSCRIPTEN_KEEPALIVE const char* tvAddImageRgba(const unsigned char* rgba, int width, int height)
{
    const std::string problem = imageSizeProblem(width, height, kPpmMaxPixels);
    if (!problem.empty())
        return answer(problem);
    PpmImage image;
    image.width = width;
    image.height = height;
    try {
        image.pixels.resize(static_cast<size_t>(width) * height * 3);
        const size_t pixels = static_cast<size_t>(width) * height;
        for (size_t i = 0; i < pixels; ++i)
            for (int c = 0; c < 3; ++c)
                image.pixels[i * 3 + c] = rgba[i * 4 + c];
        pendingImages.push_back(std::move(image));
    } catch (const std::bad_alloc&) {
        return answer("not enough memory for this image");
    }
    return answer("");
}

// Replaces the texture list with the images read since tvBeginImages, in their order; the
// panel's texture limits follow the new count.
EMSCRIPTEN_KEEPALIVE int tvCommitImages()
{
    static TextureChoices choices;
    fitTextureNumbers(scene, choices, static_cast<int>(pendingImages.size()));

    for (unsigned int t : scene.textures)
        deleteTexture(t);
    scene.textures.clear();
    for (const PpmImage& image : pendingImages)
        scene.textures.push_back(uploadTexture(image));
    textureImages = std::move(pendingImages);
    pendingImages.clear();
    rebuildControls();
    return static_cast<int>(scene.textures.size());
}

// The size a decoded image of width x height is scaled to for this GPU's largest texture, as
// {"width":W,"height":H}; an empty reply when it fits as it is.
EMSCRIPTEN_KEEPALIVE const char* tvFitTexture(int width, int height)
{
    const TextureSize size = fittedTextureSize(width, height, maxTextureSize());
    if (!size.scaled)
        return answer("");
    return answer("{\"width\":" + std::to_string(size.width) + ",\"height\":" +
                  std::to_string(size.height) + "}");
}

// Which object shows which of `names` (the opened files' names, each followed by '/', which no
// file name holds), by the texture numbers now in use.
EMSCRIPTEN_KEEPALIVE const char* tvTextureUse(const char* names)
{
    std::vector<std::string> list;
    const std::string text = names;
    for (size_t start = 0, end; (end = text.find('/', start)) != std::string::npos; start = end + 1)
        list.push_back(text.substr(start, end - start));
    return answer(textureUseText(scene, list));
}

// After the browser restored a lost WebGL context: the renderer's objects and every texture
// made anew (the old names died with the old context). An empty reply when ready.
EMSCRIPTEN_KEEPALIVE const char* tvRestoreContext()
{
    resetRenderer();
    std::string why;
    if (!initRenderer(why))
        return answer("The scene cannot be drawn again: " + why);
    for (size_t i = 0; i < scene.textures.size() && i < textureImages.size(); ++i)
        scene.textures[i] = uploadTexture(textureImages[i]);
    return answer("");
}

// The vase's texture image (RGB rows as uploaded), or none when its index is outside the list.
const PpmImage* vaseImage()
{
    const int index = scene.vaseTexture;
    if (index < 0 || index >= static_cast<int>(textureImages.size()))
        return nullptr;
    return &textureImages[static_cast<size_t>(index)];
}

EMSCRIPTEN_KEEPALIVE const unsigned char* tvVaseImagePixels()
{
    return vaseImage() ? vaseImage()->pixels.data() : nullptr;
}

EMSCRIPTEN_KEEPALIVE int tvVaseImageWidth()
{
    return vaseImage() ? vaseImage()->width : 0;
}

EMSCRIPTEN_KEEPALIVE int tvVaseImageHeight()
{
    return vaseImage() ? vaseImage()->height : 0;
}

}  // extern "C"
