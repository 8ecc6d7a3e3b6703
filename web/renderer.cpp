// The still life on WebGL 2. What the desktop does with GL 1.1 state, GLU quadrics and
// display lists is here a shader, meshes in buffers and a list of draws with their matrices.
#include "web/renderer.h"

#include <GLES3/gl3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/image/ppm.h"
#include "core/kept_picture.h"
#include "core/prop_mesh.h"
#include "core/scene_state.h"
#include "core/vase_mesh.h"
#include "core/view_math.h"

namespace {

// ---- Matrices: column-major 4x4, as GL keeps them -------------------------------------------

struct Mat4 {
    float m[16];
};

Mat4 identity()
{
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
}

Mat4 operator*(const Mat4& a, const Mat4& b)
{
    Mat4 r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a.m[k * 4 + row] * b.m[c * 4 + k];
            r.m[c * 4 + row] = sum;
        }
    return r;
}

Mat4 translate(float x, float y, float z)
{
    Mat4 t = identity();
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    return t;
}

Mat4 scale(float s)
{
    Mat4 t = identity();
    t.m[0] = t.m[5] = t.m[10] = s;
    return t;
}

// glRotatef: `degrees` about the unit axis (x, y, z).
Mat4 rotate(float degrees, float x, float y, float z)
{
    const double a = degrees * 3.14159265358979323846 / 180.0;
    const float c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a));
    const float t = 1 - c;
    return {{t * x * x + c, t * x * y + s * z, t * x * z - s * y, 0,  //
             t * x * y - s * z, t * y * y + c, t * y * z + s * x, 0,  //
             t * x * z + s * y, t * y * z - s * x, t * z * z + c, 0,  //
             0, 0, 0, 1}};
}

// gluLookAt.
Mat4 lookAt(float ex, float ey, float ez, float cx, float cy, float cz, float ux, float uy, float uz)
{
    float f[3] = {cx - ex, cy - ey, cz - ez};
    const float fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (float& v : f)
        v /= fl;
    float s[3] = {f[1] * uz - f[2] * uy, f[2] * ux - f[0] * uz, f[0] * uy - f[1] * ux};
    const float sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    for (float& v : s)
        v /= sl;
    const float u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2],
                        s[0] * f[1] - s[1] * f[0]};
    const Mat4 r = {{s[0], u[0], -f[0], 0, s[1], u[1], -f[1], 0, s[2], u[2], -f[2], 0, 0, 0, 0, 1}};
    return r * translate(-ex, -ey, -ez);
}

// glOrtho.
Mat4 ortho(float l, float r, float b, float t, float n, float f)
{
    Mat4 o = identity();
    o.m[0] = 2 / (r - l);
    o.m[5] = 2 / (t - b);
    o.m[10] = -2 / (f - n);
    o.m[12] = -(r + l) / (r - l);
    o.m[13] = -(t + b) / (t - b);
    o.m[14] = -(f + n) / (f - n);
    return o;
}

// ---- The fixed-function pipeline the desktop sets up, as a shader ----------------------------

// Per-vertex lighting of one light as OpenGL 1.1 computes it with the desktop's state: colour
// material drives ambient and diffuse, global ambient 0.2, light ambient 0, no attenuation, a
// non-local viewer, one-sided, normals normalised after the modelview; the lit colour is
// clamped per vertex, interpolated, then multiplied by the texture (GL_MODULATE), with the
// specular term added before texturing (single-colour mode).
const char* const kVertexShader = R"(#version 300 es
in vec2 aTexCoord;
in vec3 aNormal;
in vec3 aPosition;
uniform mat4 uModelView;
uniform mat4 uProjection;
uniform vec4 uLightPosition;   // eye space; w = 0 directional
uniform vec3 uLightDiffuse;
uniform vec3 uLightSpecular;
uniform vec3 uColor;           // current colour: ambient and diffuse material
uniform vec3 uMaterialSpecular;
uniform float uShininess;
uniform vec2 uTextureScale;    // the texture matrix's scale of s and t: 1, or -1 to mirror
out vec4 vColor;
out vec2 vTexCoord;
void main() {
    vec4 eye = uModelView * vec4(aPosition, 1.0);
    vec3 n = normalize(mat3(uModelView) * aNormal);
    vec3 toLight = uLightPosition.w == 0.0 ? uLightPosition.xyz
                                           : uLightPosition.xyz / uLightPosition.w - eye.xyz;
    vec3 l = normalize(toLight);
    vec3 c = 0.2 * uColor;
    float nl = dot(n, l);
    if (nl > 0.0) {
        c += nl * uColor * uLightDiffuse;
        vec3 h = normalize(l + vec3(0.0, 0.0, 1.0));
        c += pow(max(dot(n, h), 0.0), uShininess) * uMaterialSpecular * uLightSpecular;
    }
    vColor = vec4(clamp(c, 0.0, 1.0), 1.0);
    vTexCoord = aTexCoord * uTextureScale;
    gl_Position = uProjection * eye;
}
)";

