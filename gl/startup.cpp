// Start-up of the viewer: fixed GL state, the projection, the usage text and the textures.
#include "gl/startup.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>

#include "core/options.h"
#include "core/scene_state.h"
#include "core/texture_choice.h"
#include "core/texture_list.h"
#include "core/image/image_file.h"

void initGraphicsState()
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
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, scene.materialSpecular);
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

void printUsage()
{
    std::printf("\n\n  Usage: ./tolvane <input_file>\n\n");
    std::printf("   <input_file> has to be of the form:\n\n");
    std::printf("      <number of textures>\n");
    std::printf("      <table texture file>\n");
    std::printf("      <pop can texutre file>\n");
    std::printf("      <earth texture file>\n");
    std::printf("      <vase texture file>\n");
    std::printf("      ...\n\n");
}

[[noreturn]] static void failWith(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::exit(1);
}

// Reads one image named in the list (P6, PNG or JPEG, told apart by its first bytes); a name
// that cannot be opened as written is tried beside the list file, so the viewer can be started
// from any folder.
static PpmImage readImageOrExit(const std::string& listFile, const std::string& name, bool quiet)
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
            std::printf("Done reading image\n");
        return std::move(result.image);
    case ImageError::OpenFailed: failWith("*** Error: Can't read file " + name);
    case ImageError::UnknownKind:
        std::printf("%s is not a P6 PPM file!\n", path.c_str());
        std::fprintf(stderr, "tolvane: %s is %s; textures are read from P6 PPM, PNG and JPEG files\n",
                     path.c_str(), describeOtherFile(path).c_str());
        std::exit(1);
    default: failWith("*** Error: " + path + ": " + result.message);
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

void loadTextureSet(const std::string& listFile, const TextureListResult& list, bool quiet)
{
    if (list.error == TextureListError::OpenFailed) {
        std::fprintf(stderr, "tolvane: cannot open texture list '%s': %s\n", listFile.c_str(),
                     list.message.c_str());
        const std::string bundled = bundledTextureList();
        // Where no list was named, point at the one installed with the textures.
        if (listFile == CommandLine().listFile && access(bundled.c_str(), R_OK) == 0)
            std::fprintf(stderr, "tolvane: the bundled textures' list is %s\n", bundled.c_str());
        printUsage();
        std::exit(1);
    }
    if (!list.ok())
        failWith("*** Error: texture list " + listFile + ": " + list.message);

    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    scene.textures.assign(list.names.size(), 0);
    // A file named again shares the texture of its first mention: read, decoded and uploaded
    // once, however often the list names it.
    std::map<std::string, unsigned int> loaded;
    for (size_t i = 0; i < list.names.size(); ++i) {
        const std::string& name = list.names[i];
        if (!quiet)
            std::printf("Texture filename: %s\n", name.c_str());
        const std::string identity = fileIdentity(listFile, name);
        const auto earlier = loaded.find(identity);
        if (earlier != loaded.end()) {
            if (!quiet)
                std::printf("Done reading image\n");
            scene.textures[i] = earlier->second;
            continue;
        }
        try {
            PpmImage image = readImageOrExit(listFile, name, quiet);
            const TextureSize size = fittedTextureSize(image.width, image.height, maxSize);
            if (size.scaled) {
                PpmImage fitted = fitTexture(image, size);
                if (fitted.pixels.empty())
                    failWith("*** Error: " + name + ": cannot scale " +
                             std::to_string(image.width) + "x" + std::to_string(image.height) +
                             " down to this GPU's largest texture (" + std::to_string(maxSize) +
                             ")");
                if (!quiet)
                    std::printf("Scaled %s from %dx%d to %dx%d, this GPU's largest texture\n",
                                name.c_str(), image.width, image.height, fitted.width,
                                fitted.height);
                image = std::move(fitted);
            }
            while (glGetError() != GL_NO_ERROR) {
            }
            scene.textures[i] = uploadTexture(image);
            if (glGetError() == GL_OUT_OF_MEMORY) {
                std::fprintf(stderr, "tolvane: %s: GL has no memory for this %dx%d texture\n",
                             name.c_str(), image.width, image.height);
                std::exit(1);
            }
            loaded[identity] = scene.textures[i];
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "tolvane: %s: not enough memory to load this image\n",
                         name.c_str());
            std::exit(1);
        }
    }
}
