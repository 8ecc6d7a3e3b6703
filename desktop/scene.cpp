// The desktop's one scene, with its defaults before anything runs.
#include "desktop/scene.h"

SceneState scene;