const char* const kFragmentShader = R"(#version 300 es
precision highp float;
in vec4 vColor;
in vec2 vTexCoord;
uniform sampler2D uTexture;
uniform bool uTextured;
out vec4 fragColor;
void main() {
    fragColor = uTextured ? vColor * texture(uTexture, vTexCoord) : vColor;
}
)";

enum Attribute : GLuint { kTexCoord = 0, kNormal = 1, kPosition = 2 };

struct Program {
    GLuint id = 0;
    GLint modelView, projection, lightPosition, lightDiffuse, lightSpecular, color,
        materialSpecular, shininess, textureScale, textured, texture;
} program;

// ---- The props -----------------------------------------------------------------------------

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

// All: the whole frame. AllButGlobe clears and draws everything but the globe's sphere;
// GlobeOnly draws just the sphere, with the same state and matrices, over what is there.
enum class Parts { All, AllButGlobe, GlobeOnly };

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

// ---- The kept picture: the still life less the sphere, copied in while only the globe turns

// A framebuffer object with 8-bit RGBA colour and 24-bit depth: copies between two of them
// lose nothing, depth included (WebGL copies depth only between equal formats).
struct Target {
    GLuint framebuffer = 0, colour = 0, depth = 0;
};

struct KeptPicture {
    bool enabled = true;  // a switch for measuring whole frames
    bool failed = false;  // GL refused: whole frames straight to the canvas from now on
    // Frames are drawn in `work`, then copied to the canvas; `kept` holds the picture.
    Target work, kept;
    int width = 0, height = 0;  // of both; 0 when there are none
    bool copyChecked = false;   // a frame copied from `kept` showed no GL error
    bool valid = false;         // `kept` holds a picture of `basis`
    KeptPictureBasis basis;
    bool hasLast = false;
    KeptPictureBasis last;     // of the frame before, kept or not
    bool lastChanged = false;  // that frame showed a change besides the globe
    bool lastFromKept = false;
} kept;

void drainErrors()
{
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

void releaseTargets(KeptPicture& k)
{
    for (Target* t : {&k.work, &k.kept}) {
        glDeleteFramebuffers(1, &t->framebuffer);
        glDeleteRenderbuffers(1, &t->colour);
        glDeleteRenderbuffers(1, &t->depth);
        *t = Target{};
    }
    k.width = k.height = 0;
    k.valid = false;
    k.hasLast = false;
    k.copyChecked = false;
}

void giveUp(KeptPicture& k)
{
    releaseTargets(k);
    k.failed = true;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    drainErrors();
}

bool makeTarget(Target& t, int width, int height)
{
    glGenFramebuffers(1, &t.framebuffer);
    glGenRenderbuffers(1, &t.colour);
    glGenRenderbuffers(1, &t.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, t.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, t.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, t.colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, t.depth);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return complete;
}

// Both framebuffers at the canvas's size, made anew when it changes; false if GL refuses.
bool ensureTargets(KeptPicture& k, int width, int height)
{
    if (k.width == width && k.height == height)
        return true;
    // The old size's storage goes first, so that a resize never holds four pictures.
    releaseTargets(k);
    drainErrors();
    if (!makeTarget(k.work, width, height) || !makeTarget(k.kept, width, height) || glGetError() != GL_NO_ERROR)
        return false;
    k.width = width;
    k.height = height;
    return true;
}

// Copies `mask` of the whole of `from` into framebuffer `to` (0: the canvas), both of
// width x height; leaves no framebuffer bound for reading.
void blit(const Target& from, GLuint to, int width, int height, GLbitfield mask)
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, mask, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}

