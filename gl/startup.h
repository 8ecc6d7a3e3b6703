// Start-up of the viewer: fixed GL state, the projection, the usage text and the textures.
#pragma once

#include <string>

struct PpmImage;

// States every piece of fixed GL state the scene relies on; ends with setProjection(1.0).
void initGraphicsState();

// Orthographic volume of half-width 2 * zoom and depth range +-10 * zoom; leaves the
// modelview matrix selected. A larger zoom shows more of the scene, smaller.
void setProjection(float zoom);

void printUsage();

// Reads every image that `list` (read from `listFile`, once: it may be a pipe) names into
// scene.textures (a file named more than once is read and uploaded once, its texture shared),
// printing progress unless `quiet`. An image larger than GL_MAX_TEXTURE_SIZE is scaled down to
// fit, keeping its proportions. Any failure prints one line (or the usage text) and ends the
// process with status 1; so does a texture GL has no memory for.
struct TextureListResult;
void loadTextureSet(const std::string& listFile, const TextureListResult& list, bool quiet = false);

// Hands an image to GL as a new linear-filtered, repeating texture; returns its name.
unsigned int uploadTexture(const PpmImage& image);
