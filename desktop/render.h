// Headless pictures: one frame drawn offscreen with no window and no X server, saved as PNG.
#pragma once

#include <string>

#include "core/image/ppm.h"

struct CommandLine;

// Draws one frame of the scene as it stands into a width x height picture, exactly as the
// window would draw it, and writes it to the command line's render path. Returns an empty
// string, or one line saying why no picture was written. Start-up's own failures (the list,
// an image) print and exit as they do for the window.
struct TextureListResult;

// `list` is the texture list as read once from line.listFile.
std::string renderToFile(const CommandLine& line, const TextureListResult& list);

// The parts of renderToFile, for pictures drawn one after another (a turntable) in one context:
// opens the offscreen context and sets up the scene once (state, projection, textures, the
// exact vase); empty, or why not.
std::string openPictureScene(const CommandLine& line, const TextureListResult& list);
// One whole frame of the scene as it stands, read back (rows top first).
PpmImage drawPicture(int width, int height);
// `pixels` as a PNG or JPEG (by `path`'s extension) carrying the arguments that draw it.
std::string writePictureFile(const std::string& path, const PpmImage& pixels);
