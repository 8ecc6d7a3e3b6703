// The fixed-function pipeline the desktop sets up, written out as the page's one shader program.
#include "web/shader.h"

#include <GLES3/gl3.h>

namespace {

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

Program program;

bool buildProgram(std::string& why)
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
    return true;
}
