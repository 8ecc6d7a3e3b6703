// What the page checks itself before the browser decodes a PNG or JPEG file: the structure the
// desktop's decoders would refuse, and the size limits they apply from the header.
#include "web/image_check.h"

#include <cstdint>
#include <cstring>

namespace {

const std::string kPngCutOff = "the PNG data ends before the image is complete";
const std::string kJpegCutOff = "the JPEG data ends before the image is complete";

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

unsigned bigEndian16(const unsigned char* p)
{
    return static_cast<unsigned>(p[0]) << 8 | p[1];
}

// Chunks from the signature to IEND, each whole and its critical ones with their CRC right; the
// size in IHDR is held to the limits when the image data begins, as libpng reads the header.
std::string pngProblem(const unsigned char* bytes, size_t size)
{
    long long width = 0, height = 0;
    bool sizeChecked = false;
    size_t at = 8;
    while (true) {
        if (size - at < 12)
            return kPngCutOff;
        const uint32_t length = bigEndian(bytes + at);
        if (length > size - at - 12)
            return kPngCutOff;
        const unsigned char* type = bytes + at + 4;
        // As libpng on the desktop: a critical chunk (upper-case first letter) must be
        // intact; an ancillary one with a wrong CRC is dropped, not fatal.
        const bool critical = (type[0] & 0x20) == 0;
        if (critical && crc32(type, length + 4) != bigEndian(bytes + at + 8 + length))
            return "damaged PNG data (a chunk's CRC is wrong)";
        if (at == 8 && std::memcmp(type, "IHDR", 4) == 0 && length >= 8) {
            width = bigEndian(type + 4);
            height = bigEndian(type + 8);
        }
        if (!sizeChecked && (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0)) {
            sizeChecked = true;
            if (width > 0 && height > 0) {
                const std::string tooLarge = imageSizeProblem(width, height, kPpmMaxPixels);
                if (!tooLarge.empty())
                    return tooLarge;
            }
        }
        if (std::memcmp(type, "IEND", 4) == 0)
            return std::string();
        at += 12 + static_cast<size_t>(length);
    }
}

bool isFrameMarker(unsigned char m)
{
    // SOF0 to SOF15, less DHT (C4), JPG (C8) and DAC (CC).
    return m >= 0xc0 && m <= 0xcf && m != 0xc4 && m != 0xc8 && m != 0xcc;
}

// The position after the entropy-coded data that starts at `at`: the 0xFF of the marker that
// ends it (stuffed 0xFF00 and restart markers belong to the data), or `size` when the data
// runs to the end of the file.
size_t scanEnd(const unsigned char* bytes, size_t size, size_t at)
{
    while (at < size) {
        if (bytes[at] != 0xff) {
            ++at;
            continue;
        }
        size_t next = at + 1;
        while (next < size && bytes[next] == 0xff)
            ++next;
        if (next == size)
            return size;
        const unsigned char m = bytes[next];
        if (m != 0 && !(m >= 0xd0 && m <= 0xd7))
            return next - 1;
        at = next + 1;
    }
    return size;
}

// The marker segments walked as libjpeg reads them, from SOI to EOI: each segment by its
// length, each scan through its entropy-coded data, so that markers inside a segment (an APP1
// thumbnail's own scan and end) count for nothing. The frame's size is held to the limits at
// the first scan, where libjpeg's header reading stops. Bytes between markers are skipped, as
// libjpeg skips them; what only decoding can tell is left to the browser.
std::string jpegProblem(const unsigned char* bytes, size_t size)
{
    long long width = -1, height = -1;
    bool scanned = false;
    size_t at = 2;
    while (true) {
        while (at < size && bytes[at] != 0xff)
            ++at;
        while (at < size && bytes[at] == 0xff)
            ++at;
        if (at >= size)
            return kJpegCutOff;
        const unsigned char marker = bytes[at++];
        if (marker == 0)
            continue;
        if (marker == 0xd9) {
            if (!scanned)
                return "damaged JPEG data (JPEG datastream contains no image)";
            return std::string();
        }
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8))
            continue;  // no length: TEM, RSTn, and a second SOI (libjpeg's own message)
        if (size - at < 2)
            return kJpegCutOff;
        const size_t length = bigEndian16(bytes + at);
        if (length < 2) {
            at += 2;  // libjpeg reads on after the length; whether that is damage it decides
            continue;
        }
        if (length > size - at)
            return kJpegCutOff;
        if (isFrameMarker(marker) && length >= 7) {
            height = bigEndian16(bytes + at + 3);
            width = bigEndian16(bytes + at + 5);
        }
        at += length;
        if (marker != 0xda)
            continue;
        if (!scanned) {
            if (width < 0)
                return "damaged JPEG data (Invalid JPEG file structure: SOS before SOF)";
            if (width == 0 || height == 0)
                return "damaged JPEG data (Empty JPEG image (DNL not supported))";
            const std::string tooLarge = imageSizeProblem(width, height, kPpmMaxPixels);
            if (!tooLarge.empty())
                return tooLarge;
        }
        scanned = true;
        at = scanEnd(bytes, size, at);
        if (at >= size)
            return kJpegCutOff;
    }
}

}  // namespace

std::string browserImageProblem(const unsigned char* bytes, size_t size)
{
    switch (detectImageKind(bytes, size)) {
    case ImageKind::Png: return pngProblem(bytes, size);
    case ImageKind::Jpeg: return jpegProblem(bytes, size);
    case ImageKind::Ppm:
    case ImageKind::Unknown: break;
    }
    return std::string();
}
