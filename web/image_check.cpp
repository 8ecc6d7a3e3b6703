// What the page checks itself before the browser decodes a PNG or JPEG file.
#include "web/image_check.h"

#include <cstdint>
#include <cstring>

namespace {

uint32_t crc32(const unsigned char* bytes, size_t size)
{
    static uint32_t table[256];
    if (table[1] == 0)
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    uint32_t c = 0xffffffffu;
    for (size_t i = 0; i < size; ++i)
        c = table[(c ^ bytes[i]) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

uint32_t bigEndian(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

std::string browserImageProblem(const unsigned char* bytes, size_t size)
{
    switch (detectImageKind(bytes, size)) {
    case ImageKind::Png: {
        // Chunks from the signature to IEND, each whole and with its CRC right.
        size_t at = 8;
        while (true) {
            if (size - at < 12)
                return "the PNG data ends before the image is complete";
            const uint32_t length = bigEndian(bytes + at);
            if (length > size - at - 12)
                return "the PNG data ends before the image is complete";
            // As libpng on the desktop: a critical chunk (upper-case first letter) must be
            // intact; an ancillary one with a wrong CRC is dropped, not fatal.
            const bool critical = (bytes[at + 4] & 0x20) == 0;
            if (critical && crc32(bytes + at + 4, length + 4) != bigEndian(bytes + at + 8 + length))
                return "damaged PNG data (a chunk's CRC is wrong)";
            if (std::memcmp(bytes + at + 4, "IEND", 4) == 0)
                return std::string();
            at += 12 + static_cast<size_t>(length);
        }
    }
    case ImageKind::Jpeg:
        // An end-of-image marker after the first start-of-scan.
        for (size_t i = 2; i + 1 < size; ++i)
            if (bytes[i] == 0xff && bytes[i + 1] == 0xda) {
                for (size_t j = i + 2; j + 1 < size; ++j)
                    if (bytes[j] == 0xff && bytes[j + 1] == 0xd9)
                        return std::string();
                break;
            }
        return "the JPEG data ends before the image is complete";
    case ImageKind::Ppm:
    case ImageKind::Unknown: break;
    }
    return std::string();
}
