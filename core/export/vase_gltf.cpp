// Binary glTF writer for the vase: a JSON chunk, then a BIN chunk streamed from the quads.
#include "core/export/vase_gltf.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr float kVaseScale = 0.7f;           // the drawing's glScalef
constexpr std::uint32_t kVertexStride = 32;  // position, normal (3 floats each), uv (2 floats)
const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// Where everything goes in the BIN chunk; all offsets are multiples of 4.
struct GlbLayout {
    std::size_t quads = 0;
    std::size_t vertices = 0;     // after sharing
    std::uint32_t indexSize = 4;  // bytes per index: 2 while every index fits below 65535
    std::uint64_t vertexBytes = 0, indexOffset = 0, indexBytes = 0, imageOffset = 0;
    std::uint64_t binLength = 0, jsonLength = 0, fileLength = 0;
    float min[3], max[3];  // of the written positions
    std::string json;      // padded with spaces to a multiple of 4
};

std::uint64_t padded4(std::uint64_t n)
{
    return (n + 3) & ~std::uint64_t{3};
}

// A ring quad starts and ends on its band quad's upper edge: its a and d repeat that quad's b
// and c exactly, and are stored once.
bool shared(const std::vector<VaseVertex>& quads, std::size_t k)
{
    if (k == 0)
        return false;
    const VaseVertex* previous = &quads[4 * k - 4];
    const VaseVertex* quad = &quads[4 * k];
    return std::memcmp(&quad[0], &previous[1], sizeof(VaseVertex)) == 0 &&
           std::memcmp(&quad[3], &previous[2], sizeof(VaseVertex)) == 0;
}

