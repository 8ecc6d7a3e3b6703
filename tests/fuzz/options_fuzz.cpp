// libFuzzer target: arbitrary words through the command line and --set; whatever is accepted
// must leave every setting within the panel's limits, and every refusal must be one line.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/options.h"
#include "core/scene_state.h"
#include "core/view_math.h"

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Words are separated by NUL bytes, as the kernel hands them to main.
    std::vector<std::string> words{"tolvane"};
    std::string word;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    words.push_back(word);
    std::vector<const char*> argv;
    for (const std::string& w : words)
        argv.push_back(w.c_str());

    const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data());
    if (line.action == CommandAction::Error)
        check(!line.text.empty() && line.text.find('\n') == std::string::npos);
    SceneState state;
    for (const std::string& assignment : line.settings) {
        const std::string error = applySetting(state, assignment, 5);
        check(error.find('\n') == std::string::npos);
    }
    // One word tried as a setting directly too, so the fuzzer need not find "--set" first.
    applySetting(state, word, 5);
    check(state.vaseVerticalSteps >= 0 && state.vaseVerticalSteps <= 1000);
    check(state.vaseRadialSteps >= 0 && state.vaseRadialSteps <= 1000);
    check(state.vaseTexture >= 0 && state.vaseTexture <= 4);
    check(state.zoom >= kMinZoom && state.zoom <= kMaxZoom);
    check(state.globeAngle >= 0 && state.globeAngle < 360);
    check(state.crazyVase == 0 || state.crazyVase == 1);
    for (float v : state.lightPosition)
        check(std::isfinite(v));
    for (float v : state.rotation)
        check(std::isfinite(v));
    return 0;
}
