// libFuzzer target: arbitrary bytes through the P6 reader; a success must describe a whole image.
#include "core/image/ppm.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    PpmResult r = readPpmImage(in);
    if (r.ok()) {
        const PpmImage& image = r.image;
        if (image.width <= 0 || image.height <= 0 || image.width > kPpmMaxDimension ||
            image.height > kPpmMaxDimension)
            std::abort();
        if (image.pixels.size() != static_cast<size_t>(image.width) * image.height * 3)
            std::abort();
    } else if (r.message.empty() || r.message.find('\n') != std::string::npos) {
        std::abort();
    }
    return 0;
}
