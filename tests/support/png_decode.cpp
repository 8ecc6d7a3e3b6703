// An independent check of the PNG files Tolvane writes: libpng's own reader, text chunks too.
#include "png_decode.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>

namespace testimg {

namespace {

// Holds no object with a destructor: libpng leaves through longjmp on an error.
bool readInto(png_structp png, png_infop info, std::FILE* file, DecodedPng* out)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    out->width = static_cast<int>(png_get_image_width(png, info));
    out->height = static_cast<int>(png_get_image_height(png, info));
    const size_t pixels = static_cast<size_t>(out->width) * out->height;
    const size_t channels = png_get_channels(png, info);  // 3, or 4 with alpha
    std::vector<unsigned char> read(pixels * channels);
    std::vector<png_bytep> rows(static_cast<size_t>(out->height));
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = read.data() + y * out->width * channels;
    png_read_image(png, rows.data());
    out->rgb.resize(pixels * 3);
    if (channels == 4)
        out->alpha.resize(pixels);
    for (size_t i = 0; i < pixels; ++i) {
        for (size_t k = 0; k < 3; ++k)
            out->rgb[i * 3 + k] = read[i * channels + k];
        if (channels == 4)
            out->alpha[i] = read[i * 4 + 3];
    }
    png_read_end(png, info);
    png_textp text = nullptr;
    const int count = png_get_text(png, info, &text, nullptr);
    for (int i = 0; i < count; ++i)
        out->texts[text[i].key] = std::string(text[i].text, text[i].text_length);
    return true;
}

}  // namespace

DecodedPng decodePngFile(const std::string& path)
{
    DecodedPng decoded;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    if (!file) {
        decoded.error = "cannot open " + path;
        return decoded;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!readInto(png, info, file.get(), &decoded)) {
        decoded = DecodedPng{};
        decoded.error = path + " is not a valid PNG";
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return decoded;
}

}  // namespace testimg
