// Unit tests of the vase's glTF export, read back with tinygltf, and of the atomic file writer.
#include "core/export/atomic_file.h"
#include "core/export/vase_gltf.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "gltf_read.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

// A 64 x 32 orange PNG from pnmtopng; 85 bytes, so the image needs padding in the BIN chunk.
const std::vector<unsigned char> kPng = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x20, 0x01, 0x03, 0x00, 0x00, 0x00, 0x98,
    0x53, 0xec, 0xc7, 0x00, 0x00, 0x00, 0x03, 0x50, 0x4c, 0x54, 0x45, 0xff, 0x80, 0x00, 0x22,
    0x61, 0x91, 0x7c, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x44, 0x41, 0x54, 0x18, 0x95, 0x63, 0x60,
    0x18, 0x05, 0xf8, 0x00, 0x00, 0x01, 0x20, 0x00, 0x01, 0xbf, 0xc1, 0xb1, 0xa8, 0x00, 0x00,
    0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

using testfs::TempFolder;

tinygltf::Model load(const fs::path& file)
{
    std::string problems;
    tinygltf::Model model = testgltf::loadGlbFile(file.string(), problems);
    EXPECT_EQ(problems, "");
    return model;
}

// Element i of an accessor read as T (a float component, or an index), after its `skip` bytes.
template <typename T>
T elementAt(const tinygltf::Model& m, int accessor, std::size_t i, std::size_t skip = 0)
{
    const tinygltf::Accessor& a = m.accessors[static_cast<std::size_t>(accessor)];
    const tinygltf::BufferView& view = m.bufferViews[static_cast<std::size_t>(a.bufferView)];
    const std::size_t stride = static_cast<std::size_t>(a.ByteStride(view));
    T value;
    std::memcpy(&value, &m.buffers[0].data[view.byteOffset + a.byteOffset + i * stride + skip],
                sizeof value);
    return value;
}

std::uint32_t indexAt(const tinygltf::Model& m, int accessor, std::size_t i)
{
    if (m.accessors[static_cast<std::size_t>(accessor)].componentType ==
        TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT)
        return elementAt<std::uint16_t>(m, accessor, i);
    return elementAt<std::uint32_t>(m, accessor, i);
}

VaseSettings settings(int v, int r)
{
    VaseSettings s;
    s.verticalSteps = v;
    s.radialSteps = r;
    return s;
}

}  // namespace

