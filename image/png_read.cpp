// PNG decoding with libpng: every colour type and bit depth to 8-bit RGB, silently.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "image/image_file.h"

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

enum class Stage { Failed, Header, Pixels };

// Reads the header and sets up the conversion to 8-bit RGB; fills the size and the number of
// interlace passes. Returns Failed after a libpng error (the message is in the source).
Stage readHeader(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height,
                 int* passes)
{
    if (setjmp(png_jmpbuf(png)))
        return Stage::Failed;
    png_read_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    const int colourType = png_get_color_type(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_expand_gray_1_2_4_to_8(png);
        png_set_gray_to_rgb(png);
    }
    png_set_scale_16(png);
    png_set_strip_alpha(png);
    *passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return Stage::Pixels;
}

// Decodes every pass of every row into `pixels` (tightly packed RGB rows), then reads on to
// the end chunk so that a damaged or cut-off tail is noticed too.
Stage readPixels(png_structp png, png_infop info, int passes, unsigned char* pixels,
                 png_uint_32 height, size_t rowBytes)
{
    if (setjmp(png_jmpbuf(png)))
        return Stage::Failed;
    // Interlaced passes fill each row in place; after the last pass the rows are complete.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, pixels + y * rowBytes, nullptr);
    png_read_end(png, info);
    return Stage::Pixels;
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

    png_uint_32 width = 0, height = 0;
    int passes = 1;
    Stage stage = readHeader(png, info, &width, &height, &passes);
    if (stage == Stage::Pixels) {
        const std::string tooLarge = imageSizeProblem(width, height, maxPixels);
        if (!tooLarge.empty()) {
            result.error = ImageError::TooLarge;
            result.message = tooLarge;
        } else if (png_get_channels(png, info) != 3 || png_get_bit_depth(png, info) != 8 ||
                   png_get_rowbytes(png, info) != size_t{width} * 3) {
            result.error = ImageError::Unsupported;
            result.message = "PNG pixels do not convert to 8-bit RGB";
        } else {
            result.image.width = static_cast<int>(width);
            result.image.height = static_cast<int>(height);
            result.image.pixels.resize(size_t{width} * height * 3);
            stage = readPixels(png, info, passes, result.image.pixels.data(), height,
                               size_t{width} * 3);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);

    if (stage == Stage::Failed) {
        result.image = PpmImage();
        if (source.truncated) {
            result.error = ImageError::Truncated;
            result.message = "the PNG data ends before the image is complete";
        } else {
            result.error = ImageError::Corrupt;
            result.message = std::string("damaged PNG data (") + source.message + ")";
        }
    } else if (!result.ok()) {
        result.image = PpmImage();
    }
    return result;
}
