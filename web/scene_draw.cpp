// The still life's draws on WebGL 2: the props from GLU-shaped meshes in one buffer, the vase
// from the core's mesh, each with its matrix and texture mirror.
#include "web/scene_draw.h"

#include <GLES3/gl3.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/image/ppm.h"
#include "core/mat4.h"
#include "core/prop_mesh.h"
#include "core/scene_state.h"
#include "core/vase_mesh.h"
#include "core/view_math.h"
#include "web/renderer.h"
#include "web/shader.h"

namespace {

// The props' pieces, each one GLU call of the desktop's frame, held in one shared buffer.
enum Piece {
    kLegSide, kLegFoot, kCanSide, kCanCap, kStandSide, kStandDisk, kPostSide, kHalfRing,
    kGlobeSphere, kTableTop,
    kVaseSurface,  // drawn from its own buffer, listed here for kMirrorTexture
    kPieceCount
};

// Which pieces see their texture mirrored, in s and in t (a texture matrix scaling by -1), as
// the desktop's frame mirrors them so that every image reads as it does in an image viewer:
// s where a shape's axis points down or its u runs against the image, t on the stand.
struct Mirror {
    bool s, t;
};
constexpr Mirror kMirrorTexture[kPieceCount] = {
    /* kLegSide */ {true, false},    /* kLegFoot */ {true, false},
    /* kCanSide */ {true, false},    /* kCanCap */ {false, false},
    /* kStandSide */ {false, true},  /* kStandDisk */ {false, true},
    /* kPostSide */ {false, true},   /* kHalfRing */ {false, false},
    /* kGlobeSphere */ {true, false}, /* kTableTop */ {false, false},
    /* kVaseSurface */ {true, false},
};

void setTextureMirror(Piece p)
{
    glUniform2f(program.textureScale, kMirrorTexture[p].s ? -1.0f : 1.0f,
                kMirrorTexture[p].t ? -1.0f : 1.0f);
}

struct PieceRange {
    GLsizei first = 0;  // in indices
    GLsizei count = 0;
};

struct PropBuffers {
    GLuint vertices = 0;
    GLuint indices = 0;
    PieceRange pieces[kPieceCount];
    int slices = -1;
    int stacks = -1;
} props;

struct VaseBuffers {
    GLuint vertices = 0;
    GLuint quadIndices = 0;  // the same six indices per quad, for one batch
    size_t vertexCount = 0;
    bool built = false;
    VaseSettings settings;
} vase;

// Vertices per vase draw call: as many as 16-bit indices reach.
constexpr size_t kVaseBatchVertices = 65536;

// The table-top box: corners, and the faces as the desktop draws them (polygons: fans).
const float kTableCorners[8][3] = {
    {-1.0f, -0.1f, -1.0f}, {1.0f, -0.1f, -1.0f}, {1.0f, 0.1f, -1.0f}, {-1.0f, 0.1f, -1.0f},
    {-1.0f, -0.1f, 1.0f},  {1.0f, -0.1f, 1.0f},  {1.0f, 0.1f, 1.0f},  {-1.0f, 0.1f, 1.0f},
};
const int kTableFaces[6][4] = {{0, 3, 2, 1}, {2, 3, 7, 6}, {0, 1, 5, 4},
                               {0, 4, 7, 3}, {1, 2, 6, 5}, {4, 5, 6, 7}};

void appendTableTop(PropMesh& mesh)
{
    const float texCoords[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    for (const auto& face : kTableFaces) {
        const uint32_t first = static_cast<uint32_t>(mesh.vertices.size());
        for (int k = 0; k < 4; ++k) {
            const float* p = kTableCorners[face[k]];
            // The corner's position is its normal: the box is shaded like a rounded body.
            mesh.vertices.push_back({texCoords[k][0], texCoords[k][1], p[0], p[1], p[2], p[0],
                                     p[1], p[2]});
        }
        mesh.indices.insert(mesh.indices.end(),
                            {first, first + 1, first + 2, first, first + 2, first + 3});
    }
}

// The can's caps come from a quadric without texture coordinates: they keep the last ones
// its side gave, (1 - slices/slices, stacks/stacks).
constexpr PlainTexture kCapTexture{false, 0.0f, 1.0f};

void ensurePropBuffers(int slices, int stacks)
{
    if (props.vertices != 0 && slices == props.slices && stacks == props.stacks)
        return;
    PropMesh mesh;
    auto piece = [&](Piece p, auto&& append) {
        props.pieces[p].first = static_cast<GLsizei>(mesh.indices.size());
        append();
        props.pieces[p].count = static_cast<GLsizei>(mesh.indices.size()) - props.pieces[p].first;
    };
    piece(kLegSide, [&] { appendCylinder(mesh, 0.1, 0.1, 1.5, slices, stacks); });
    piece(kLegFoot, [&] { appendPartialDisk(mesh, 0.0, 0.1, slices, stacks, 0.0, 360.0); });
    piece(kCanSide, [&] { appendCylinder(mesh, 0.2, 0.2, 0.65, slices, stacks); });
    piece(kCanCap,
          [&] { appendPartialDisk(mesh, 0.0, 0.2, slices, stacks, 0.0, 360.0, kCapTexture); });
    piece(kStandSide, [&] { appendCylinder(mesh, 0.3, 0.3, 0.1, slices, stacks); });
    piece(kStandDisk, [&] { appendPartialDisk(mesh, 0.0, 0.3, slices, stacks, 0.0, 360.0); });
    piece(kPostSide, [&] { appendCylinder(mesh, 0.05, 0.05, 0.2, slices, stacks); });
    // The meridian keeps its own fine tessellation whatever the panel says.
    piece(kHalfRing, [&] { appendPartialDisk(mesh, 0.45, 0.5, 100, 100, 0.0, 180.0); });
    piece(kGlobeSphere, [&] { appendSphere(mesh, 0.45, slices, stacks); });
    piece(kTableTop, [&] { appendTableTop(mesh); });

    if (props.vertices == 0) {
        glGenBuffers(1, &props.vertices);
        glGenBuffers(1, &props.indices);
    }
    glBindBuffer(GL_ARRAY_BUFFER, props.vertices);
    glBufferData(GL_ARRAY_BUFFER, mesh.vertices.size() * sizeof(PropVertex),
                 mesh.vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, props.indices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, mesh.indices.size() * sizeof(uint32_t),
                 mesh.indices.data(), GL_STATIC_DRAW);
    props.slices = slices;
    props.stacks = stacks;
}

// Both vertex layouts are GL_T2F_N3F_V3F.
void pointAttributes(GLuint buffer, size_t firstVertex)
{
    static_assert(sizeof(PropVertex) == sizeof(VaseVertex), "one vertex layout");
    const GLsizei stride = sizeof(PropVertex);
    const char* base = reinterpret_cast<const char*>(firstVertex * stride);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glVertexAttribPointer(kTexCoord, 2, GL_FLOAT, GL_FALSE, stride, base);
    glVertexAttribPointer(kNormal, 3, GL_FLOAT, GL_FALSE, stride, base + 2 * sizeof(float));
    glVertexAttribPointer(kPosition, 3, GL_FLOAT, GL_FALSE, stride, base + 5 * sizeof(float));
}

void setMatrix(const Mat4& modelView)
{
    glUniformMatrix4fv(program.modelView, 1, GL_FALSE, modelView.m);
}

void bindTexture(const SceneState& state, int index)
{
    // An index outside the set draws untextured, as binding GL's default object does.
    const unsigned int texture = textureAt(state, index);
    glUniform1i(program.textured, texture != 0);
    glBindTexture(GL_TEXTURE_2D, texture);
}

void drawPiece(Piece p, const Mat4& modelView)
{
    if (props.pieces[p].count == 0)
        return;
    setMatrix(modelView);
    setTextureMirror(p);
    glDrawElements(GL_TRIANGLES, props.pieces[p].count, GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(props.pieces[p].first * sizeof(uint32_t)));
}

// Rebuilds the vase's buffer when a setting it depends on changed. The mesh passes through
// the page's memory once and is let go once uploaded.
void ensureVaseBuffer(const VaseSettings& s)
{
    if (vase.built && s == vase.settings)
        return;
    std::vector<VaseVertex> mesh;
    buildVaseMesh(s, mesh);
    glBindBuffer(GL_ARRAY_BUFFER, vase.vertices);
    glBufferData(GL_ARRAY_BUFFER, mesh.size() * sizeof(VaseVertex), mesh.data(), GL_STATIC_DRAW);
    vase.vertexCount = mesh.size();
    vase.settings = s;
    vase.built = true;
}

void drawVase(const SceneState& state, const Mat4& modelView)
{
    ensureVaseBuffer(vaseSettingsOf(state));
    bindTexture(state, state.vaseTexture);
    setMatrix(modelView * scale(0.7f));
    setTextureMirror(kVaseSurface);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, vase.quadIndices);
    for (size_t first = 0; first < vase.vertexCount; first += kVaseBatchVertices) {
        const size_t count = std::min(kVaseBatchVertices, vase.vertexCount - first);
        pointAttributes(vase.vertices, first);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count / 4 * 6), GL_UNSIGNED_SHORT,
                       nullptr);
    }
}

}  // namespace

