// Headless pictures: one frame drawn offscreen with no window and no X server, saved as PNG.
#pragma once

#include <string>

struct CommandLine;

// Draws one frame of the scene as it stands into a width x height picture, exactly as the
// window would draw it, and writes it to the command line's render path. Returns an empty
// string, or one line saying why no picture was written. Start-up's own failures (the list,
// an image) print and exit as they do for the window.
struct TextureListResult;

// `list` is the texture list as read once from line.listFile.
std::string renderToFile(const CommandLine& line, const TextureListResult& list);
