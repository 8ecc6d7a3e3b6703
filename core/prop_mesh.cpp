// GLU's cylinder, partial disk and sphere as triangle meshes, vertex for vertex: the same
// caches of sines and cosines in single precision, the same order, normals and texture
// coordinates as GLU's filled, smooth, outward, textured quadrics.
#include "core/prop_mesh.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

uint32_t push(PropMesh& mesh, const PlainTexture& texture, float u, float v, float nx, float ny,
              float nz, float x, float y, float z)
{
    if (!texture.generate) {
        u = texture.u;
        v = texture.v;
    }
    mesh.vertices.push_back({u, v, nx, ny, nz, x, y, z});
    return static_cast<uint32_t>(mesh.vertices.size() - 1);
}

// A GL_QUAD_STRIP of `count` vertices starting at `first`: quad k joins 2k, 2k+1, 2k+3, 2k+2.
void quadStrip(PropMesh& mesh, uint32_t first, uint32_t count)
{
    for (uint32_t k = 0; k + 3 < count; k += 2) {
        const uint32_t a = first + k, b = a + 1, c = a + 3, d = a + 2;
        mesh.indices.insert(mesh.indices.end(), {a, b, c, a, c, d});
    }
}

// A GL_TRIANGLE_FAN of `count` vertices starting at `first`.
void triangleFan(PropMesh& mesh, uint32_t first, uint32_t count)
{
    for (uint32_t k = 1; k + 1 < count; ++k)
        mesh.indices.insert(mesh.indices.end(), {first, first + k, first + k + 1});
}

}  // namespace

void appendCylinder(PropMesh& mesh, double baseRadius, double topRadius, double height,
                    int slices, int stacks, PlainTexture texture)
{
    if (slices > kGluMaxSlices)
        slices = kGluMaxSlices;
    if (slices < 2 || stacks < 1 || baseRadius < 0.0 || topRadius < 0.0 || height < 0.0)
        return;
    const double deltaRadius = baseRadius - topRadius;
    const double length = std::sqrt(deltaRadius * deltaRadius + height * height);
    if (length == 0.0)
        return;
    const float zNormal = static_cast<float>(deltaRadius / length);
    const float xyNormalRatio = static_cast<float>(height / length);

    std::vector<float> sinCache(slices + 1), cosCache(slices + 1);
    std::vector<float> sinNormal(slices + 1), cosNormal(slices + 1);
    for (int i = 0; i < slices; ++i) {
        const float angle = static_cast<float>(2 * kPi * i / slices);
        sinNormal[i] = xyNormalRatio * std::sin(angle);
        cosNormal[i] = xyNormalRatio * std::cos(angle);
        sinCache[i] = std::sin(angle);
        cosCache[i] = std::cos(angle);
    }
    sinCache[slices] = sinCache[0];
    cosCache[slices] = cosCache[0];
    sinNormal[slices] = sinNormal[0];
    cosNormal[slices] = cosNormal[0];

    for (int j = 0; j < stacks; ++j) {
        const float zLow = static_cast<float>(j * height / stacks);
        const float zHigh = static_cast<float>((j + 1) * height / stacks);
        const float radiusLow =
            static_cast<float>(baseRadius - deltaRadius * (static_cast<float>(j) / stacks));
        const float radiusHigh =
            static_cast<float>(baseRadius - deltaRadius * (static_cast<float>(j + 1) / stacks));
        const uint32_t first = static_cast<uint32_t>(mesh.vertices.size());
        for (int i = 0; i <= slices; ++i) {
            const float s = 1 - static_cast<float>(i) / slices;
            push(mesh, texture, s, static_cast<float>(j) / stacks, sinNormal[i], cosNormal[i],
                 zNormal, radiusLow * sinCache[i], radiusLow * cosCache[i], zLow);
            push(mesh, texture, s, static_cast<float>(j + 1) / stacks, sinNormal[i], cosNormal[i],
                 zNormal, radiusHigh * sinCache[i], radiusHigh * cosCache[i], zHigh);
        }
        quadStrip(mesh, first, static_cast<uint32_t>(2 * (slices + 1)));
    }
}

