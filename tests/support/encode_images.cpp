// PNG and JPEG encoders for tests: libpng and libjpeg write, into memory, exactly what is asked.
#include "encode_images.h"

#include <png.h>

#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace testimg {

namespace {

int channelsOf(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
    }
}

// Packs one row's samples as PNG stores them: below 8 bits, leftmost sample in the high bits;
// 16 bits, most significant byte first.
Bytes packRow(const int* samples, int count, int bitDepth)
{
    Bytes row;
    if (bitDepth >= 8) {
        for (int i = 0; i < count; ++i) {
            if (bitDepth == 16)
                row.push_back(static_cast<unsigned char>(samples[i] >> 8));
            row.push_back(static_cast<unsigned char>(samples[i] & 0xff));
        }
        return row;
    }
    row.assign((count * bitDepth + 7) / 8, 0);
    for (int i = 0; i < count; ++i) {
        const int bit = i * bitDepth;
        row[bit / 8] |= static_cast<unsigned char>(samples[i] << (8 - bitDepth - bit % 8));
    }
    return row;
}

void appendToBytes(png_structp png, png_bytep data, size_t length)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

[[noreturn]] void pngFailed(png_structp, png_const_charp message)
{
    // Test inputs are built by the tests themselves: a failure here is a fault in the test.
    std::fprintf(stderr, "encodePng: %s\n", message);
    std::abort();
}

[[noreturn]] void jpegFailed(j_common_ptr info)
{
    char message[JMSG_LENGTH_MAX];
    info->err->format_message(info, message);
    std::fprintf(stderr, "encodeJpeg: %s\n", message);
    std::abort();
}

}  // namespace

Bytes encodePng(const PngPicture& picture)
{
    const int perRow = picture.width * channelsOf(picture.colourType);
    if (picture.samples.size() != static_cast<size_t>(perRow) * picture.height)
        throw std::invalid_argument("encodePng: sample count does not match the size");
    std::vector<Bytes> rows;
    for (int y = 0; y < picture.height; ++y)
        rows.push_back(packRow(picture.samples.data() + y * perRow, perRow, picture.bitDepth));
    std::vector<png_bytep> rowPointers;
    for (Bytes& row : rows)
        rowPointers.push_back(row.data());

    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFailed, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendToBytes, flushNothing);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colourType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (size_t i = 0; i + 2 < picture.palette.size(); i += 3)
        palette.push_back({picture.palette[i], picture.palette[i + 1], picture.palette[i + 2]});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!picture.transparency.empty())
        png_set_tRNS(png, info, picture.transparency.data(),
                     static_cast<int>(picture.transparency.size()), nullptr);
    png_write_info(png, info);
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes encodeJpeg(const JpegPicture& picture)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    errors.error_exit = jpegFailed;
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);

    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.in_color_space = static_cast<J_COLOR_SPACE>(picture.inputSpace);
    info.input_components = picture.inputSpace == JCS_GRAYSCALE ? 1
                            : picture.inputSpace == JCS_CMYK    ? 4
                                                                : 3;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, static_cast<J_COLOR_SPACE>(picture.fileSpace));
    info.write_Adobe_marker = picture.adobeMarker ? TRUE : FALSE;
    jpeg_set_quality(&info, picture.quality, TRUE);
    if (picture.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (!picture.app1.empty())
        jpeg_write_marker(&info, JPEG_APP0 + 1, picture.app1.data(),
                          static_cast<unsigned>(picture.app1.size()));
    const size_t rowBytes = static_cast<size_t>(picture.width) * info.input_components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<unsigned char*>(picture.samples.data()) + info.next_scanline * rowBytes;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

bool writeBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace testimg
