// Start-up of the viewer: fixed GL state, the projection and the textures.
#include "gl/startup.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <new>

#include "core/options.h"
#include "core/scene_state.h"
#include "core/texture_choice.h"
#include "core/texture_list.h"
#include "core/image/image_file.h"

void initGraphicsState(const SceneState& state)
{
    glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    // Table corners and vase normals are not unit length, and the vase is drawn scaled.
    glEnable(GL_NORMALIZE);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    // Colour material at its default: the current colour drives ambient and diffuse, both faces.
    glEnable(GL_COLOR_MATERIAL);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 100.0f);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, state.materialSpecular);
    // Image rows are tightly packed; any width uploads without reading past a row.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    setProjection(1.0f);
}

void setProjection(float zoom)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2.0 * zoom, 2.0 * zoom, -2.0 * zoom, 2.0 * zoom, -10.0 * zoom, 10.0 * zoom);
    glMatrixMode(GL_MODELVIEW);
}

namespace {

// Thrown once a failure has said its lines; loadTextureSet turns it into its result.
struct LoadFailed {};

[[noreturn]] void failWith(SayLine say, const std::string& line)
{
    say(SayTo::Out, line);
    throw LoadFailed{};
}

}  // namespace

// Reads one image named in the list (P6, PNG or JPEG, told apart by its first bytes); a name
// that cannot be opened as written is tried beside the list file, so the viewer can be started
// from any folder.
static PpmImage readImageOrFail(const std::string& listFile, const std::string& name, bool quiet,
                                SayLine say)
{
    std::string path = name;
    ImageResult result = readImageFile(path);
    if (result.error == ImageError::OpenFailed) {
        const std::string beside = pathBesideList(listFile, name);
        if (!beside.empty()) {
            ImageResult retry = readImageFile(beside);
            if (retry.error != ImageError::OpenFailed) {
                path = beside;
                result = std::move(retry);
            }
        }
    }
    switch (result.error) {
    case ImageError::None:
        if (!quiet)
            say(SayTo::Out, "Done reading image");
        return std::move(result.image);
    case ImageError::OpenFailed: failWith(say, "*** Error: Can't read file " + name);
    case ImageError::UnknownKind:
        say(SayTo::Out, path + " is not a P6 PPM file!");
        say(SayTo::Err, "tolvane: " + path + " is " + describeOtherFile(path) +
                            "; textures are read from P6 PPM, PNG and JPEG files");
        throw LoadFailed{};
    default: failWith(say, "*** Error: " + path + ": " + result.message);
    }
}

unsigned int uploadTexture(const PpmImage& image)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image.pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    return name;
}

// `image` scaled to `size` (fittedTextureSize); empty when GLU cannot scale it.
static PpmImage fitTexture(const PpmImage& image, const TextureSize& size)
{
    PpmImage fitted;
    fitted.width = size.width;
    fitted.height = size.height;
    fitted.pixels.resize(static_cast<size_t>(fitted.width) * fitted.height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (gluScaleImage(GL_RGB, image.width, image.height, GL_UNSIGNED_BYTE, image.pixels.data(),
                      fitted.width, fitted.height, GL_UNSIGNED_BYTE, fitted.pixels.data()) != 0)
        return PpmImage();
    return fitted;
}

// What tells two mentions of one file apart from two files: the device and inode of the file a
// name opens (as written, else beside the list), or the name itself where neither can be
// examined (reading it then fails as it always has).
static std::string fileIdentity(const std::string& listFile, const std::string& name)
{
    struct stat info {};
    if (stat(name.c_str(), &info) != 0) {
        const std::string beside = pathBesideList(listFile, name);
        if (beside.empty() || stat(beside.c_str(), &info) != 0)
            return "name:" + name;
    }
    return "file:" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

// Reads, fits and uploads every image the list names, in its order; a failure says its lines
// and throws LoadFailed.
static void loadImages(TextureSet& textures, const std::string& listFile,
                       const TextureListResult& list, bool quiet, SayLine say)
{
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    textures.assign(list.names.size(), 0);
    // A file named again shares the texture of its first mention: read, decoded and uploaded
    // once, however often the list names it.
    std::map<std::string, unsigned int> loaded;
    for (size_t i = 0; i < list.names.size(); ++i) {
        const std::string& name = list.names[i];
        if (!quiet)
            say(SayTo::Out, "Texture filename: " + name);
        const std::string identity = fileIdentity(listFile, name);
        const auto earlier = loaded.find(identity);
        if (earlier != loaded.end()) {
            if (!quiet)
                say(SayTo::Out, "Done reading image");
            textures[i] = earlier->second;
            continue;
        }
        try {
            PpmImage image = readImageOrFail(listFile, name, quiet, say);
            const TextureSize size = fittedTextureSize(image.width, image.height, maxSize);
            if (size.scaled) {
                PpmImage fitted = fitTexture(image, size);
                if (fitted.pixels.empty())
                    failWith(say, "*** Error: " + name + ": cannot scale " +
                                      std::to_string(image.width) + "x" +
                                      std::to_string(image.height) +
                                      " down to this GPU's largest texture (" +
                                      std::to_string(maxSize) + ")");
                if (!quiet)
                    say(SayTo::Out, "Scaled " + name + " from " + std::to_string(image.width) +
                                        "x" + std::to_string(image.height) + " to " +
                                        std::to_string(fitted.width) + "x" +
                                        std::to_string(fitted.height) +
                                        ", this GPU's largest texture");
                image = std::move(fitted);
            }
            while (glGetError() != GL_NO_ERROR) {
            }
            textures[i] = uploadTexture(image);
            if (glGetError() == GL_OUT_OF_MEMORY) {
                say(SayTo::Err, "tolvane: " + name + ": GL has no memory for this " +
                                    std::to_string(image.width) + "x" +
                                    std::to_string(image.height) + " texture");
                throw LoadFailed{};
            }
            loaded[identity] = textures[i];
        } catch (const std::bad_alloc&) {
            say(SayTo::Err, "tolvane: " + name + ": not enough memory to load this image");
            throw LoadFailed{};
        }
    }
}

TextureLoadResult loadTextureSet(TextureSet& textures, const std::string& listFile,
                                 const TextureListResult& list, bool quiet, SayLine say)
{
    TextureLoadResult result;
    if (list.error == TextureListError::OpenFailed) {
        say(SayTo::Err, "tolvane: cannot open texture list '" + listFile + "': " + list.message);
        const std::string bundled = bundledTextureList();
        // Where no list was named, point at the one installed with the textures.
        if (listFile == CommandLine().listFile && access(bundled.c_str(), R_OK) == 0)
            say(SayTo::Err, "tolvane: the bundled textures' list is " + bundled);
        result.ok = false;
        result.showUsage = true;
        return result;
    }
    try {
        if (!list.ok())
            failWith(say, "*** Error: texture list " + listFile + ": " + list.message);
        loadImages(textures, listFile, list, quiet, say);
    } catch (const LoadFailed&) {
        result.ok = false;
    }
    return result;
}
