// A second, flat shader program: one colour or a checkerboard, optionally clipped to the table
// top; it reads only the positions of the lit program's vertex buffers.
#include "web/flat_draw.h"

#include <GLES3/gl3.h>

#include "core/shadow.h"
#include "core/still_life.h"
#include "web/shader.h"

namespace {

const char* const kFlatVertex = R"(#version 300 es
in vec3 aPosition;
uniform mat4 uModelView;
uniform mat4 uProjection;
uniform mat4 uFlatFrame;  // the view frame: where a flattened point lies on the table's plane
out vec3 vFlat;
void main() {
    vec4 flat4 = uFlatFrame * vec4(aPosition, 1.0);
    vFlat = flat4.xyz / flat4.w;
    vec4 eye = uModelView * vec4(aPosition, 1.0);
    gl_Position = uProjection * eye;
}
)";

const char* const kFlatFragment = R"(#version 300 es
precision highp float;
in vec3 vFlat;
uniform int uMode;  // 0: the colour; 1: the colour, only over the table top; 2: checkerboard
uniform vec4 uColor;
out vec4 fragColor;
void main() {
    if (uMode == 1 && (abs(vFlat.x) > 1.0 || abs(vFlat.z) > 1.0))
        discard;
    if (uMode == 2) {
        ivec2 square = ivec2(gl_FragCoord.xy) / 16;
        fragColor = (square.x + square.y) % 2 == 0 ? vec4(1.0) : vec4(0.84, 0.84, 0.84, 1.0);
    } else
        fragColor = uColor;
}
)";

struct FlatProgram {
    GLuint id = 0;
    GLint modelView = -1, projection = -1, flatFrame = -1, mode = -1, color = -1;
    GLuint buffer = 0;  // the viewport's quad (4 vertices), then the top face (4)
} flat;

Backdrop shownBackdrop = Backdrop::AsShown;

void useFlat(int mode)
{
    glUseProgram(flat.id);
    glUniform1i(flat.mode, mode);
    glBindBuffer(GL_ARRAY_BUFFER, flat.buffer);
    glVertexAttribPointer(kPosition, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
}

// The top face as the lit program draws it: the face's corners as a fan of two triangles.
void drawTopFace(const Mat4& view)
{
    glUniformMatrix4fv(flat.modelView, 1, GL_FALSE, view.m);
    glUniformMatrix4fv(flat.flatFrame, 1, GL_FALSE, identity().m);
    glDrawArrays(GL_TRIANGLE_FAN, 4, 4);
}

}  // namespace

bool buildFlatProgram(std::string& why)
{
    const GLuint vs = compileShader(GL_VERTEX_SHADER, kFlatVertex, why);
    const GLuint fs = compileShader(GL_FRAGMENT_SHADER, kFlatFragment, why);
    if (!why.empty())
        return false;
    flat.id = glCreateProgram();
    glAttachShader(flat.id, vs);
    glAttachShader(flat.id, fs);
    glBindAttribLocation(flat.id, kPosition, "aPosition");
    glLinkProgram(flat.id);
    GLint ok = 0;
    glGetProgramiv(flat.id, GL_LINK_STATUS, &ok);
    if (!ok) {
        why = "the flat shader does not link";
        return false;
    }
    flat.modelView = glGetUniformLocation(flat.id, "uModelView");
    flat.projection = glGetUniformLocation(flat.id, "uProjection");
    flat.flatFrame = glGetUniformLocation(flat.id, "uFlatFrame");
    flat.mode = glGetUniformLocation(flat.id, "uMode");
    flat.color = glGetUniformLocation(flat.id, "uColor");

    float vertices[8 * 3] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
    int top = 0;
    for (const auto& face : kTableFaces) {
        bool upper = true;
        for (int k = 0; k < 4; ++k)
            upper = upper && kTableCorners[face[k]][1] > 0.0f;
        if (upper)
            break;
        ++top;
    }
    for (int k = 0; k < 4; ++k)
        for (int c = 0; c < 3; ++c)
            vertices[12 + k * 3 + c] = kTableCorners[kTableFaces[top][k]][c];
    glGenBuffers(1, &flat.buffer);
    glBindBuffer(GL_ARRAY_BUFFER, flat.buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof vertices, vertices, GL_STATIC_DRAW);
    return true;
}

void resetFlatProgram()
{
    flat = FlatProgram{};
}

void setBackdrop(Backdrop b)
{
    shownBackdrop = b;
}

Backdrop backdrop()
{
    return shownBackdrop;
}

void drawCheckerboard()
{
    useFlat(2);
    glUniformMatrix4fv(flat.modelView, 1, GL_FALSE, identity().m);
    glUniformMatrix4fv(flat.projection, 1, GL_FALSE, identity().m);
    glUniformMatrix4fv(flat.flatFrame, 1, GL_FALSE, identity().m);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glUseProgram(program.id);
}

void beginShadowStamp(const Mat4& projection)
{
    useFlat(1);
    glUniformMatrix4fv(flat.projection, 1, GL_FALSE, projection.m);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-2.0f, -16.0f);
}

void stampCaster(const Mat4& view, const Mat4& flatten, const Mat4& place)
{
    const Mat4 flatFrame = flatten * place;
    glUniformMatrix4fv(flat.flatFrame, 1, GL_FALSE, flatFrame.m);
    glUniformMatrix4fv(flat.modelView, 1, GL_FALSE, (view * flatFrame).m);
}

void finishShadows(const Mat4& view)
{
    useFlat(0);
    // Darken the face once wherever a stamp lies in front of it.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_GREATER);
    glPolygonOffset(-1.0f, -8.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glUniform4f(flat.color, 0.0f, 0.0f, 0.0f, kShadowDarkening);
    drawTopFace(view);
    glDisable(GL_BLEND);
    // The face's own depth again.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_ALWAYS);
    glDisable(GL_POLYGON_OFFSET_FILL);
    drawTopFace(view);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthFunc(GL_LESS);
    glUseProgram(program.id);
}