void appendPartialDisk(PropMesh& mesh, double innerRadius, double outerRadius, int slices,
                       int loops, double startAngle, double sweepAngle, PlainTexture texture)
{
    if (slices > kGluMaxSlices)
        slices = kGluMaxSlices;
    if (slices < 2 || loops < 1 || outerRadius <= 0.0 || innerRadius < 0.0 ||
        innerRadius > outerRadius)
        return;
    if (sweepAngle < -360.0)
        sweepAngle = 360.0;
    if (sweepAngle > 360.0)
        sweepAngle = 360.0;
    if (sweepAngle < 0) {
        startAngle += sweepAngle;
        sweepAngle = -sweepAngle;
    }
    const float deltaRadius = static_cast<float>(outerRadius - innerRadius);
    const float angleOffset = static_cast<float>(startAngle / 180.0 * kPi);
    std::vector<float> sinCache(slices + 1), cosCache(slices + 1);
    for (int i = 0; i <= slices; ++i) {
        const float angle = static_cast<float>(angleOffset + ((kPi * sweepAngle) / 180.0) * i / slices);
        sinCache[i] = std::sin(angle);
        cosCache[i] = std::cos(angle);
    }
    if (sweepAngle == 360.0) {
        sinCache[slices] = sinCache[0];
        cosCache[slices] = cosCache[0];
    }
    const float outer = static_cast<float>(outerRadius);

    int finish = loops;
    if (innerRadius == 0.0) {
        // The innermost loop is a fan about the centre, walked backwards.
        finish = loops - 1;
        const uint32_t first = push(mesh, texture, 0.5f, 0.5f, 0, 0, 1, 0, 0, 0);
        const float radiusLow = outer - deltaRadius * (static_cast<float>(loops - 1) / loops);
        const float texLow = radiusLow / outer / 2;
        for (int i = slices; i >= 0; --i)
            push(mesh, texture, texLow * sinCache[i] + 0.5f, texLow * cosCache[i] + 0.5f, 0, 0, 1,
                 radiusLow * sinCache[i], radiusLow * cosCache[i], 0);
        triangleFan(mesh, first, static_cast<uint32_t>(slices + 2));
    }
    for (int j = 0; j < finish; ++j) {
        const float radiusLow = outer - deltaRadius * (static_cast<float>(j) / loops);
        const float radiusHigh = outer - deltaRadius * (static_cast<float>(j + 1) / loops);
        const float texLow = radiusLow / outer / 2;
        const float texHigh = radiusHigh / outer / 2;
        const uint32_t first = static_cast<uint32_t>(mesh.vertices.size());
        for (int i = 0; i <= slices; ++i) {
            push(mesh, texture, texLow * sinCache[i] + 0.5f, texLow * cosCache[i] + 0.5f, 0, 0, 1,
                 radiusLow * sinCache[i], radiusLow * cosCache[i], 0);
            push(mesh, texture, texHigh * sinCache[i] + 0.5f, texHigh * cosCache[i] + 0.5f, 0, 0,
                 1, radiusHigh * sinCache[i], radiusHigh * cosCache[i], 0);
        }
        quadStrip(mesh, first, static_cast<uint32_t>(2 * (slices + 1)));
    }
}

void appendSphere(PropMesh& mesh, double radius, int slices, int stacks, PlainTexture texture)
{
    if (slices > kGluMaxSlices)
        slices = kGluMaxSlices;
    if (stacks > kGluMaxSlices)
        stacks = kGluMaxSlices;
    if (slices < 2 || stacks < 1 || radius < 0.0)
        return;
    std::vector<float> sin1a(slices + 1), cos1a(slices + 1);
    std::vector<float> sin2b(stacks + 1), cos2b(stacks + 1), sin1b(stacks + 1), cos1b(stacks + 1);
    for (int i = 0; i < slices; ++i) {
        const float angle = static_cast<float>(2 * kPi * i / slices);
        sin1a[i] = std::sin(angle);
        cos1a[i] = std::cos(angle);
    }
    for (int j = 0; j <= stacks; ++j) {
        const float angle = static_cast<float>(kPi * j / stacks);
        sin2b[j] = std::sin(angle);
        cos2b[j] = std::cos(angle);
        sin1b[j] = static_cast<float>(radius * std::sin(angle));
        cos1b[j] = static_cast<float>(radius * std::cos(angle));
    }
    // The poles come to a point.
    sin1b[0] = 0;
    sin1b[stacks] = 0;
    sin1a[slices] = sin1a[0];
    cos1a[slices] = cos1a[0];

    // Textured spheres draw the caps as quad strips too (their apex needs a texture
    // coordinate per slice); only untextured ones would use fans, which the props never ask for.
    for (int j = 0; j < stacks; ++j) {
        const float zLow = cos1b[j], zHigh = cos1b[j + 1];
        const float sinLow = sin1b[j], sinHigh = sin1b[j + 1];
        const uint32_t first = static_cast<uint32_t>(mesh.vertices.size());
        for (int i = 0; i <= slices; ++i) {
            const float s = 1 - static_cast<float>(i) / slices;
            push(mesh, texture, s, 1 - static_cast<float>(j + 1) / stacks, sin1a[i] * sin2b[j + 1],
                 cos1a[i] * sin2b[j + 1], cos2b[j + 1], sinHigh * sin1a[i], sinHigh * cos1a[i],
                 zHigh);
            push(mesh, texture, s, 1 - static_cast<float>(j) / stacks, sin1a[i] * sin2b[j],
                 cos1a[i] * sin2b[j], cos2b[j], sinLow * sin1a[i], sinLow * cos1a[i], zLow);
        }
        quadStrip(mesh, first, static_cast<uint32_t>(2 * (slices + 1)));
    }
}
