// What the desktop says on its terminal: lines made printable, and the textures loaded or the
// process ended as start-up has always ended it.
#pragma once

#include <string>

#include "gl/startup.h"

struct TextureListResult;

// `line` and a newline on standard output or error, its control characters made visible as
// '?' (it may quote a file name or an argument).
void sayLine(SayTo stream, const std::string& line);

// Loads the list's textures into the desktop's scene, saying progress unless `quiet`; where
// they cannot be loaded, after the lines that say why (and the usage text where the list could
// not be opened), ends the process with status 1.
void loadTexturesOrExit(const std::string& listFile, const TextureListResult& list, bool quiet);
