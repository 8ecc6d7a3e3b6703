// An independent check of the glTF files Tolvane writes: tinygltf's reader, compiled once here.
#define TINYGLTF_IMPLEMENTATION
#include "gltf_read.h"

namespace testgltf {

namespace {

bool keepImageBytes(tinygltf::Image* image, const int, std::string*, std::string*, int, int,
                    const unsigned char* bytes, int size, void*)
{
    image->image.assign(bytes, bytes + size);
    return true;
}

}  // namespace

tinygltf::Model loadGlbFile(const std::string& path, std::string& problems)
{
    tinygltf::TinyGLTF reader;
    reader.SetImageLoader(keepImageBytes, nullptr);
    tinygltf::Model model;
    std::string err, warn;
    if (!reader.LoadBinaryFromFile(&model, &err, &warn, path) && err.empty())
        err = "cannot read " + path;
    problems = err + warn;
    return model;
}

size_t triangleCount(const tinygltf::Model& model)
{
    size_t triangles = 0;
    for (const tinygltf::Mesh& mesh : model.meshes)
        for (const tinygltf::Primitive& p : mesh.primitives) {
            const int counted = p.indices >= 0 ? p.indices : p.attributes.at("POSITION");
            triangles += model.accessors[static_cast<size_t>(counted)].count / 3;
        }
    return triangles;
}

}  // namespace testgltf
