// PNG chunks and JPEG marker segments walked as the desktop's decoders read them.
#include "core/image/image_structure.h"

#include <cstring>

#include "core/image/image_file.h"

namespace {

const std::string kPngCutOff = "the PNG data ends before the image is complete";
const std::string kJpegCutOff = "the JPEG data ends before the image is complete";

uint32_t bigEndian32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

unsigned bigEndian16(const unsigned char* p)
{
    return static_cast<unsigned>(p[0]) << 8 | p[1];
}

void putBigEndian32(unsigned char* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// Chunks from the signature to IEND, each whole and its critical ones with their CRC right; the
// size in IHDR is held to the limits when the image data begins, as libpng reads the header.
std::string pngProblem(const unsigned char* bytes, size_t size)
{
    long long width = 0, height = 0;
    bool sizeChecked = false;
    PngChunk chunk;
    for (size_t at = kPngSignatureSize;; at = chunk.next) {
        if (!readPngChunk(bytes, size, at, chunk))
            return kPngCutOff;
        // As libpng on the desktop: a critical chunk must be intact; an ancillary one with a
        // wrong CRC is dropped, not fatal.
        if (chunk.critical() && !chunk.crcRight())
            return "damaged PNG data (a chunk's CRC is wrong)";
        if (at == kPngSignatureSize && chunk.is("IHDR") && chunk.length >= 8) {
            width = bigEndian32(chunk.data);
            height = bigEndian32(chunk.data + 4);
        }
        if (!sizeChecked && (chunk.is("IDAT") || chunk.is("IEND"))) {
            sizeChecked = true;
            if (width > 0 && height > 0) {
                const std::string tooLarge = imageSizeProblem(width, height, kPpmMaxPixels);
                if (!tooLarge.empty())
                    return tooLarge;
            }
        }
        if (chunk.is("IEND"))
            return std::string();
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

// From SOI to EOI with a scan in between; the frame's size is held to the limits at the first
// scan, where libjpeg's header reading stops. What only decoding can tell is left to the decoder.
std::string jpegProblem(const unsigned char* bytes, size_t size)
{
    long long width = -1, height = -1;
    bool scanned = false;
    std::string problem;
    const JpegWalkEnd end = walkJpegSegments(bytes, size, [&](const JpegSegment& s) {
        if (isFrameMarker(s.marker) && s.size >= 5) {  // precision, height, width
            height = bigEndian16(s.data + 1);
            width = bigEndian16(s.data + 3);
        }
        if (s.marker != 0xda)
            return true;
        if (!scanned) {
            if (width < 0)
                problem = "damaged JPEG data (Invalid JPEG file structure: SOS before SOF)";
            else if (width == 0 || height == 0)
                problem = "damaged JPEG data (Empty JPEG image (DNL not supported))";
            else
                problem = imageSizeProblem(width, height, kPpmMaxPixels);
        }
        scanned = true;
        return problem.empty();
    });
    if (!problem.empty())
        return problem;
    if (end != JpegWalkEnd::EndOfImage)
        return kJpegCutOff;
    if (!scanned)
        return "damaged JPEG data (JPEG datastream contains no image)";
    return std::string();
}

}  // namespace

uint32_t crc32(const unsigned char* bytes, size_t size)
{
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xffffffffu;
    for (size_t i = 0; i < size; ++i)
        c = table[(c ^ bytes[i]) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

bool PngChunk::is(const char* name) const
{
    return std::memcmp(type, name, 4) == 0;
}

bool PngChunk::critical() const
{
    return (type[0] & 0x20) == 0;
}

bool PngChunk::crcRight() const
{
    return crc32(type, length + 4) == bigEndian32(data + length);
}

bool readPngChunk(const unsigned char* bytes, size_t size, size_t at, PngChunk& chunk)
{
    if (at > size || size - at < 12)
        return false;
    const uint32_t length = bigEndian32(bytes + at);
    if (length > size - at - 12)
        return false;
    chunk.type = bytes + at + 4;
    chunk.data = bytes + at + 8;
    chunk.length = length;
    chunk.next = at + 12 + static_cast<size_t>(length);
    return true;
}

std::vector<unsigned char> pngTextChunk(const PngText& text)
{
    const std::string body = "tEXt" + text.keyword + '\0' + text.text;
    std::vector<unsigned char> chunk(body.size() + 8);
    putBigEndian32(chunk.data(), static_cast<uint32_t>(body.size() - 4));
    std::memcpy(chunk.data() + 4, body.data(), body.size());
    putBigEndian32(chunk.data() + 4 + body.size(),
                   crc32(chunk.data() + 4, body.size()));
    return chunk;
}

size_t pngTextPlace(const unsigned char* png, size_t size)
{
    static const unsigned char signature[kPngSignatureSize] = {0x89, 'P', 'N', 'G',
                                                               '\r', '\n', 0x1a, '\n'};
    PngChunk header;
    if (size < kPngSignatureSize || std::memcmp(png, signature, kPngSignatureSize) != 0 ||
        !readPngChunk(png, size, kPngSignatureSize, header) || !header.is("IHDR"))
        return 0;
    return header.next;
}

JpegWalkEnd walkJpegSegments(const unsigned char* bytes, size_t size,
                             const std::function<bool(const JpegSegment&)>& visit)
{
    size_t at = 2;
    while (true) {
        while (at < size && bytes[at] != 0xff)
            ++at;
        while (at < size && bytes[at] == 0xff)
            ++at;
        if (at >= size)
            return JpegWalkEnd::CutOff;
        const unsigned char marker = bytes[at++];
        if (marker == 0)
            continue;
        if (marker == 0xd9)
            return JpegWalkEnd::EndOfImage;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8))
            continue;  // no length: TEM, RSTn, and a second SOI (libjpeg's own message)
        if (size - at < 2)
            return JpegWalkEnd::CutOff;
        const size_t length = bigEndian16(bytes + at);
        if (length < 2) {
            at += 2;  // libjpeg reads on after the length; whether that is damage it decides
            continue;
        }
        if (length > size - at)
            return JpegWalkEnd::CutOff;
        if (!visit(JpegSegment{marker, bytes + at + 2, length - 2}))
            return JpegWalkEnd::Stopped;
        at += length;
        if (marker != 0xda)
            continue;
        at = scanEnd(bytes, size, at);
        if (at >= size)
            return JpegWalkEnd::CutOff;
    }
}

std::string imageStructureProblem(const unsigned char* bytes, size_t size)
{
    switch (detectImageKind(bytes, size)) {
    case ImageKind::Png: return pngProblem(bytes, size);
    case ImageKind::Jpeg: return jpegProblem(bytes, size);
    case ImageKind::Ppm:
    case ImageKind::Unknown: break;
    }
    return std::string();
}
