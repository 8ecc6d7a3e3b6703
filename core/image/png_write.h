// PNG encoding of an RGB image with text chunks, into memory. No GL.
#pragma once

#include <string>
#include <vector>

#include "core/image/image_structure.h"
#include "core/image/ppm.h"

struct PngEncodeResult {
    std::vector<unsigned char> bytes;  // a whole PNG file when ok()
    std::string message;               // one line saying why encoding failed
    bool ok() const { return message.empty(); }
};

// Encodes 8-bit RGB rows in the image's order (its first row becomes the PNG's top row).
PngEncodeResult encodePng(const PpmImage& image, const std::vector<PngText>& texts = {});
