// The keys of the scene window and panel, once: each key, what it does, its undo step and its
// line in the key lists of --help, the panel, the page and the man page. No GL.
#pragma once

#include <string>
#include <vector>

struct SceneState;

// ASCII Escape, as GLUT delivers it to a keyboard callback.
constexpr unsigned char kEscapeKey = 27;
// F1, in the same numbering as ASCII keys (GLUT's special keys from 256 on).
constexpr int kSpecialKeyBase = 256;
constexpr int kKeyF1 = kSpecialKeyBase + 1;

enum class KeyAction {
    None,
    SetSetting,     // the row's setting takes `value`
    ToggleSetting,  // the row's setting between 0 and 1
    StandardView,   // the view rotation of the standard view numbered `value`; zoom kept
    ResetView,      // rotation, zoom and the turn as at start-up
    PrintLink,      // the page link of the scene on standard output
    Undo,
    Redo,
    Quit,
    ToggleKeyList,
};

// Where a key works.
enum KeyFront : unsigned { kDesktopKeys = 1u, kPageKeys = 2u, kEveryFront = 3u };

struct KeyBinding {
    int code;   // ASCII as delivered (Ctrl+Z as 26), or kKeyF1
    bool ctrl;  // Ctrl held
    int shift;  // 1 held, 0 not held, -1 either
    KeyAction action;
    const char* setting = nullptr;  // the settings' row SetSetting and ToggleSetting change
    int value = 0;                  // what SetSetting stores; StandardView's view
};

struct KeyRow {
    const char* keys;  // as the lists show them: "c / s", "Ctrl+Z"
    const char* help;  // what they do, in a few words
    unsigned fronts;   // KeyFront bits
    unsigned undo;     // HistoryScope of the step a key of the row makes; 0: none
    std::vector<KeyBinding> bindings;  // empty for pointer input and keys a browser handles
};

const std::vector<KeyRow>& keyRows();

// The binding of `code` with these modifiers on `front`, or null when the key does nothing
// there. Letters are case-sensitive.
const KeyBinding* findKey(int code, bool ctrl, bool shift, KeyFront front);
// The row a binding belongs to.
const KeyRow& rowOfKey(const KeyBinding& binding);

// Applies a binding that changes only the scene (SetSetting, ToggleSetting, StandardView) to
// `state`; returns whether it was one.
bool applySceneKey(SceneState& state, const KeyBinding& binding);

// Plain keys (no Ctrl) that change the scene's settings on either front end: c, s, y, m, ...
// applied to `state`; any other key changes nothing.
void applyKey(SceneState& state, unsigned char key);

// The lines "keys  what they do" of `front`'s rows, one per row, each ending in a newline.
std::string keyListText(KeyFront front);
