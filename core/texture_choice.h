// What opened images give the still life: the size an image is scaled to for the largest texture
// a GPU holds, which texture numbers still fit a new list, and which object shows which image.
// No GL, no printing.
#pragma once

#include <string>
#include <vector>

struct SceneState;

struct TextureSize {
    int width = 0;  // pixels
    int height = 0;
    bool scaled = false;  // smaller than the image
};

// `width` x `height` scaled down, keeping its proportions, so that neither side is above
// `largest` (a GPU's largest texture); as it is when it fits or `largest` is unknown (0 or less).
TextureSize fittedTextureSize(int width, int height, int largest);

// The texture numbers of the five textured objects (table, can, globe, vase, stand): those asked
// for, and those given when the last list came, kept from one list of images to the next.
struct TextureChoices {
    int asked[5];
    int given[5];
    TextureChoices();  // both the defaults of SceneState
};

// After a new list of `count` images: a number chosen since the last list becomes the one asked
// for; a number asked for that does not fit the list gives 0, and is remembered, so that a later,
// longer list shows it again.
void fitTextureNumbers(SceneState& state, TextureChoices& choices, int count);

// "the table shows a.png, the can shows b.png, ..." for the state's numbers over the images
// `names` ("no image" for a number outside them).
std::string textureUseText(const SceneState& state, const std::vector<std::string>& names);
