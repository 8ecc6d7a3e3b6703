// The still life's draws on WebGL 2: the props from GLU-shaped meshes in one buffer, the vase
// from the core's mesh, each with its matrix and texture mirror.
#include "web/scene_draw.h"

#include <GLES3/gl3.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/image/ppm.h"
#include "core/mat4.h"
#include "core/overlays.h"
#include "core/prop_mesh.h"
#include "core/scene_state.h"
#include "core/still_life.h"
#include "core/vase_mesh.h"
#include "core/view_math.h"
#include "web/overlay_draw.h"
#include "web/shader.h"

namespace {

void setTextureMirror(const TextureMirror& mirror)
{
    glUniform2f(program.textureScale, mirror.s ? -1.0f : 1.0f, mirror.t ? -1.0f : 1.0f);
}

struct ShapeRange {
    GLsizei first = 0;  // in indices
    GLsizei count = 0;
};

// The still life's shapes other than the vase, one range each in one shared buffer.
struct PropBuffers {
    GLuint vertices = 0;
    GLuint indices = 0;
    std::vector<ShapeRange> shapes;  // by shape index
    int slices = -1;
    int stacks = -1;
} props;

struct VaseBuffers {
    GLuint vertices = 0;
    size_t vertexCount = 0;
    bool built = false;
    VaseSettings settings;
};
// The vase for the settings, and the smaller one drawn while the view moves: it costs a
// sixteenth of a 1000 x 1000 vase's frame, so input and the panel keep their turn.
VaseBuffers stillVase, motionVase;
GLuint vaseQuadIndices = 0;  // the same six indices per quad, for one batch
const VaseBuffers* drawnVase = &stillVase;

bool viewMoving = false;  // a drag moves the view
bool vaseExact = false;   // a picture to keep: the vase for the settings, never the smaller one

// Vertices per vase draw call: as many as 16-bit indices reach.
constexpr size_t kVaseBatchVertices = 65536;

// The table-top box's faces are polygons, which GL draws as fans.
void appendTableTop(PropMesh& mesh)
{
    for (const auto& face : kTableFaces) {
        const uint32_t first = static_cast<uint32_t>(mesh.vertices.size());
        for (int k = 0; k < 4; ++k) {
            const float* p = kTableCorners[face[k]];
            const float* t = kTableFaceTexCoords[k];
            // The corner's position is its normal: the box is shaded like a rounded body.
            mesh.vertices.push_back({t[0], t[1], p[0], p[1], p[2], p[0], p[1], p[2]});
        }
        mesh.indices.insert(mesh.indices.end(),
                            {first, first + 1, first + 2, first, first + 2, first + 3});
    }
}

// A quadric without texture coordinates keeps the last ones GL was given: in the still life it
// follows a cylinder, whose last vertex has (1 - slices/slices, stacks/stacks).
constexpr PlainTexture kAfterCylinderTexture{false, 0.0f, 1.0f};

void appendShape(PropMesh& mesh, const Shape& shape, int slices, int stacks)
{
    if (shape.fixedSlices > 0) {
        slices = shape.fixedSlices;
        stacks = shape.fixedStacks;
    }
    const PlainTexture texture = shape.textureCoordinates ? PlainTexture{} : kAfterCylinderTexture;
    switch (shape.kind) {
    case ShapeKind::TableTop: appendTableTop(mesh); break;
    case ShapeKind::Cylinder:
        appendCylinder(mesh, shape.r0, shape.r1, shape.height, slices, stacks, texture);
        break;
    case ShapeKind::Disk:
        appendPartialDisk(mesh, shape.r0, shape.r1, slices, stacks, 0.0, 360.0, texture);
        break;
    case ShapeKind::PartialDisk:
        appendPartialDisk(mesh, shape.r0, shape.r1, slices, stacks, shape.startAngle,
                          shape.sweepAngle, texture);
        break;
    case ShapeKind::Sphere: appendSphere(mesh, shape.r0, slices, stacks, texture); break;
    case ShapeKind::Vase: break;  // its own buffer
    }
}

void ensurePropBuffers(int slices, int stacks)
{
    if (props.vertices != 0 && slices == props.slices && stacks == props.stacks)
        return;
    PropMesh mesh;
    const std::vector<Shape>& shapes = stillLife().shapes;
    props.shapes.assign(shapes.size(), ShapeRange{});
    for (size_t i = 0; i < shapes.size(); ++i) {
        props.shapes[i].first = static_cast<GLsizei>(mesh.indices.size());
        appendShape(mesh, shapes[i], slices, stacks);
        props.shapes[i].count = static_cast<GLsizei>(mesh.indices.size()) - props.shapes[i].first;
    }

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

// One shape from the props' buffer, which must be the one the attributes point into.
void drawShape(int shape)
{
    const ShapeRange& range = props.shapes[shape];
    if (range.count == 0)
        return;
    glDrawElements(GL_TRIANGLES, range.count, GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(range.first * sizeof(uint32_t)));
}

// Rebuilds a vase buffer when a setting it depends on changed. The mesh passes through the
// page's memory once and is let go once uploaded.
void ensureVaseBuffer(VaseBuffers& vase, const VaseSettings& s)
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

// The vase from its own buffer; leaves the attributes pointing into it.
void drawVase(const SceneState& state)
{
    const VaseSettings s = vaseSettingsOf(state);
    VaseBuffers& vase = smallerVaseNow(state) ? motionVase : stillVase;
    ensureVaseBuffer(vase, &vase == &motionVase ? vaseInMotion(s) : s);
    drawnVase = &vase;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, vaseQuadIndices);
    for (size_t first = 0; first < vase.vertexCount; first += kVaseBatchVertices) {
        const size_t count = std::min(kVaseBatchVertices, vase.vertexCount - first);
        pointAttributes(vase.vertices, first);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count / 4 * 6), GL_UNSIGNED_SHORT,
                       nullptr);
    }
}

}  // namespace

