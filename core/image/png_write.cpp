// PNG encoding with libpng into memory; libpng's errors come back as a message, never printed.
#include "core/image/png_write.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <new>

namespace {

struct Output {
    std::vector<unsigned char>* bytes;
    char error[200];
};

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<Output*>(png_get_io_ptr(png));
    // No exception may cross libpng's C frames, and png_error's longjmp may not leave a catch
    // block (the exception would never be ended): the error is raised after it.
    bool full = false;
    try {
        out->bytes->insert(out->bytes->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        full = true;
    }
    if (full)
        png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

void onError(png_structp png, png_const_charp message)
{
    auto* out = static_cast<Output*>(png_get_error_ptr(png));
    std::snprintf(out->error, sizeof out->error, "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Holds no object with a destructor: libpng leaves through longjmp on an error.
bool encodeRows(png_structp png, png_infop info, const PpmImage& image, bool withAlpha,
                png_text* texts, int textCount, png_bytep* rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8,
                 withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (textCount > 0)
        png_set_text(png, info, texts, textCount);
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

}  // namespace

PngEncodeResult encodePng(const PpmImage& image, const std::vector<PngText>& texts)
{
    return encodePng(image, {}, texts);
}

PngEncodeResult encodePng(const PpmImage& image, const std::vector<unsigned char>& alpha,
                          const std::vector<PngText>& texts)
{
    PngEncodeResult result;
    const size_t pixelCount = static_cast<size_t>(image.width) * image.height;
    if (image.width <= 0 || image.height <= 0 || image.pixels.size() != pixelCount * 3 ||
        (!alpha.empty() && alpha.size() != pixelCount)) {
        result.message = "the image has no pixels or its size does not match its rows";
        return result;
    }
    for (const PngText& t : texts)
        if (t.keyword.empty() || t.keyword.size() > 79) {
            result.message = "a PNG text keyword must have 1 to 79 characters";
            return result;
        }

    Output out{&result.bytes, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &out, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        result.message = "libpng could not start (out of memory)";
        return result;
    }
    png_set_write_fn(png, &out, appendBytes, flushNothing);

    // With alpha the rows are interleaved into RGBA first.
    const bool withAlpha = !alpha.empty();
    std::vector<unsigned char> rgba;
    if (withAlpha) {
        rgba.resize(pixelCount * 4);
        for (size_t i = 0; i < pixelCount; ++i) {
            rgba[i * 4] = image.pixels[i * 3];
            rgba[i * 4 + 1] = image.pixels[i * 3 + 1];
            rgba[i * 4 + 2] = image.pixels[i * 3 + 2];
            rgba[i * 4 + 3] = alpha[i];
        }
    }
    const unsigned char* base = withAlpha ? rgba.data() : image.pixels.data();
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    const size_t stride = static_cast<size_t>(image.width) * (withAlpha ? 4 : 3);
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = const_cast<png_bytep>(base + y * stride);
    std::vector<png_text> chunks(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        chunks[i] = png_text{};
        chunks[i].compression = PNG_TEXT_COMPRESSION_NONE;
        chunks[i].key = const_cast<png_charp>(texts[i].keyword.c_str());
        chunks[i].text = const_cast<png_charp>(texts[i].text.c_str());
        chunks[i].text_length = texts[i].text.size();
    }

    const bool ok =
        encodeRows(png, info, image, withAlpha, chunks.data(), static_cast<int>(chunks.size()), rows.data());
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        result.bytes.clear();
        result.message = std::string("PNG encoding failed: ") + out.error;
    }
    return result;
}
