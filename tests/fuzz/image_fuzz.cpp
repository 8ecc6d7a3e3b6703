// libFuzzer target: arbitrary bytes through kind detection and the P6, PNG and JPEG decoders
// (with the EXIF orientation), through the EXIF reader alone, and through the page's check
// before the browser decodes; a success must describe a whole image, a failure must leave none,
// and the page may not refuse a PNG or JPEG that the desktop reads.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/image/exif_orientation.h"
#include "core/image/image_file.h"
#include "core/image/image_structure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The bytes as an APP1 payload, with and without the "Exif\0\0" the reader looks for.
    const int orientation = exifOrientation(data, size);
    if (orientation < 1 || orientation > 8)
        std::abort();
    if (size <= 4096) {
        std::string app1("Exif\0\0", 6);
        app1.append(reinterpret_cast<const char*>(data), size);
        const int tiffOrientation =
            exifOrientation(reinterpret_cast<const unsigned char*>(app1.data()), app1.size());
        if (tiffOrientation < 1 || tiffOrientation > 8)
            std::abort();
    }

    // A low pixel limit keeps each run small; refusing larger headers is part of what is tested.
    constexpr long long maxPixels = 1 << 20;
    const ImageResult r = readImageBytes(data, size, maxPixels);
    const ImageKind kind = detectImageKind(data, size);
    const PpmImage& image = r.image;
    if (r.ok()) {
        if (r.kind != kind || image.width <= 0 || image.height <= 0 ||
            image.width > kPpmMaxDimension || image.height > kPpmMaxDimension)
            std::abort();
        if (image.pixels.size() != static_cast<size_t>(image.width) * image.height * 3)
            std::abort();
        if ((kind == ImageKind::Png || kind == ImageKind::Jpeg) &&
            !imageStructureProblem(data, size).empty())
            std::abort();
        // A JPEG may come out turned a quarter: its pixel count is what bounds it.
        if (kind != ImageKind::Ppm &&
            static_cast<long long>(image.width) * image.height > maxPixels)
            std::abort();
    } else {
        if (imageStructureProblem(data, size).find('\n') != std::string::npos)
            std::abort();
        if (r.message.empty() || r.message.find('\n') != std::string::npos)
            std::abort();
        if (!image.pixels.empty() || image.width != 0 || image.height != 0)
            std::abort();
        // PNG and JPEG data is never handed to the P6 reader, nor called of unknown kind.
        if ((kind == ImageKind::Png || kind == ImageKind::Jpeg) && r.kind != kind)
            std::abort();
    }
    return 0;
}
