// Writes small valid PNG and JPEG files of every variant the loader handles, as fuzzing seeds.
// Usage: make_image_seeds <folder>
#include <cstdio>
#include <string>

#include <jpeglib.h>

#include "support/encode_images.h"

namespace {

// A 5x4 picture in the PNG's own layout: samples count up, wrapping at the depth's top value.
testimg::PngPicture png(int colourType, int bitDepth, bool interlaced)
{
    static const int channels[] = {1, 0, 3, 1, 2, 0, 4};
    testimg::PngPicture picture{5, 4, colourType, bitDepth, interlaced, {}, {}, {}};
    const int top = (1 << bitDepth) - 1;
    for (int i = 0; i < 5 * 4 * channels[colourType]; ++i)
        picture.samples.push_back(i * 37 % (top + 1));
    if (colourType == 3)
        for (int i = 0; i <= top; ++i) {
            picture.palette.insert(picture.palette.end(), {static_cast<unsigned char>(i * 50),
                                                           static_cast<unsigned char>(255 - i),
                                                           static_cast<unsigned char>(i * 9)});
            picture.transparency.push_back(static_cast<unsigned char>(i * 80));
        }
    return picture;
}

testimg::JpegPicture jpeg(int inputSpace, int fileSpace, bool progressive)
{
    const int components = inputSpace == JCS_GRAYSCALE ? 1 : inputSpace == JCS_CMYK ? 4 : 3;
    testimg::JpegPicture picture;
    picture.width = 9;
    picture.height = 7;
    picture.inputSpace = inputSpace;
    picture.fileSpace = fileSpace;
    picture.progressive = progressive;
    picture.quality = 75;
    for (int i = 0; i < 9 * 7 * components; ++i)
        picture.samples.push_back(static_cast<unsigned char>(i * 13));
    return picture;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    // A phone photo: EXIF in APP1 (big-endian TIFF) asking for a quarter turn.
    testimg::JpegPicture phone = jpeg(JCS_RGB, JCS_YCbCr, false);
    phone.app1 = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12,
                  0,   3,   0,   0,   0, 1, 0,   6,   0, 0, 0, 0, 0, 0};
    bool ok =
        testimg::writeBytes(dir + "/exif-orientation6.jpg", testimg::encodeJpeg(phone)) &&
        testimg::writeBytes(dir + "/rgb.png", testimg::encodePng(png(2, 8, false))) &&
        testimg::writeBytes(dir + "/rgba16-interlaced.png", testimg::encodePng(png(6, 16, true))) &&
        testimg::writeBytes(dir + "/grey1.png", testimg::encodePng(png(0, 1, false))) &&
        testimg::writeBytes(dir + "/grey-alpha.png", testimg::encodePng(png(4, 8, true))) &&
        testimg::writeBytes(dir + "/palette-trns.png", testimg::encodePng(png(3, 4, false))) &&
        testimg::writeBytes(dir + "/baseline.jpg",
                            testimg::encodeJpeg(jpeg(JCS_RGB, JCS_YCbCr, false))) &&
        testimg::writeBytes(dir + "/progressive.jpg",
                            testimg::encodeJpeg(jpeg(JCS_RGB, JCS_YCbCr, true))) &&
        testimg::writeBytes(dir + "/grey.jpg",
                            testimg::encodeJpeg(jpeg(JCS_GRAYSCALE, JCS_GRAYSCALE, false))) &&
        testimg::writeBytes(dir + "/cmyk.jpg",
                            testimg::encodeJpeg(jpeg(JCS_CMYK, JCS_CMYK, false))) &&
        testimg::writeBytes(dir + "/ycck-progressive.jpg",
                            testimg::encodeJpeg(jpeg(JCS_CMYK, JCS_YCCK, true)));
    return ok ? 0 : 1;
}
