// Binary PPM (P6) reader: bytes in, an image record or an error out. No GL, no printing.
#pragma once

#include <istream>
#include <string>
#include <vector>

struct PpmImage {
    int width = 0;   // pixels per row, > 0
    int height = 0;  // rows, > 0
    std::vector<unsigned char>
        pixels;  // width * height * 3 bytes, RGB, first file row first, no row gaps
};

enum class PpmError {
    None,
    OpenFailed,   // the file cannot be opened
    NotP6,        // the magic does not begin with "P6"
    BadHeader,    // a header number is missing or unreadable, or no whitespace follows the maximum
                  // value
    BadSize,      // width or height not positive, or the image too large to hold
    BadMaxValue,  // maximum value outside 1..65535
    ShortRaster,  // fewer raster bytes than the header promises
};

struct PpmResult {
    PpmImage image;  // valid only when error == PpmError::None
    PpmError error = PpmError::None;
    std::string message;  // one line describing the failure, without the file name
    bool ok() const { return error == PpmError::None; }
};

// Largest accepted width or height, and largest pixel count (about 768 MiB of RGB).
constexpr int kPpmMaxDimension = 32768;
constexpr long long kPpmMaxPixels = 1LL << 28;
// Most bytes read before the raster (magic, whitespace, comments, the three numbers): a longer
// header is refused, so that a stream without end is refused too.
constexpr long long kPpmMaxHeaderBytes = 1LL << 16;

// Parses one P6 image from `in` (opened in binary mode). Samples are scaled to 0..255
// from the header's maximum value; above 255 each sample is two bytes, most significant first.
PpmResult readPpmImage(std::istream& in);

// Opens `path` in binary mode and parses it; OpenFailed when it cannot be opened.
PpmResult readPpmFile(const std::string& path);
