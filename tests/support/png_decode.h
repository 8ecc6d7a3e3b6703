// An independent check of the PNG files Tolvane writes: libpng's own reader, text chunks too.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testimg {

struct DecodedPng {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;            // 8-bit RGB, top row first
    std::vector<unsigned char> alpha;          // one byte a pixel, straight; empty: no alpha
    std::map<std::string, std::string> texts;  // tEXt/zTXt/iTXt keyword -> text
    std::string error;                         // empty when the file decoded
};

DecodedPng decodePngFile(const std::string& path);

}  // namespace testimg
