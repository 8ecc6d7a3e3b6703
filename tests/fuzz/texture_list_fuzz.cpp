// libFuzzer target: arbitrary bytes through the texture list reader; a success holds exactly
// `count` names.
#include "core/texture_list.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    TextureListResult r = readTextureList(in);
    if (r.ok()) {
        if (r.count < 0 || r.names.size() != static_cast<size_t>(r.count))
            std::abort();
        for (const std::string& name : r.names)
            if (name.empty())
                std::abort();
    } else if (r.message.empty()) {
        std::abort();
    } else if (r.error == TextureListError::MissingNames && r.namesFound >= r.count) {
        std::abort();
    }
    return 0;
}
