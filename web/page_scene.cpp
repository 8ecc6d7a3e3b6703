// The page's scenes, keys and history: a picture's scene opened through the core's reader (with
// its refusals), the core's key table, undo and redo over the same history rules as the
// desktop, the address's query.
#include <emscripten/emscripten.h>

#include <string>

#include "core/history.h"
#include "core/keys.h"
#include "core/options.h"
#include "core/scene_file.h"
#include "core/scene_state.h"
#include "core/standard_views.h"
#include "web/page_state.h"

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

namespace {

// What a key of the table does to the page's scene, as one undo step of its row's scope.
const char* runSceneBinding(const KeyBinding& key)
{
    const unsigned undo = rowOfKey(key).undo;
    commitStep(history, scene);  // an open gesture ends before the key's own step
    const SceneState before = scene;
    switch (key.action) {
    case KeyAction::SetSetting:
    case KeyAction::ToggleSetting:
    case KeyAction::StandardView: applySceneKey(scene, key); break;
    case KeyAction::ResetView: resetPageView(); break;
    case KeyAction::Undo: return undoStep(history, scene) ? "changed" : "done";
    case KeyAction::Redo: return redoStep(history, scene) ? "changed" : "done";
    case KeyAction::ToggleKeyList: return "keys";
    default: return "";
    }
    if (undo != 0)
        recordStep(history, before, scene, undo);
    return "changed";
}

}  // namespace

// A key pressed where the scene's keys work (not while text is typed in a field), by the
// core's key table: "" when it is no key of the page's, "keys" to show or hide the key list,
// "changed" when the scene changed (the panel and canvas show it), "done" otherwise.
EMSCRIPTEN_KEEPALIVE const char* tvSceneKey(int code, int ctrl, int shift)
{
    const KeyBinding* key = findKey(code, ctrl != 0, shift != 0, kPageKeys);
    return key == nullptr ? "" : runSceneBinding(*key);
}

// The standard views for the page's menu, [[name, keys], …], in the key table's order.
EMSCRIPTEN_KEEPALIVE const char* tvStandardViews()
{
    sceneReply = "[";
    for (const KeyRow& row : keyRows())
        for (const KeyBinding& key : row.bindings) {
            if (key.action != KeyAction::StandardView || key.code < '0' || key.code > '9')
                continue;
            if (sceneReply.size() > 1)
                sceneReply += ',';
            const std::string keys = std::string(key.ctrl ? "Ctrl+" : "") + char(key.code);
            sceneReply += "[" + jsonString(standardViewName(StandardView(key.value))) + "," +
                          jsonString(keys) + "]";
        }
    sceneReply += "]";
    return sceneReply.c_str();
}

// The menu's `index`-th standard view, as its key: "changed" once the view turned.
EMSCRIPTEN_KEEPALIVE const char* tvStandardView(int index)
{
    int n = 0;
    for (const KeyRow& row : keyRows())
        for (const KeyBinding& key : row.bindings)
            if (key.action == KeyAction::StandardView && key.code >= '0' && key.code <= '9' &&
                n++ == index)
                return runSceneBinding(key);
    return "";
}

// The page's key list, [[keys, what they do], …], from the core's key table.
EMSCRIPTEN_KEEPALIVE const char* tvKeyRows()
{
    sceneReply = "[";
    for (const KeyRow& row : keyRows()) {
        if ((row.fronts & kPageKeys) == 0)
            continue;
        if (sceneReply.size() > 1)
            sceneReply += ',';
        sceneReply += "[" + jsonString(row.keys) + "," + jsonString(row.help) + "]";
    }
    sceneReply += "]";
    return sceneReply.c_str();
}

// F1's number in the key table's numbering.
EMSCRIPTEN_KEEPALIVE int tvKeyF1()
{
    return kKeyF1;
}

// "?NAME=VALUE&…" for the address: the same link the desktop prints on p.
EMSCRIPTEN_KEEPALIVE const char* tvPageQuery()
{
    sceneReply = pageLinkOf(scene, static_cast<int>(scene.textures.size()), "");
    return sceneReply.c_str();
}

}  // extern "C"
