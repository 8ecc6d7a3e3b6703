// PNG and JPEG files made in memory with libpng's and libjpeg's own writers, for tests and seeds.
#pragma once

#include <string>
#include <vector>

namespace testimg {

using Bytes = std::vector<unsigned char>;

// One PNG as it is stored: samples in the file's own layout.
struct PngPicture {
    int width = 0;
    int height = 0;
    int colourType = 2;  // PNG_COLOR_TYPE_*: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int bitDepth = 8;    // 1, 2, 4, 8 or 16, as the colour type allows
    bool interlaced = false;
    // One entry per sample, row by row, each within 0 .. 2^bitDepth - 1; packed by the writer.
    std::vector<int> samples;
    Bytes palette;       // RGB triples, for colour type 3
    Bytes transparency;  // tRNS: one alpha per palette entry, for colour type 3
};

Bytes encodePng(const PngPicture& picture);

// One JPEG: 8-bit samples in `inputSpace` (J_COLOR_SPACE: 1 grey, 2 RGB, 4 CMYK), stored in
// `fileSpace` (1 grey, 3 YCbCr, 4 CMYK, 5 YCCK).
struct JpegPicture {
    int width = 0;
    int height = 0;
    int inputSpace = 2;
    int fileSpace = 3;
    bool progressive = false;
    bool adobeMarker = true;  // libjpeg writes one for CMYK and YCCK unless told not to
    int quality = 95;         // 1..100
    Bytes samples;            // width * height * components, row by row
    Bytes app1;               // an APP1 marker's payload (EXIF), written when not empty
};

Bytes encodeJpeg(const JpegPicture& picture);

// Writes bytes to a file; false on failure.
bool writeBytes(const std::string& path, const Bytes& bytes);

}  // namespace testimg
