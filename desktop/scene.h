// The desktop's one scene: every callback of both windows reads and writes it.
#pragma once

#include "core/scene_state.h"

// Its fields never move: the panel binds controls to their addresses.
extern SceneState scene;
