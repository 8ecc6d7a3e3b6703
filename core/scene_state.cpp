// Lookups over a SceneState.
#include "core/scene_state.h"

#include <cstddef>

unsigned int textureAt(const SceneState& state, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= state.textures.size())
        return 0;
    return state.textures[static_cast<std::size_t>(index)];
}