// The 8 floats written for one vertex.
void exportVertex(const VaseVertex& v, float out[8])
{
    out[0] = v.x * kVaseScale;
    out[1] = v.y * kVaseScale;
    out[2] = v.z * kVaseScale;
    const double length =
        std::sqrt(double(v.nx) * v.nx + double(v.ny) * v.ny + double(v.nz) * v.nz);
    if (length > 0) {
        out[3] = static_cast<float>(v.nx / length);
        out[4] = static_cast<float>(v.ny / length);
        out[5] = static_cast<float>(v.nz / length);
    } else {
        out[3] = 0, out[4] = 1, out[5] = 0;
    }
    // OpenGL holds the image's first file row at t = 0; glTF puts v = 0 on the embedded
    // image's first (top) row. The PNG keeps the file's row order, so v carries over as is.
    // The viewer draws the vase with s mirrored (its texture matrix), so that an image reads
    // left to right; with the repeating sampler, -u is exactly that in any glTF viewer.
    out[6] = -v.u;
    out[7] = v.v;
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string vec3(const float v[3])
{
    return "[" + number(v[0]) + "," + number(v[1]) + "," + number(v[2]) + "]";
}

std::string buildJson(const GlbLayout& l, std::size_t pngSize)
{
    const bool textured = pngSize > 0;
    const std::string n = std::to_string(l.vertices);
    auto attribute = [&](int offset, const char* type) {
        return "{\"bufferView\":0,\"byteOffset\":" + std::to_string(offset) +
               ",\"componentType\":5126,\"count\":" + n + ",\"type\":\"" + type + "\"";
    };
    std::string j = "{\"asset\":{\"version\":\"2.0\",\"generator\":\"Tolvane\"},";
    j += "\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"name\":\"vase\",\"mesh\":0}],";
    j += "\"meshes\":[{\"name\":\"vase\",\"primitives\":[{\"attributes\":{\"POSITION\":0,"
         "\"NORMAL\":1,\"TEXCOORD_0\":2},\"indices\":3,\"material\":0,\"mode\":4}]}],";
    // The viewer's grey 0.5 colour material under its diffuse light of 2 shows the texture at
    // full strength, hence a white base colour. Its specular exponent of 100 is a microfacet
    // alpha of sqrt(2 / 102) = 0.14, and glTF's roughness is the square root of alpha. The
    // vase is open and drawn without culling, so its inside shows too.
    j += "\"materials\":[{\"name\":\"vase\",\"doubleSided\":true,\"pbrMetallicRoughness\":{";
    j += textured ? "\"baseColorTexture\":{\"index\":0}," : "";
    j += "\"metallicFactor\":0,\"roughnessFactor\":0.37}}],";
    if (textured) {
        // REPEAT (10497) and LINEAR (9729), as the viewer's textures are set up.
        j += "\"samplers\":[{\"magFilter\":9729,\"minFilter\":9729,\"wrapS\":10497,"
             "\"wrapT\":10497}],\"textures\":[{\"sampler\":0,\"source\":0}],"
             "\"images\":[{\"bufferView\":2,\"mimeType\":\"image/png\"}],";
    }
    j += "\"buffers\":[{\"byteLength\":" + std::to_string(l.binLength) + "}],";
    j += "\"bufferViews\":[{\"buffer\":0,\"byteLength\":" + std::to_string(l.vertexBytes) +
         ",\"byteStride\":" + std::to_string(kVertexStride) + ",\"target\":34962},";
    j += "{\"buffer\":0,\"byteOffset\":" + std::to_string(l.indexOffset) +
         ",\"byteLength\":" + std::to_string(l.indexBytes) + ",\"target\":34963}";
    if (textured) {
        j += ",{\"buffer\":0,\"byteOffset\":" + std::to_string(l.imageOffset) +
             ",\"byteLength\":" + std::to_string(pngSize) + "}";
    }
    j += "],\"accessors\":[" + attribute(0, "VEC3") + ",\"min\":" + vec3(l.min) +
         ",\"max\":" + vec3(l.max) + "},";
    j += attribute(12, "VEC3") + "}," + attribute(24, "VEC2") + "},";
    j += "{\"bufferView\":1,\"componentType\":" + std::string(l.indexSize == 2 ? "5123" : "5125") +
         ",\"count\":" + std::to_string(6 * l.quads) + ",\"type\":\"SCALAR\"}]}";
    j.append(padded4(j.size()) - j.size(), ' ');
    return j;
}

// Counts, bounds and offsets, or a message saying why the file cannot be written.
std::string planGlb(const std::vector<VaseVertex>& quads, const std::vector<unsigned char>& png,
                    GlbLayout& l)
{
    l.quads = quads.size() / 4;
    if (l.quads == 0)
        return "nothing to export: the vase has no quads";
    if (!png.empty() &&
        (png.size() < 8 || std::memcmp(png.data(), kPngSignature, sizeof kPngSignature) != 0))
        return "the vase texture is not a PNG image";
    for (int c = 0; c < 3; ++c) {
        l.min[c] = std::numeric_limits<float>::infinity();
        l.max[c] = -std::numeric_limits<float>::infinity();
    }
    for (std::size_t k = 0; k < l.quads; ++k) {
        const bool reuse = shared(quads, k);
        l.vertices += reuse ? 2 : 4;
        for (std::size_t i = 4 * k; i < 4 * k + 4; ++i) {
            float v[8];
            exportVertex(quads[i], v);
            for (int c = 0; c < 3; ++c) {
                l.min[c] = std::fmin(l.min[c], v[c]);
                l.max[c] = std::fmax(l.max[c], v[c]);
            }
        }
    }
    l.indexSize = l.vertices < 65535 ? 2 : 4;
    l.vertexBytes = std::uint64_t{kVertexStride} * l.vertices;
    l.indexOffset = l.vertexBytes;
    l.indexBytes = std::uint64_t{l.indexSize} * 6 * l.quads;
    l.imageOffset = l.indexOffset + padded4(l.indexBytes);
    l.binLength = padded4(l.imageOffset + png.size());
    l.json = buildJson(l, png.size());
    l.jsonLength = l.json.size();
    l.fileLength = 12 + 8 + l.jsonLength + 8 + l.binLength;
    if (l.fileLength > std::numeric_limits<std::uint32_t>::max())
        return "the vase is too large for a binary glTF file (4 GiB); lower its steps";
    return "";
}

// Gathers small writes into blocks, so the stream sees few large ones.
struct BlockWriter {
    std::ostream& out;
    std::vector<unsigned char> block;
    void add(const void* data, std::size_t size)
    {
        const auto* bytes = static_cast<const unsigned char*>(data);
        block.insert(block.end(), bytes, bytes + size);
        if (block.size() >= (1u << 16))
            flush();
    }
    // glTF's binary data is little-endian whatever the machine's own order.
    void add16(std::uint16_t value)
    {
        const unsigned char bytes[2] = {static_cast<unsigned char>(value),
                                        static_cast<unsigned char>(value >> 8)};
        add(bytes, 2);
    }
    void add32(std::uint32_t value)
    {
        const unsigned char bytes[4] = {
            static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
        add(bytes, 4);
    }
    void addFloat(float value)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        add32(bits);
    }
    void zeros(std::uint64_t count)
    {
        const unsigned char zero[3] = {0, 0, 0};
        add(zero, static_cast<std::size_t>(count));
    }
    void flush()
    {
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(block.size()));
        block.clear();
    }
};

