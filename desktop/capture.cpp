// Pictures that leave the viewer: the frame read back from GL and encoded as PNG.
#include "desktop/capture.h"

#include <GL/gl.h>

#include <cstring>

#include "core/image/backdrop_alpha.h"
#include "core/options.h"
#include "core/scene_file.h"
#include "desktop/scene.h"

PpmImage readFramePixels(int width, int height)
{
    PpmImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, image.pixels.data());
    // GL returns the bottom row first.
    const size_t stride = static_cast<size_t>(width) * 3;
    std::vector<unsigned char> row(stride);
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        unsigned char* a = image.pixels.data() + static_cast<size_t>(top) * stride;
        unsigned char* b = image.pixels.data() + static_cast<size_t>(bottom) * stride;
        std::memcpy(row.data(), a, stride);
        std::memcpy(a, b, stride);
        std::memcpy(b, row.data(), stride);
    }
    return image;
}

FramePicture readFramePicture(int width, int height, const std::function<void()>& draw)
{
    FramePicture picture;
    if (!scene.transparentBackground) {
        draw();
        picture.image = readFramePixels(width, height);
        return picture;
    }
    GLfloat clear[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    draw();
    const PpmImage onBlack = readFramePixels(width, height);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    draw();
    picture.image = readFramePixels(width, height);
    picture.alpha = alphaFromBackdrops(onBlack, picture.image);
    return picture;
}

PpmImage readTextureImage(unsigned int texture)
{
    PpmImage image;
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    if (texture == 0 || width <= 0 || height <= 0)
        return image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, image.pixels.data());
    return image;
}

std::string pictureArguments(const PpmImage& image)
{
    return reproducingArguments(scene, static_cast<int>(scene.textures.size()), image.width,
                                image.height);
}

PngEncodeResult encodePicture(const PpmImage& image)
{
    return encodePng(image, pictureTexts(pictureArguments(image)));
}

PngEncodeResult encodePicture(const FramePicture& picture)
{
    return encodePicture(picture, pictureArguments(picture.image));
}

PngEncodeResult encodePicture(const FramePicture& picture, const std::string& arguments)
{
    return encodePng(picture.image, picture.alpha, pictureTexts(arguments));
}

std::string whiteBackgroundNote(const char* format)
{
    if (!scene.transparentBackground)
        return std::string();
    return std::string(format) + " has no alpha channel: the background is white there";
}

JpegEncodeResult encodePictureJpeg(const PpmImage& image)
{
    return encodeJpeg(image, 95, pictureComment(pictureArguments(image)));
}