void initSceneBuffers()
{
    glGenBuffers(1, &vase.vertices);
    glGenBuffers(1, &vase.quadIndices);
    // Quad k of a batch is triangles (a b c) and (a c d), as the desktop's GL splits GL_QUADS.
    std::vector<uint16_t> quadIndices;
    quadIndices.reserve(kVaseBatchVertices / 4 * 6);
    for (uint32_t q = 0; q < kVaseBatchVertices / 4; ++q) {
        const uint16_t a = static_cast<uint16_t>(4 * q);
        quadIndices.insert(quadIndices.end(), {a, static_cast<uint16_t>(a + 1),
                                               static_cast<uint16_t>(a + 2), a,
                                               static_cast<uint16_t>(a + 2),
                                               static_cast<uint16_t>(a + 3)});
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, vase.quadIndices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, quadIndices.size() * sizeof(uint16_t),
                 quadIndices.data(), GL_STATIC_DRAW);
}

void drawParts(const SceneState& state, int width, int height, Parts parts)
{
    glViewport(0, 0, width, height);
    if (parts != Parts::GlobeOnly)
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const Viewport square = squareViewport(width, height);
    glViewport(square.x, square.y, square.width, square.height);

    glUseProgram(program.id);
    const float z = state.zoom;
    glUniformMatrix4fv(program.projection, 1, GL_FALSE,
                       ortho(-2 * z, 2 * z, -2 * z, 2 * z, -10 * z, 10 * z).m);
    // Every frame draws with the grey the can's caps leave as the current colour.
    glUniform3f(program.color, 0.5f, 0.5f, 0.5f);
    glUniform3fv(program.materialSpecular, 1, state.materialSpecular);
    glUniform1f(program.shininess, 100.0f);
    glUniform1i(program.texture, 0);

    const Mat4 camera = lookAt(-1, 1, -1, 0, 0, 0, 0, 1, 0);
    // The light is placed after the camera and before the rotation: fixed to the camera.
    const float* lp = state.lightPosition;
    float eyeLight[4];
    for (int r = 0; r < 4; ++r)
        eyeLight[r] = camera.m[r] * lp[0] + camera.m[4 + r] * lp[1] + camera.m[8 + r] * lp[2] +
                      camera.m[12 + r] * lp[3];
    glUniform4fv(program.lightPosition, 1, eyeLight);
    glUniform3fv(program.lightDiffuse, 1, state.lightDiffuse);
    glUniform3fv(program.lightSpecular, 1, state.lightSpecular);

    const Mat4 view = camera * rotate(state.rotation[0], 1, 0, 0) *
                      rotate(state.rotation[1], 0, 1, 0) * rotate(state.rotation[2], 0, 0, 1);

    ensurePropBuffers(state.objectSlices, state.objectStacks);
    pointAttributes(props.vertices, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, props.indices);

    const Mat4 stand = view * translate(0.55f, 0.1f, -0.55f) * rotate(-90, 1, 0, 0);
    const Mat4 post = stand * translate(0, 0, 0.1f);
    // The tilt of the globe's axis.
    const Mat4 tilt = post * translate(-0.2f, 0, 0.225f) * rotate(22, 0, 1, 0);
    if (parts != Parts::GlobeOnly) {
        bindTexture(state, state.tableTexture);
        drawPiece(kTableTop, view);
        const float legOffsets[4][3] = {{-0.5f, -0.1f, -0.5f},
                                        {-0.5f, -0.1f, 0.5f},
                                        {0.5f, -0.1f, -0.5f},
                                        {0.5f, -0.1f, 0.5f}};
        for (const auto& o : legOffsets) {
            const Mat4 leg = view * translate(o[0], o[1], o[2]) * rotate(90, 1, 0, 0);
            drawPiece(kLegSide, leg);
            drawPiece(kLegFoot, leg * translate(0, 0, 1.5f));
        }

        bindTexture(state, state.popTexture);
        const Mat4 can =
            view * translate(-0.55f, 0.75f, -0.55f) * rotate(180, 0, 1, 0) * rotate(90, 1, 0, 0);
        drawPiece(kCanSide, can);
        drawPiece(kCanCap, can);
        drawPiece(kCanCap, can * translate(0, 0, 0.65f));

        bindTexture(state, state.standTexture);
        drawPiece(kStandSide, stand);
        drawPiece(kStandDisk, stand);
        drawPiece(kStandDisk, post);
        drawPiece(kPostSide, post);
        drawPiece(kHalfRing, tilt * translate(0, 0, 0.5f) * rotate(90, 1, 0, 0) *
                                 rotate(180, 0, 1, 0) * rotate(180, 0, 0, 1));

        drawVase(state, view * translate(-0.25f, 0.1f, 0.45f));
    }
    // The sphere comes last in every frame, so that a frame drawn over a kept picture of the
    // rest settles every depth tie as the whole frame does: the earlier surface keeps it.
    if (parts != Parts::AllButGlobe) {
        pointAttributes(props.vertices, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, props.indices);
        bindTexture(state, state.globeTexture);
        drawPiece(kGlobeSphere, tilt * translate(0, 0, 0.5f) * rotate(180, 1, 0, 0) *
                                    rotate(static_cast<float>(state.globeAngle), 0, 0, 1));
    }
}

VaseSettings vaseSettingsOf(const SceneState& s)
{
    VaseSettings v;
    v.verticalSteps = s.vaseVerticalSteps;
    v.radialSteps = s.vaseRadialSteps;
    v.crazy = s.crazyVase != 0;
    v.fillSteps = s.fillVaseSteps != 0;
    v.radialNormals = s.radialVaseNormals != 0;
    v.cylindrical = s.cylindricalProjection != 0;
    return v;
}

unsigned int uploadTexture(const PpmImage& image)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, image.width, image.height, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, image.pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    return name;
}

void deleteTexture(unsigned int texture)
{
    glDeleteTextures(1, &texture);
}

int maxTextureSize()
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

size_t vaseQuadCount()
{
    return vase.vertexCount / 4;
}