GLuint compileShader(GLenum kind, const char* source, std::string& why)
{
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        why = std::string("shader: ") + log;
    }
    return shader;
}

}  // namespace

bool initRenderer(std::string& why)
{
    const GLuint vs = compileShader(GL_VERTEX_SHADER, kVertexShader, why);
    const GLuint fs = compileShader(GL_FRAGMENT_SHADER, kFragmentShader, why);
    if (!why.empty())
        return false;
    program.id = glCreateProgram();
    glAttachShader(program.id, vs);
    glAttachShader(program.id, fs);
    glBindAttribLocation(program.id, kTexCoord, "aTexCoord");
    glBindAttribLocation(program.id, kNormal, "aNormal");
    glBindAttribLocation(program.id, kPosition, "aPosition");
    glLinkProgram(program.id);
    GLint ok = 0;
    glGetProgramiv(program.id, GL_LINK_STATUS, &ok);
    if (!ok) {
        why = "the shader does not link";
        return false;
    }
    const GLuint p = program.id;
    program.modelView = glGetUniformLocation(p, "uModelView");
    program.projection = glGetUniformLocation(p, "uProjection");
    program.lightPosition = glGetUniformLocation(p, "uLightPosition");
    program.lightDiffuse = glGetUniformLocation(p, "uLightDiffuse");
    program.lightSpecular = glGetUniformLocation(p, "uLightSpecular");
    program.color = glGetUniformLocation(p, "uColor");
    program.materialSpecular = glGetUniformLocation(p, "uMaterialSpecular");
    program.shininess = glGetUniformLocation(p, "uShininess");
    program.textureScale = glGetUniformLocation(p, "uTextureScale");
    program.textured = glGetUniformLocation(p, "uTextured");
    program.texture = glGetUniformLocation(p, "uTexture");

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

    glEnable(GL_DEPTH_TEST);
    // Opaque, as the canvas is: what is copied to it is what it shows.
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (GLuint a : {kTexCoord, kNormal, kPosition})
        glEnableVertexAttribArray(a);
    return true;
}

void resetRenderer()
{
    program = Program{};
    props = PropBuffers{};
    vase = VaseBuffers{};
    const bool enabled = kept.enabled;
    kept = KeptPicture{};
    kept.enabled = enabled;
}

void drawScene(const SceneState& state, int width, int height)
{
    KeptPicture& k = kept;
    const bool empty = width <= 0 || height <= 0;
    if (k.enabled && !k.failed && !empty && !ensureTargets(k, width, height))
        giveUp(k);
    if (!k.enabled || k.failed || empty) {
        drawParts(state, width, height, Parts::All);
        k.lastFromKept = false;
        return;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, k.work.framebuffer);
    const KeptPictureBasis now{state, squareViewport(width, height)};
    const bool changed = !k.hasLast || keptPictureStale(k.last, now);
    const bool fromKept = k.valid && !keptPictureStale(k.basis, now);
    if (fromKept) {
        blit(k.kept, k.work.framebuffer, width, height, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else {
        drawParts(state, width, height, Parts::AllButGlobe);
        // While the scene changes frame after frame (a drag), a picture kept would be stale
        // at once and its copy only slows each frame: keep the first frame of a change and
        // the first after it.
        k.valid = false;
        if (!(changed && k.lastChanged)) {
            blit(k.work, k.kept.framebuffer, width, height,
                 GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            k.basis = now;
            k.valid = true;
        }
    }
    k.hasLast = true;
    k.last = now;
    k.lastChanged = changed;
    glBindFramebuffer(GL_FRAMEBUFFER, k.work.framebuffer);
    drawParts(state, width, height, Parts::GlobeOnly);
    blit(k.work, 0, width, height, GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // Asking GL for errors waits for it: asked on frames that drew or kept the picture, and
    // on the first copied one after each allocation.
    if (!fromKept || !k.copyChecked) {
        if (glGetError() != GL_NO_ERROR) {
            giveUp(k);
            drawParts(state, width, height, Parts::All);
            k.lastFromKept = false;
            return;
        }
        k.copyChecked = k.copyChecked || fromKept;
    }
    k.lastFromKept = fromKept;
}

void setKeptPictureEnabled(bool enabled)
{
    if (!enabled)
        releaseTargets(kept);
    kept.enabled = enabled;
}

bool lastFrameFromKeptPicture()
{
    return kept.lastFromKept;
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
