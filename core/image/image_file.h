// Texture image files of three kinds (binary PPM, PNG, JPEG), told apart by their first bytes and
// decoded to one RGB record. No GL, no printing.
#pragma once

#include <cstddef>
#include <string>

#include "core/image/ppm.h"

enum class ImageKind { Ppm, Png, Jpeg, Unknown };

// The kind that the leading bytes announce: "P6" after optional whitespace (as the P6 reader
// takes its magic), the 8-byte PNG signature, or a JPEG start-of-image marker followed by the
// next marker's 0xFF. Never looks at a file name.
ImageKind detectImageKind(const unsigned char* bytes, size_t size);

enum class ImageError {
    None,
    OpenFailed,   // the file cannot be opened or read
    UnknownKind,  // neither P6, PNG nor JPEG
    // From the P6 reader, with its meaning (see PpmError).
    BadHeader,
    BadSize,
    BadMaxValue,
    ShortRaster,
    // PNG and JPEG.
    TooLarge,     // the header's width, height or pixel count is above the limits; nothing decoded
    Truncated,    // the data ends before the image (or the file's closing marker) does
    Corrupt,      // the data is damaged
    Unsupported,  // a well-formed file whose colours cannot be turned into RGB
};

struct ImageResult {
    PpmImage image;  // 8-bit RGB; valid only when error == ImageError::None
    ImageKind kind = ImageKind::Unknown;
    ImageError error = ImageError::None;
    std::string message;  // one line describing the failure, without the file name
    bool ok() const { return error == ImageError::None; }
};

// Decodes one image held in memory. PNG and JPEG images larger than kPpmMaxDimension a side or
// than `maxPixels` in all are refused from their header, before any pixel memory is taken (a
// caller may lower `maxPixels` to bound memory further); P6 files keep the P6 reader's limits.
ImageResult readImageBytes(const unsigned char* bytes, size_t size,
                           long long maxPixels = kPpmMaxPixels);

// Most bytes of a PNG or JPEG file read into memory to be decoded.
constexpr long long kLargestImageFile = 512LL << 20;

// Reads the image file at `path`, which may be a FIFO or a device: its kind from its first
// bytes (anything else is refused there, UnknownKind); P6 files are streamed through the P6
// reader, PNG and JPEG files are read whole (kLargestImageFile bytes at most) and decoded.
ImageResult readImageFile(const std::string& path);

// The decoders behind readImageBytes, for data already known to be of their kind. Every
// grey, palette, 16-bit and alpha variant of PNG (interlaced too) and every baseline,
// progressive, greyscale and CMYK/YCCK JPEG comes out as 8-bit RGB; alpha is dropped.
ImageResult readPngBytes(const unsigned char* bytes, size_t size, long long maxPixels);
ImageResult readJpegBytes(const unsigned char* bytes, size_t size, long long maxPixels);

// Shared by the decoders: why a header's size (already known to be positive) is above the
// limits; empty when it fits.
std::string imageSizeProblem(long long width, long long height, long long maxPixels);

// What a file that is none of the three kinds really is, in a few words for a message:
// "a folder", "an empty file", "a GIF image", "a BMP image", ... or "a file of an unknown kind".
std::string describeOtherFile(const std::string& path);
