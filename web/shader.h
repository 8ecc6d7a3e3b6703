// The page's one shader program: OpenGL 1.1's per-vertex lighting and texturing as the desktop
// sets them up, with the locations of its inputs.
#pragma once

#include <string>

// Vertex attribute locations, bound before linking.
enum Attribute : unsigned int { kTexCoord = 0, kNormal = 1, kPosition = 2 };

struct Program {
    unsigned int id = 0;
    int modelView, projection, lightPosition, lightDiffuse, lightSpecular, color,
        materialSpecular, shininess, textureScale, textured, texture;
};
extern Program program;

// Compiles and links the program in the current WebGL context and finds its uniforms; false
// with `why` set when that fails.
bool buildProgram(std::string& why);