bool streamGlb(std::ostream& out, const std::vector<VaseVertex>& quads,
               const std::vector<unsigned char>& png, const GlbLayout& l)
{
    BlockWriter w{out, {}};
    w.block.reserve((1u << 16) + 64);
    w.add32(0x46546C67);  // "glTF"
    w.add32(2);
    w.add32(static_cast<std::uint32_t>(l.fileLength));
    w.add32(static_cast<std::uint32_t>(l.jsonLength));
    w.add32(0x4E4F534A);  // "JSON"
    w.add(l.json.data(), l.json.size());
    w.add32(static_cast<std::uint32_t>(l.binLength));
    w.add32(0x004E4942);  // "BIN\0"

    for (std::size_t k = 0; k < l.quads; ++k) {
        const std::size_t first = shared(quads, k) ? 1 : 0, last = first ? 2 : 3;
        for (std::size_t i = first; i <= last; ++i) {
            float v[8];
            exportVertex(quads[4 * k + i], v);
            for (float component : v)
                w.addFloat(component);
        }
    }
    // Indices of the current quad's a b c d; a shared quad takes a and d from the previous
    // quad's b and c.
    std::uint32_t next = 0, q[4] = {0, 0, 0, 0};
    for (std::size_t k = 0; k < l.quads; ++k) {
        if (shared(quads, k)) {
            const std::uint32_t b = q[1], c = q[2];
            q[0] = b, q[1] = next, q[2] = next + 1, q[3] = c;
            next += 2;
        } else {
            q[0] = next, q[1] = next + 1, q[2] = next + 2, q[3] = next + 3;
            next += 4;
        }
        const std::uint32_t triangles[6] = {q[0], q[1], q[2], q[0], q[2], q[3]};
        for (std::uint32_t index : triangles) {
            if (l.indexSize == 2) {
                w.add16(static_cast<std::uint16_t>(index));
            } else {
                w.add32(index);
            }
        }
    }
    w.zeros(padded4(l.indexBytes) - l.indexBytes);
    if (!png.empty()) {
        w.flush();
        out.write(reinterpret_cast<const char*>(png.data()),
                  static_cast<std::streamsize>(png.size()));
        w.zeros(padded4(png.size()) - png.size());
    }
    w.flush();
    return static_cast<bool>(out);
}

}  // namespace

std::size_t vaseGlbTriangleCount(const VaseSettings& s)
{
    return 2 * (vaseBandQuadCount(s) + vaseStepRingCount(s));
}

namespace {

// The export's mesh and file layout for settings `s`; an empty string, or why there is none.
std::string prepareGlb(const VaseSettings& s, const std::vector<unsigned char>& texturePng,
                       std::vector<VaseVertex>& quads, GlbLayout& layout)
{
    try {
        buildVaseMesh(s, quads);
    } catch (const std::bad_alloc&) {
        return "not enough memory to build the vase for export";
    }
    return planGlb(quads, texturePng, layout);
}

}  // namespace

WriteResult writeVaseGlbFile(const std::string& path, const VaseSettings& s,
                             const std::vector<unsigned char>& texturePng)
{
    std::vector<VaseVertex> quads;
    GlbLayout layout;
    const std::string problem = prepareGlb(s, texturePng, quads, layout);
    if (!problem.empty())
        return WriteResult{false, problem, false, ""};
    return writeFileAtomically(
        path, [&](std::ostream& out) { return streamGlb(out, quads, texturePng, layout); });
}

NumberedWriteResult writeNumberedVaseGlb(const std::string& stem, const VaseSettings& s,
                                         const std::vector<unsigned char>& texturePng)
{
    std::vector<VaseVertex> quads;
    GlbLayout layout;
    const std::string problem = prepareGlb(s, texturePng, quads, layout);
    if (!problem.empty())
        return NumberedWriteResult{false, "", problem, ""};
    // A failing stream is reported by the writer, with the operating system's reason.
    return writeNumberedFile(stem, ".glb", [&](std::ostream& out) {
        return streamGlb(out, quads, texturePng, layout);
    });
}
