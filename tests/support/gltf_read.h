// An independent check of the glTF files Tolvane writes: tinygltf's reader.
#pragma once

#include <string>

// Embedded images are kept as their encoded bytes, never decoded.
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#include <tiny_gltf.h>

namespace testgltf {

// Reads a binary glTF file; `problems` gets tinygltf's errors and warnings (empty when clean).
tinygltf::Model loadGlbFile(const std::string& path, std::string& problems);

// Triangles of every primitive of every mesh (indexed or not).
size_t triangleCount(const tinygltf::Model& model);

}  // namespace testgltf
