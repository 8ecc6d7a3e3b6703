// --render of a turntable: a video, a GIF or numbered pictures of the still life turning.
#pragma once

#include <string>

struct CommandLine;
struct TextureListResult;

// Seconds a turntable took, whole and inside the encoder (0 for numbered pictures).
struct TurntableTimes {
    double totalSeconds = 0;
    double encodeSeconds = 0;
};

// Writes line.renderPath as line.turntable plans it, from the scene as it stands, with a
// progress bar on a terminal's stderr (not with --quiet) and one closing line on stdout.
// Empty, or one line saying why nothing was written; nothing is left on disk then.
std::string renderTurntable(CommandLine& line, const TextureListResult& list,
                            TurntableTimes* times = nullptr);
