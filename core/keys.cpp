// The key table and what follows from it: lookups, the scene's key settings and the key lists.
#include "core/keys.h"

#include <cstdio>
#include <cstring>

#include "core/scene_state.h"
#include "core/settings.h"
#include "core/standard_views.h"

namespace {

KeyBinding plain(int code, KeyAction action, const char* setting = nullptr, int value = 0)
{
    return KeyBinding{code, false, -1, action, setting, value};
}

KeyBinding ctrl(int code, int shift, KeyAction action, int value = 0)
{
    return KeyBinding{code, true, shift, action, nullptr, value};
}

KeyBinding view(int code, bool ctrlHeld, StandardView which)
{
    return KeyBinding{code, ctrlHeld, -1, KeyAction::StandardView, nullptr,
                      static_cast<int>(which)};
}

std::vector<KeyRow> buildRows()
{
    using A = KeyAction;
    constexpr int kCtrlY = 25, kCtrlZ = 26;
    return {
        {"drag", "turn the still life (up/down: zoom in Zoom Mode, else tilt)", kEveryFront, 0, {}},
        {"wheel", "zoom in and out", kEveryFront, 0, {}},
        {"c / s", "cylindrical / spherical picture on the vase", kEveryFront, kScopeSettings,
         {plain('c', A::SetSetting, "cylindricalProjection", 1),
          plain('s', A::SetSetting, "cylindricalProjection", 0)}},
        // The turn is animation: never an undo step.
        {"y", "start or stop turning the whole view", kEveryFront, 0,
         {plain('y', A::ToggleSetting, "spinY")}},
        {"m", "show or hide the vase's quads as lines", kEveryFront, kScopeSettings,
         {plain('m', A::ToggleSetting, "showMesh")}},
        {"n", "show or hide the vase's lighting normals", kEveryFront, kScopeSettings,
         {plain('n', A::ToggleSetting, "showNormals")}},
        {"l", "show or hide where the light is (or an arrow along it)", kEveryFront,
         kScopeSettings, {plain('l', A::ToggleSetting, "showLight")}},
        {"r", "reset rotation, zoom and turn to the start-up view", kEveryFront, kScopeView,
         {plain('r', A::ResetView)}},
        // X delivers Ctrl+3 as 27 and Ctrl+7 as 31 (Ctrl held: not Esc); browsers the digits.
        {"1 / 3 / 7", "front / right side / top view (Ctrl: back / left / bottom)", kEveryFront,
         kScopeView,
         {view('1', false, StandardView::Front), view('1', true, StandardView::Back),
          view('3', false, StandardView::Right), view('3', true, StandardView::Left),
          view(kEscapeKey, true, StandardView::Left), view('7', false, StandardView::Top),
          view('7', true, StandardView::Bottom), view(31, true, StandardView::Bottom)}},
        {"p", "print the page link of the current scene", kDesktopKeys, 0,
         {plain('p', A::PrintLink)}},
        // GLUT delivers Ctrl+Z as 26 and Ctrl+Y as 25; the page delivers the letters.
        {"Ctrl+Z", "undo the last change of a setting or the view", kEveryFront, 0,
         {ctrl(kCtrlZ, 0, A::Undo), ctrl('z', 0, A::Undo), ctrl('Z', 0, A::Undo)}},
        {"Ctrl+Y", "redo it (also Ctrl+Shift+Z)", kEveryFront, 0,
         {ctrl(kCtrlY, -1, A::Redo), ctrl('y', -1, A::Redo), ctrl('Y', -1, A::Redo),
          ctrl(kCtrlZ, 1, A::Redo), ctrl('z', 1, A::Redo), ctrl('Z', 1, A::Redo)}},
        {"q / Esc", "quit (Esc in a panel field cancels the edit)", kDesktopKeys, 0,
         {plain('q', A::Quit), plain(kEscapeKey, A::Quit)}},
        {"F1 / h", "show or hide this list in the panel", kEveryFront, 0,
         {plain(kKeyF1, A::ToggleKeyList), plain('h', A::ToggleKeyList)}},
        // The page's own input, which the browser and its fields handle.
        {"one finger", "turns the still life, as a drag does", kPageKeys, 0, {}},
        {"Tab", "moves between the scene, the buttons and the fields", kPageKeys, 0, {}},
        {"↑ / ↓, wheel", "step the focused field (Ctrl: the fast step); held arrows repeat",
         kPageKeys, 0, {}},
        {"Enter / Esc", "take / cancel what is typed in a field", kPageKeys, 0, {}},
        {"?", "beside a field: what it does", kPageKeys, 0, {}},
    };
}

}  // namespace

const std::vector<KeyRow>& keyRows()
{
    static const std::vector<KeyRow> rows = buildRows();
    return rows;
}

const KeyBinding* findKey(int code, bool ctrlHeld, bool shiftHeld, KeyFront front)
{
    for (const KeyRow& row : keyRows()) {
        if ((row.fronts & front) == 0)
            continue;
        for (const KeyBinding& b : row.bindings)
            if (b.code == code && b.ctrl == ctrlHeld &&
                (b.shift < 0 || (b.shift == 1) == shiftHeld))
                return &b;
    }
    return nullptr;
}

const KeyRow& rowOfKey(const KeyBinding& binding)
{
    for (const KeyRow& row : keyRows())
        if (!row.bindings.empty() && &binding >= &row.bindings.front() &&
            &binding <= &row.bindings.back())
            return row;
    return keyRows().front();
}

bool applySceneKey(SceneState& state, const KeyBinding& binding)
{
    if (binding.action == KeyAction::StandardView) {
        standardViewRotation(static_cast<StandardView>(binding.value), state.rotation);
        return true;
    }
    if (binding.action != KeyAction::SetSetting && binding.action != KeyAction::ToggleSetting)
        return false;
    const SettingRow* row = findSetting(binding.setting);
    if (row == nullptr || row->kind == SettingKind::Float)
        return false;
    int& field = intAt(state, *row);
    field = binding.action == KeyAction::SetSetting ? binding.value : field ? 0 : 1;
    return true;
}

void applyKey(SceneState& state, unsigned char key)
{
    const KeyBinding* b = findKey(key, false, false, kEveryFront);
    if (b != nullptr)
        applySceneKey(state, *b);
}

std::string keyListText(KeyFront front)
{
    std::string text;
    for (const KeyRow& row : keyRows()) {
        if ((row.fronts & front) == 0)
            continue;
        // Keys in a column of 12 characters; a UTF-8 arrow takes one column but several bytes.
        int extraBytes = 0;
        for (const char* c = row.keys; *c != '\0'; ++c)
            if ((static_cast<unsigned char>(*c) & 0xC0) == 0x80)
                ++extraBytes;
        char line[160];
        std::snprintf(line, sizeof line, "%-*s%s\n", 12 + extraBytes, row.keys, row.help);
        text += line;
    }
    return text;
}