// Every triangle corner of the file against the builder's quads: scaled positions, normals
// scaled to unit length and unchanged texture coordinates (a flipped v would show here), in quad
// order.
TEST(VaseGltf, ReadsBackAsTheBuilderMeshScaled)
{
    VaseSettings noRings = settings(100, 40);
    noRings.fillSteps = false;
    VaseSettings sine = settings(13, 9);
    sine.crazy = true;
    sine.cylindrical = false;
    sine.radialNormals = false;
    const TempFolder folder;
    for (const VaseSettings& s : {settings(100, 40), noRings, settings(31, 7), sine}) {
        SCOPED_TRACE(::testing::Message() << s.verticalSteps << " x " << s.radialSteps);
        const fs::path file = folder.path / "vase.glb";
        ASSERT_TRUE(writeVaseGlbFile(file.string(), s, kPng).ok);
        const tinygltf::Model m = load(file);
        ASSERT_EQ(m.meshes.size(), 1u);
        ASSERT_EQ(m.meshes[0].primitives.size(), 1u);
        const tinygltf::Primitive& p = m.meshes[0].primitives[0];
        EXPECT_EQ(p.mode, TINYGLTF_MODE_TRIANGLES);
        const std::size_t quads = vaseBandQuadCount(s) + vaseStepRingCount(s);
        ASSERT_EQ(m.accessors[static_cast<std::size_t>(p.indices)].count, 6 * quads);
        EXPECT_EQ(vaseGlbTriangleCount(s), 2 * quads);

        std::vector<VaseVertex> mesh;
        buildVaseMesh(s, mesh);
        const int position = p.attributes.at("POSITION"), normal = p.attributes.at("NORMAL"),
                  uv = p.attributes.at("TEXCOORD_0");
        const std::size_t vertices = m.accessors[static_cast<std::size_t>(position)].count;
        const std::size_t corner[6] = {0, 1, 2, 0, 2, 3};
        std::size_t mismatches = 0;
        float low[3] = {1, 1, 1}, high[3] = {-1, -1, -1};
        for (std::size_t t = 0; t < 6 * quads; ++t) {
            const std::uint32_t index = indexAt(m, p.indices, t);
            ASSERT_LT(index, vertices);
            const VaseVertex& want = mesh[4 * (t / 6) + corner[t % 6]];
            const float wantPos[3] = {want.x, want.y, want.z};
            const float wantNormal[3] = {want.nx, want.ny, want.nz};
            const double length = std::hypot(want.nx, want.ny, want.nz);
            for (std::size_t c = 0; c < 3; ++c) {
                const float got = elementAt<float>(m, position, index, 4 * c);
                const float n = elementAt<float>(m, normal, index, 4 * c);
                mismatches += std::fabs(got - 0.7f * wantPos[c]) > 1e-6f;
                mismatches += std::fabs(n - wantNormal[c] / length) > 1e-6;
                low[c] = std::fmin(low[c], got);
                high[c] = std::fmax(high[c], got);
            }
            mismatches += elementAt<float>(m, uv, index) != -want.u;  // mirrored as drawn
            mismatches += elementAt<float>(m, uv, index, 4) != want.v;
        }
        EXPECT_EQ(mismatches, 0u);
        // The declared bounds, read as floats, are the data's: standing on y = 0, 0.7 high.
        const tinygltf::Accessor& bounds = m.accessors[static_cast<std::size_t>(position)];
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(static_cast<float>(bounds.minValues[c]), low[c]);
            EXPECT_EQ(static_cast<float>(bounds.maxValues[c]), high[c]);
        }
        EXPECT_EQ(low[1], 0.0f);
        EXPECT_NEAR(high[1], 0.7f, 1e-6);
    }
}

TEST(VaseGltf, TexturedAndPlainMaterials)
{
    const TempFolder folder;
    const fs::path file = folder.path / "vase.glb";
    {
        ASSERT_TRUE(writeVaseGlbFile(file.string(), settings(5, 6), kPng).ok);
        const tinygltf::Model m = load(file);
        EXPECT_EQ(m.asset.generator, "Tolvane");
        ASSERT_EQ(m.materials.size(), 1u);
        const tinygltf::Material& material = m.materials[0];
        EXPECT_TRUE(material.doubleSided);
        EXPECT_EQ(material.pbrMetallicRoughness.metallicFactor, 0.0);
        ASSERT_EQ(material.pbrMetallicRoughness.baseColorTexture.index, 0);
        ASSERT_EQ(m.textures.size(), 1u);
        const tinygltf::Sampler& sampler =
            m.samplers.at(static_cast<std::size_t>(m.textures[0].sampler));
        EXPECT_EQ(sampler.wrapS, TINYGLTF_TEXTURE_WRAP_REPEAT);
        EXPECT_EQ(sampler.wrapT, TINYGLTF_TEXTURE_WRAP_REPEAT);
        EXPECT_EQ(sampler.magFilter, TINYGLTF_TEXTURE_FILTER_LINEAR);
        EXPECT_EQ(sampler.minFilter, TINYGLTF_TEXTURE_FILTER_LINEAR);
        const tinygltf::Image& image = m.images.at(static_cast<std::size_t>(m.textures[0].source));
        EXPECT_EQ(image.mimeType, "image/png");
        EXPECT_GE(image.bufferView, 0);
        EXPECT_EQ(image.image, kPng);
    }
    {
        ASSERT_TRUE(writeVaseGlbFile(file.string(), settings(5, 6), {}).ok);
        const tinygltf::Model m = load(file);
        ASSERT_EQ(m.materials.size(), 1u);
        EXPECT_TRUE(m.materials[0].doubleSided);
        EXPECT_EQ(m.materials[0].pbrMetallicRoughness.baseColorTexture.index, -1);
        EXPECT_TRUE(m.textures.empty() && m.images.empty() && m.samplers.empty());
    }
}

