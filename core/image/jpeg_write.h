// JPEG encoding of an RGB image with one comment marker, into memory. No GL.
#pragma once

#include <string>
#include <vector>

#include "core/image/ppm.h"

struct JpegEncodeResult {
    std::vector<unsigned char> bytes;  // a whole JPEG file when ok()
    std::string message;               // one line saying why encoding failed
    bool ok() const { return message.empty(); }
};

// Encodes 8-bit RGB rows in the image's order (its first row is the picture's top) with
// libjpeg-turbo at `quality` (1..100); a non-empty `comment` (at most 65533 bytes) goes into a
// COM marker.
JpegEncodeResult encodeJpeg(const PpmImage& image, int quality, const std::string& comment);
