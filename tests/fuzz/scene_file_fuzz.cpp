// libFuzzer target: arbitrary bytes as a saved picture (and as a page link) through the reader
// of the Tolvane arguments; whatever is kept must be settings a fresh state accepts within the
// panel's limits, and every refusal is one line naming the source. Read from a file too, and
// from one larger than any picture.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/options.h"
#include "core/picture_text.h"
#include "core/scene_file.h"
#include "core/scene_state.h"

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

void checkScene(const SceneArguments& scene, const std::string& source)
{
    if (!scene.ok) {
        check(scene.message.rfind(source + ": ", 0) == 0 || source.find('\n') != std::string::npos ||
              source.find('\r') != std::string::npos);
        check(scene.message.find('\n') == std::string::npos);
        return;
    }
    check(scene.width >= 0 && scene.width <= 16384 && scene.height >= 0 && scene.height <= 16384);
    SceneState state;
    for (const std::string& s : scene.settings)
        check(applySetting(state, s, 5).empty());
}

// The same bytes read from a file, as --scene reads them (chunk by chunk), must give the same
// verdict; grown past the largest picture (sparse, no disk taken) the file is refused from its
// size, without a read.
void checkFile(const uint8_t* data, size_t size, const SceneArguments& inMemory)
{
    char path[] = "/tmp/tolvane-scene-fuzz-XXXXXX";
    const int fd = mkstemp(path);
    check(fd >= 0 && write(fd, data, size) == static_cast<ssize_t>(size));
    const SceneArguments fromFile = readSceneSource(path, 5);
    check(fromFile.ok == inMemory.ok && fromFile.settings == inMemory.settings);
    check(ftruncate(fd, static_cast<off_t>(kLargestPictureFile) + 1) == 0);
    const SceneArguments huge = readSceneSource(path, 5);
    check(!huge.ok && huge.message.find("larger than") != std::string::npos);
    close(fd);
    unlink(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const SceneArguments inMemory = readSceneBytes(data, size, "fuzz.png", 5);
    checkScene(inMemory, "fuzz.png");
    checkFile(data, size, inMemory);
    const std::string link = "http://h/?" + std::string(reinterpret_cast<const char*>(data), size);
    const SceneArguments fromLink = readSceneLink(link, 5);
    check(fromLink.ok || fromLink.message.find('\n') == std::string::npos);
    return 0;
}
