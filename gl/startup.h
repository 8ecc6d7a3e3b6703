// Start-up of the viewer: fixed GL state, the projection and the textures.
#pragma once

#include <string>

#include "core/scene_state.h"

struct PpmImage;
struct TextureListResult;

// States every piece of fixed GL state the scene relies on, with `state`'s material; ends
// with setProjection(1.0).
void initGraphicsState(const SceneState& state);

// Orthographic volume of half-width 2 * zoom and depth range +-10 * zoom; leaves the
// modelview matrix selected. A larger zoom shows more of the scene, smaller.
void setProjection(float zoom);

// Where a line that loading has to say goes; the front end prints it (with its newline) as it
// comes, so progress reaches a pipe while the images load.
enum class SayTo { Out, Err };
using SayLine = void (*)(SayTo stream, const std::string& line);

// How loading the textures ended. On failure every line has been said, and the front end
// ends with status 1 after printing the usage text where `showUsage` asks for it.
struct TextureLoadResult {
    bool ok = true;
    bool showUsage = false;  // the list could not be opened
};

// Reads every image that `list` (read from `listFile`, once: it may be a pipe) names into
// `textures` (a file named more than once is read and uploaded once, its texture shared),
// saying progress unless `quiet`. An image larger than GL_MAX_TEXTURE_SIZE is scaled down to
// fit, keeping its proportions. Any failure says one line (or two) and stops; so does a
// texture GL has no memory for. Names are said as the list gives them: `say` makes them safe.
TextureLoadResult loadTextureSet(TextureSet& textures, const std::string& listFile,
                                 const TextureListResult& list, bool quiet, SayLine say);

// Hands an image to GL as a new linear-filtered, repeating texture; returns its name.
unsigned int uploadTexture(const PpmImage& image);
