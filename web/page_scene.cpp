// The page's scenes and history: a picture's scene opened through the core's reader (with its
// refusals), undo and redo over the same history rules as the desktop, the address's query.
#include <emscripten/emscripten.h>

#include <string>

#include "core/history.h"
#include "core/options.h"
#include "core/scene_file.h"
#include "core/scene_state.h"

namespace {

SceneHistory history;
std::string sceneReply;  // valid until the next call that returns a string

long nowMs()
{
    return static_cast<long>(emscripten_get_now());
}

}  // namespace

extern "C" {

// Opens the scene a picture carries: "" once every setting is in (one undo step), or the one
// line saying what was refused, with the scene left as it was.
EMSCRIPTEN_KEEPALIVE const char* tvOpenScene(const unsigned char* bytes, int size, const char* name)
{
    const SceneArguments recorded = readSceneBytes(bytes, size > 0 ? static_cast<size_t>(size) : 0,
                                                   name, static_cast<int>(scene.textures.size()));
    if (!recorded.ok) {
        sceneReply = recorded.message;
        return sceneReply.c_str();
    }
    commitStep(history, scene);
    const SceneState before = scene;
    for (const std::string& setting : recorded.settings)
        applySetting(scene, setting, static_cast<int>(scene.textures.size()));
    recordStep(history, before, scene, kScopeAll);
    sceneReply.clear();
    return sceneReply.c_str();
}

// Steps around the page's own input (scope: HistoryScope bits). A gesture input (wheel, an
// arrow clicked again and again) ends its step once quiet.
EMSCRIPTEN_KEEPALIVE void tvBeginStep(int scope)
{
    beginStep(history, scene, static_cast<unsigned>(scope));
}

EMSCRIPTEN_KEEPALIVE void tvCommitStep()
{
    commitStep(history, scene);
}

EMSCRIPTEN_KEEPALIVE void tvGestureInput(int scope)
{
    continueGesture(history, scene, static_cast<unsigned>(scope), nowMs());
}

EMSCRIPTEN_KEEPALIVE int tvUndo()
{
    return undoStep(history, scene) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int tvRedo()
{
    return redoStep(history, scene) ? 1 : 0;
}

// "?NAME=VALUE&…" for the address: the same link the desktop prints on p.
EMSCRIPTEN_KEEPALIVE const char* tvPageQuery()
{
    sceneReply = pageLinkOf(scene, static_cast<int>(scene.textures.size()), "");
    return sceneReply.c_str();
}

}  // extern "C"
