// Overlays on the page: one line program, the core's line lists kept until the vase changes.
#include "web/overlay_draw.h"

#include <GLES3/gl3.h>

#include <string>

#include "core/overlays.h"
#include "core/scene_state.h"
#include "web/shader.h"

namespace {

const char* const kLineVertexShader = R"(#version 300 es
in vec3 aPosition;
uniform mat4 uModelView;
uniform mat4 uProjection;
void main() { gl_Position = uProjection * uModelView * vec4(aPosition, 1.0); }
)";
const char* const kLineFragmentShader = R"(#version 300 es
precision mediump float;
uniform vec3 uColor;
out vec4 fragColor;
void main() { fragColor = vec4(uColor, 1.0); }
)";

struct LineProgram {
    GLuint id = 0;
    GLint modelView = -1, projection = -1, color = -1;
    GLuint buffer = 0;  // the light's marker, written every frame
    bool failed = false;
} lines;

// A cache slot's lines in GL, handed over once per rebuild: a 1000 x 1000 vase's mesh is tens
// of MB, too much to copy every frame.
struct LinesInGL {
    GLuint points = 0, indices = 0;
    unsigned long serial = 0;  // of the lines held; 0: none
};

CachedLines<MeshLines> meshLines;
CachedLines<LineList> normalLines;
LinesInGL meshInGL[2], normalsInGL[2];

bool ensureProgram()
{
    if (lines.id != 0 || lines.failed)
        return lines.id != 0;
    std::string why;
    const GLuint vs = compileShader(GL_VERTEX_SHADER, kLineVertexShader, why);
    const GLuint fs = compileShader(GL_FRAGMENT_SHADER, kLineFragmentShader, why);
    lines.failed = !why.empty();
    if (lines.failed)
        return false;
    const GLuint p = glCreateProgram();
    glAttachShader(p, vs);
    glAttachShader(p, fs);
    glBindAttribLocation(p, kPosition, "aPosition");
    glLinkProgram(p);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        lines.failed = true;
        return false;
    }
    lines.id = p;
    lines.modelView = glGetUniformLocation(p, "uModelView");
    lines.projection = glGetUniformLocation(p, "uProjection");
    lines.color = glGetUniformLocation(p, "uColor");
    glGenBuffers(1, &lines.buffer);
    return true;
}

void drawLines(const LineList& list, const Mat4& modelView, const float colour[3])
{
    if (list.empty())
        return;
    glUniformMatrix4fv(lines.modelView, 1, GL_FALSE, modelView.m);
    glUniform3fv(lines.color, 1, colour);
    glBindBuffer(GL_ARRAY_BUFFER, lines.buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(list.size() * sizeof(float)),
                 list.data(), GL_STREAM_DRAW);
    glVertexAttribPointer(kPosition, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(list.size() / 3));
}

// Binds `gl`'s points (and indices) for lines with `serial`, handing them over when they changed.
void bindLines(LinesInGL& gl, unsigned long serial, const std::vector<float>& points,
               const std::vector<unsigned>* indices)
{
    if (gl.points == 0) {
        glGenBuffers(1, &gl.points);
        glGenBuffers(1, &gl.indices);
    }
    glBindBuffer(GL_ARRAY_BUFFER, gl.points);
    if (indices)
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gl.indices);
    if (gl.serial == serial)
        return;
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(points.size() * sizeof(float)),
                 points.data(), GL_STATIC_DRAW);
    if (indices)
        glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                     static_cast<GLsizeiptr>(indices->size() * sizeof(unsigned)), indices->data(),
                     GL_STATIC_DRAW);
    gl.serial = serial;
}

// Lines kept in a cache slot, drawn from their copy in GL (`gl`, handed over when `serial`
// is new); indexed segments when `indices` is given, else point pairs.
void drawCachedLines(LinesInGL& gl, unsigned long serial, const std::vector<float>& points,
                     const std::vector<unsigned>* indices, const Mat4& modelView,
                     const float colour[3])
{
    if (points.empty())
        return;
    glUniformMatrix4fv(lines.modelView, 1, GL_FALSE, modelView.m);
    glUniform3fv(lines.color, 1, colour);
    bindLines(gl, serial, points, indices);
    glVertexAttribPointer(kPosition, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    if (indices)
        glDrawElements(GL_LINES, static_cast<GLsizei>(indices->size()), GL_UNSIGNED_INT, nullptr);
    else
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(points.size() / 3));
}

}  // namespace

void drawOverlays(const SceneState& state, const VaseSettings& s, const Mat4& projection,
                  const Mat4& camera, const Mat4& view, bool vaseParts)
{
    const bool vaseLines = vaseParts && (state.showMesh || state.showNormals);
    if ((!vaseLines && !state.showLight) || !ensureProgram())
        return;
    glUseProgram(lines.id);
    glUniformMatrix4fv(lines.projection, 1, GL_FALSE, projection.m);
    if (vaseLines) {
        const Mat4 vase = view * vasePlaceMatrix(state);
        if (state.showMesh) {
            // WebGL has no logic operations: the lines invert what lies under them instead.
            const float white[3] = {1.0f, 1.0f, 1.0f};
            glEnable(GL_BLEND);
            glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ZERO);
            const int slot = cachedLines(meshLines, s, buildVaseMeshLines);
            const MeshLines& mesh = meshLines.lines[slot];
            drawCachedLines(meshInGL[slot], meshLines.serial[slot], mesh.points, &mesh.indices,
                            vase, white);
            glDisable(GL_BLEND);
        }
        if (state.showNormals) {
            const int slot = cachedLines(normalLines, s, buildVaseNormalLines);
            drawCachedLines(normalsInGL[slot], normalLines.serial[slot], normalLines.lines[slot],
                            nullptr, vase, kNormalLineColour);
        }
    }
    if (state.showLight) {
        LineList marker;
        buildLightMarker(state.lightPosition, marker);
        glDisable(GL_DEPTH_TEST);
        drawLines(marker, camera, kLightMarkerColour);
        glEnable(GL_DEPTH_TEST);
    }
}

void resetOverlays()
{
    lines = LineProgram{};
    for (int slot = 0; slot < 2; ++slot)
        meshInGL[slot] = normalsInGL[slot] = LinesInGL{};
}
