// libFuzzer target: arbitrary bytes as a saved picture (and as a page link) through the reader
// of the Tolvane arguments; whatever is kept must be settings a fresh state accepts within the
// panel's limits, and every refusal is one line naming the source.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/options.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    checkScene(readSceneBytes(data, size, "fuzz.png", 5), "fuzz.png");
    const std::string link = "http://h/?" + std::string(reinterpret_cast<const char*>(data), size);
    const SceneArguments fromLink = readSceneLink(link, 5);
    check(fromLink.ok || fromLink.message.find('\n') == std::string::npos);
    return 0;
}
