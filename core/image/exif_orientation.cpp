// A reader of the one EXIF tag Tolvane needs, and the eight turns and mirrors it names.
#include "core/image/exif_orientation.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

constexpr int kAsStored = 1;

struct TiffReader {
    const unsigned char* data;  // the TIFF header's first byte
    size_t size;
    bool bigEndian;

    bool has(size_t offset, size_t length) const
    {
        return offset <= size && length <= size - offset;
    }
    std::uint16_t u16(size_t offset) const
    {
        const unsigned char* p = data + offset;
        return bigEndian ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                         : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
    }
    std::uint32_t u32(size_t offset) const
    {
        const unsigned char* p = data + offset;
        return bigEndian ? std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                               std::uint32_t{p[2]} << 8 | p[3]
                         : std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 |
                               std::uint32_t{p[1]} << 8 | p[0];
    }
};

}  // namespace

int exifOrientation(const unsigned char* app1, size_t size)
{
    static const unsigned char kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1 == nullptr || size < sizeof kExifHeader ||
        std::memcmp(app1, kExifHeader, sizeof kExifHeader) != 0)
        return kAsStored;
    TiffReader tiff{app1 + sizeof kExifHeader, size - sizeof kExifHeader, false};
    if (!tiff.has(0, 8))
        return kAsStored;
    if (tiff.data[0] == 'M' && tiff.data[1] == 'M')
        tiff.bigEndian = true;
    else if (tiff.data[0] != 'I' || tiff.data[1] != 'I')
        return kAsStored;
    if (tiff.u16(2) != 42)
        return kAsStored;
    const size_t ifd = tiff.u32(4);
    if (!tiff.has(ifd, 2))
        return kAsStored;
    const size_t entries = tiff.u16(ifd);
    for (size_t k = 0; k < entries; ++k) {
        const size_t entry = ifd + 2 + 12 * k;
        if (!tiff.has(entry, 12))
            return kAsStored;
        constexpr std::uint16_t kOrientationTag = 0x0112, kShort = 3;
        if (tiff.u16(entry) != kOrientationTag)
            continue;
        if (tiff.u16(entry + 2) != kShort || tiff.u32(entry + 4) != 1)
            return kAsStored;
        const int value = tiff.u16(entry + 8);  // a lone SHORT sits at the value field's start
        return value >= 1 && value <= 8 ? value : kAsStored;
    }
    return kAsStored;
}

PpmImage orientImage(PpmImage image, int orientation)
{
    if (orientation < 2 || orientation > 8 || image.width <= 0 || image.height <= 0)
        return image;
    const size_t w = static_cast<size_t>(image.width), h = static_cast<size_t>(image.height);
    const bool swaps = orientation >= 5;
    PpmImage out;
    out.width = swaps ? image.height : image.width;
    out.height = swaps ? image.width : image.height;
    out.pixels.resize(w * h * 3);
    const size_t outWidth = static_cast<size_t>(out.width);
    for (size_t y = 0; y < static_cast<size_t>(out.height); ++y) {
        for (size_t x = 0; x < outWidth; ++x) {
            // The stored pixel that the shown pixel (x, y) comes from.
            size_t sx = x, sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x, sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y, sy = x; break;
            case 6: sx = y, sy = h - 1 - x; break;
            case 7: sx = w - 1 - y, sy = h - 1 - x; break;
            case 8: sx = w - 1 - y, sy = x; break;
            }
            std::memcpy(&out.pixels[(y * outWidth + x) * 3], &image.pixels[(sy * w + sx) * 3], 3);
        }
    }
    return out;
}
