// --scene of a turntable: the arguments a video carries in its comment, beside pictures and
// page links. No GL.
#pragma once

#include <string>

#include "core/scene_file.h"

// readSceneSource, but a name ending in .mp4, .webm or .gif is read as a video: its comment
// holds the arguments of its first frame.
SceneArguments readSceneOrVideo(const std::string& source, int textureCount);
