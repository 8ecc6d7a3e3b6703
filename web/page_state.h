// What the page's entry points (page.cpp, page_images.cpp) share.
#pragma once

#include <string>
#include <vector>

#include "core/image/ppm.h"
#include "core/scene_state.h"

// The page's one scene, which every entry point reads and changes (defined in page.cpp).
extern SceneState scene;

// The images behind scene.textures, in their order.
extern std::vector<PpmImage> textureImages;

// Hands `text` to JavaScript; valid until the next call that returns a string.
const char* answer(std::string text);

// `text` as a JSON string literal.
std::string jsonString(const std::string& text);

// The panel's table over the scene, rebuilt whenever the texture count changes.
void rebuildControls();

// Rotation, zoom and the turn about Y back to the view the page started with.
void resetPageView();