// Refusals come before any file exists.
TEST(VaseGltf, RefusesWithoutWritingAFile)
{
    const TempFolder folder;
    const std::string file = (folder.path / "vase.glb").string();
    for (const VaseSettings& s : {settings(0, 40), settings(100, 0)}) {
        EXPECT_EQ(vaseGlbTriangleCount(s), 0u);
        const WriteResult r = writeVaseGlbFile(file, s, kPng);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find("nothing to export"), std::string::npos) << r.message;
    }
    const WriteResult notPng = writeVaseGlbFile(file, settings(3, 3), {'P', '6', '\n'});
    EXPECT_FALSE(notPng.ok);
    EXPECT_NE(notPng.message.find("not a PNG"), std::string::npos) << notPng.message;
    EXPECT_EQ(folder.entries(), 0u);
}

// Each failure names the cause and leaves the folder as it was: no temporary file, an
// existing file untouched.
TEST(AtomicFile, FailuresLeaveNoFile)
{
    const TempFolder folder;
    const std::string old = (folder.path / "old.bin").string();
    ASSERT_TRUE(writeFileAtomically(old, "old", 3).ok);
    EXPECT_EQ(testfs::contentOf(old), "old");
    const auto expectFailure = [&](const WriteResult& r, const std::string& cause) {
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find(cause), std::string::npos) << r.message;
        EXPECT_EQ(folder.entries(), 1u);
        EXPECT_EQ(testfs::contentOf(old), "old");
    };
    {
        SCOPED_TRACE("missing folder");
        const std::string path = (folder.path / "missing" / "a.glb").string();
        expectFailure(writeFileAtomically(path, "x", 1), std::strerror(ENOENT));
    }
    {
        SCOPED_TRACE("a file where the folder should be");
        expectFailure(writeFileAtomically(old + "/a.glb", "x", 1), std::strerror(ENOTDIR));
    }
    {
        SCOPED_TRACE("the body gives up after writing");
        expectFailure(writeFileAtomically(old,
                                          [](std::ostream& out) {
                                              out << "partial";
                                              return false;
                                          }),
                      "could not be produced");
    }
    {
        SCOPED_TRACE("rename onto a folder");
        fs::create_directory(folder.path / "taken");
        const WriteResult r = writeFileAtomically((folder.path / "taken").string(), "x", 1);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find(std::strerror(EISDIR)), std::string::npos) << r.message;
        EXPECT_EQ(folder.entries(), 2u);
        fs::remove(folder.path / "taken");
    }
    {
        SCOPED_TRACE("the disk refuses more bytes");
        // The file size limit makes write() fail part way, as a full disk does.
        const std::vector<char> big(1 << 20, 'x');
        WriteResult r;
        {
            const testfs::FileSizeLimit limit(4096);
            r = writeFileAtomically(old, big.data(), big.size());
        }
        expectFailure(r, std::strerror(EFBIG));
    }
    if (geteuid() != 0) {
        SCOPED_TRACE("read-only folder");
        fs::permissions(folder.path, fs::perms::owner_read | fs::perms::owner_exec);
        const WriteResult r = writeFileAtomically(old, "new", 3);
        fs::permissions(folder.path, fs::perms::owner_all);
        expectFailure(r, std::strerror(EACCES));
    }
    ASSERT_TRUE(writeFileAtomically(old, "new", 3).ok);
    EXPECT_EQ(testfs::contentOf(old), "new");
    EXPECT_EQ(folder.entries(), 1u);
}
