// PNG decoding with libpng: every colour type and bit depth to 8-bit RGB, silently.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "core/image/image_file.h"

namespace {

// Everything libpng's callbacks touch. Plain data only: libpng leaves a failing call by
// longjmp, which must not skip any destructor.
struct PngSource {
    const unsigned char* bytes;
    size_t size;
    size_t offset;
    bool truncated;     // the read callback ran out of data
    char message[200];  // libpng's first error, one line
};

void readFromMemory(png_structp png, png_bytep out, size_t length)
{
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > source->size - source->offset) {
        source->truncated = true;
        png_error(png, "file ends early");
    }
    std::memcpy(out, source->bytes + source->offset, length);
    source->offset += length;
}

// Errors end the decode through libpng's jump buffer; nothing reaches the terminal.
void onError(png_structp png, png_const_charp message)
{
    PngSource* source = static_cast<PngSource*>(png_get_error_ptr(png));
    if (source->message[0] == '\0')
        std::snprintf(source->message, sizeof source->message, "%s", message);
    png_longjmp(png, 1);
}

// Warnings (odd ancillary chunks, a bad CRC in one, extra data after the image) leave the
// pixels whole, so they are dropped rather than printed.
void onWarning(png_structp, png_const_charp) {}

// Reads the signature and every chunk up to the pixel data. False after a libpng error (the
// message is in the source).
bool readInfo(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    return true;
}

// Converts to 8-bit RGB while decoding every pass of every row into `pixels` (tightly packed
// rows of the header's size), then reads on to the end chunk so that a damaged or cut-off
// tail is noticed too. False after a libpng error.
bool readPixels(png_structp png, png_infop info, unsigned char* pixels)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const png_uint_32 height = png_get_image_height(png, info);
    const size_t rowBytes = size_t{png_get_image_width(png, info)} * 3;
    const int colourType = png_get_color_type(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_expand_gray_1_2_4_to_8(png);
        png_set_gray_to_rgb(png);
    }
    png_set_scale_16(png);
    png_set_strip_alpha(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != rowBytes)
        png_error(png, "rows do not convert to 8-bit RGB");

    // Interlaced passes fill each row in place; after the last pass the rows are complete.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, pixels + y * rowBytes, nullptr);
    png_read_end(png, info);
    return true;
}

}  // namespace

ImageResult readPngBytes(const unsigned char* bytes, size_t size, long long maxPixels)
{
    ImageResult result;
    result.kind = ImageKind::Png;
    PngSource source = {bytes, size, 0, false, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        result.error = ImageError::Corrupt;
        result.message = "the PNG decoder could not start";
        return result;
    }
    png_set_read_fn(png, &source, readFromMemory);

    bool decoded = readInfo(png, info);
    if (decoded) {
        const png_uint_32 width = png_get_image_width(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        const std::string tooLarge = imageSizeProblem(width, height, maxPixels);
        if (!tooLarge.empty()) {
            result.error = ImageError::TooLarge;
            result.message = tooLarge;
        } else {
            result.image.width = static_cast<int>(width);
            result.image.height = static_cast<int>(height);
            result.image.pixels.resize(size_t{width} * height * 3);
            decoded = readPixels(png, info, result.image.pixels.data());
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);

    if (!decoded && source.truncated) {
        result.error = ImageError::Truncated;
        result.message = "the PNG data ends before the image is complete";
    } else if (!decoded) {
        result.error = ImageError::Corrupt;
        result.message = std::string("damaged PNG data (") + source.message + ")";
    }
    if (!result.ok())
        result.image = PpmImage();
    return result;
}