void resetSceneBuffers()
{
    props = PropBuffers{};
    stillVase = VaseBuffers{};
    motionVase = VaseBuffers{};
    vaseQuadIndices = 0;
    resetOverlays();
}

void initSceneBuffers()
{
    glGenBuffers(1, &stillVase.vertices);
    glGenBuffers(1, &motionVase.vertices);
    glGenBuffers(1, &vaseQuadIndices);
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
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, vaseQuadIndices);
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

    const Camera& c = kCamera;
    const Mat4 camera = lookAt(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1],
                               c.centre[2], c.up[0], c.up[1], c.up[2]);
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
    bool pointingAtProps = false;
    int boundSlot = -1;
    // The sphere comes last in every frame, so that a frame drawn over a kept picture of the
    // rest settles every depth tie as the whole frame does: the earlier surface keeps it.
    const StillLife& life = stillLife();
    for (const Piece& piece : life.pieces) {
        if (parts != Parts::All && turnsWithGlobe(life, piece) != (parts == Parts::GlobeOnly))
            continue;
        if (static_cast<int>(piece.texture) != boundSlot) {
            bindTexture(state, textureIndexOf(state, piece.texture));
            boundSlot = static_cast<int>(piece.texture);
        }
        setTextureMirror(piece.mirror);
        setMatrix(placeMatrix(life, piece.place, state.globeAngle, view));
        if (life.shapes[piece.shape].kind == ShapeKind::Vase) {
            // Pushed back while its mesh shows, so that no line is lost in the surface.
            if (state.showMesh) {
                glEnable(GL_POLYGON_OFFSET_FILL);
                glPolygonOffset(1.0f, 1.0f);
            }
            drawVase(state);
            glDisable(GL_POLYGON_OFFSET_FILL);
            pointingAtProps = false;
            continue;
        }
        if (!pointingAtProps) {
            pointAttributes(props.vertices, 0);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, props.indices);
            pointingAtProps = true;
        }
        drawShape(piece.shape);
    }
    drawOverlays(state, drawnVase->settings, ortho(-2 * z, 2 * z, -2 * z, 2 * z, -10 * z, 10 * z),
                 camera, view, parts != Parts::GlobeOnly);
}

VaseSettings vaseSettingsOf(const SceneState& s)
{
    return vaseSettingsOfScene(s);
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
    return drawnVase->vertexCount / 4;
}

void setViewMoving(bool moving)
{
    viewMoving = moving;
}

void setVaseExact(bool exact)
{
    vaseExact = exact;
}

bool smallerVaseNow(const SceneState& state)
{
    const VaseSettings s = vaseSettingsOf(state);
    return smallerVaseWanted(s, viewIsMoving(state, viewMoving), vaseExact);
}

bool smallerVaseDrawn()
{
    return drawnVase == &motionVase;
}
