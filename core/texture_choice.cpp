// The size of a texture that fits the GPU, the texture numbers a new list keeps, and what shows what.
#include "core/texture_choice.h"

#include <algorithm>

#include "core/scene_state.h"

namespace {

// The objects that show an image, in the order of their settings.
int SceneState::* const kNumbers[5] = {&SceneState::tableTexture, &SceneState::popTexture,
                                       &SceneState::globeTexture, &SceneState::vaseTexture,
                                       &SceneState::standTexture};
const char* const kObjectNames[5] = {"the table", "the can", "the globe", "the vase", "the stand"};

}  // namespace

TextureSize fittedTextureSize(int width, int height, int largest)
{
    if (largest <= 0 || (width <= largest && height <= largest))
        return TextureSize{width, height, false};
    const double scale = static_cast<double>(largest) / std::max(width, height);
    return TextureSize{std::max(1, std::min(largest, static_cast<int>(width * scale))),
                       std::max(1, std::min(largest, static_cast<int>(height * scale))), true};
}

TextureChoices::TextureChoices()
{
    const SceneState defaults;
    for (int i = 0; i < 5; ++i)
        asked[i] = given[i] = defaults.*kNumbers[i];
}

void fitTextureNumbers(SceneState& state, TextureChoices& choices, int count)
{
    for (int i = 0; i < 5; ++i) {
        int& number = state.*kNumbers[i];
        if (number != choices.given[i])  // chosen since the last list: that is the number asked for
            choices.asked[i] = number;
        number = choices.asked[i] < count ? choices.asked[i] : 0;
        choices.given[i] = number;
    }
}

std::string textureUseText(const SceneState& state, const std::vector<std::string>& names)
{
    std::string text;
    for (int i = 0; i < 5; ++i) {
        const int number = state.*kNumbers[i];
        const bool shown = number >= 0 && number < static_cast<int>(names.size());
        text += std::string(i ? ", " : "") + kObjectNames[i] + " shows " +
                (shown ? names[static_cast<size_t>(number)] : "no image");
    }
    return text;
}
