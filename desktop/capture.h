// Pictures that leave the viewer: the frame read back from GL and encoded as PNG together
// with the arguments that draw it again.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/image/jpeg_write.h"
#include "core/image/png_write.h"
#include "core/image/ppm.h"
#include "core/options.h"  // kArgumentsKeyword

// The current context's draw buffer after a whole frame: `width` x `height` pixels from the
// lower-left corner, returned with its rows top first.
PpmImage readFramePixels(int width, int height);

// A picture as read back: its colours and, when the background is transparent, its alpha.
struct FramePicture {
    PpmImage image;
    std::vector<unsigned char> alpha;  // one byte a pixel, straight; empty: opaque
};

// The frame that `draw` draws, read as readFramePixels reads it. With transparentBackground on
// it is drawn twice, over black and over the usual white, and the two make its alpha (the
// colours of fully drawn pixels are the opaque picture's); the clear colour ends as it began.
FramePicture readFramePicture(int width, int height, const std::function<void()>& draw);

// The level-0 image of a texture, its rows in the order they were uploaded (the image file's
// first row first); empty when the texture has no image.
PpmImage readTextureImage(unsigned int texture);

// The arguments that draw `image`, a picture of the scene as it stands now, again: its size
// when not 500 x 500, then the settings (reproducingArguments with the loaded texture count).
std::string pictureArguments(const PpmImage& image);

// A PNG of `image`, a picture of the scene as it stands now, with text chunks naming the
// program and holding the arguments that reproduce it.
PngEncodeResult encodePicture(const PpmImage& image);
// The same with an alpha channel when the picture has one.
PngEncodeResult encodePicture(const FramePicture& picture);
// The same for a picture whose `arguments` were taken when it was read: plain data, so it
// may run on any thread.
PngEncodeResult encodePicture(const FramePicture& picture, const std::string& arguments);

// The line to say once when a picture without alpha is made with transparentBackground on;
// empty when it is off.
std::string whiteBackgroundNote(const char* format);

// The same as a JPEG of quality 95, the arguments in a comment marker after
// kArgumentsKeyword and ": ".
JpegEncodeResult encodePictureJpeg(const PpmImage& image);
