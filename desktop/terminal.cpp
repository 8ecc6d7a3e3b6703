// What the desktop says on its terminal: lines made printable, and the textures loaded or the
// process ended as start-up has always ended it.
#include "desktop/terminal.h"

#include <cstdio>
#include <cstdlib>

#include "core/options.h"
#include "core/texture_list.h"
#include "desktop/scene.h"

void sayLine(SayTo stream, const std::string& line)
{
    std::FILE* out = stream == SayTo::Err ? stderr : stdout;
    std::fputs((printable(line) + "\n").c_str(), out);
}

void loadTexturesOrExit(const std::string& listFile, const TextureListResult& list, bool quiet)
{
    const TextureLoadResult loaded = loadTextureSet(scene.textures, listFile, list, quiet, sayLine);
    if (loaded.ok)
        return;
    if (loaded.showUsage)
        std::fputs(textureListUsage(), stdout);
    std::exit(1);
}
