// Every named setting of SceneState, once: its field, kind and limits, the panel's control,
// undo, what it changes in a frame and when pictures and links name it. No GL.
#pragma once

#include <cstddef>

struct SceneState;

enum class SettingKind { Flag, Int, Float };

// Which values a setting takes beyond its kind.
enum class SettingLimit {
    Unlimited,     // any value of the kind
    Range,         // [low, high]
    TextureIndex,  // [0, textures - 1]; nothing at all when the list has no images
    Samples,       // 0, 2, 4 or 8 (samples a pixel)
};

enum class PanelControl { Hidden, Checkbox, IntSpinner, FloatSpinner };

// What part of a frame a setting changes; a kept picture of the still life less the globe's
// sphere is stale when a setting of any part but Unseen and Globe differs.
enum class PicturePart {
    Unseen, // no single frame shows it (the animation's switches, how input behaves)
    Vase,   // the vase's mesh: it shows once the mesh for it is built
    Rest,   // everything else that is drawn: props, textures, light, overlays, smoothing
    View,   // the view's rotation and zoom
    Globe,  // the globe's own turn, drawn over the kept picture
};

// When a picture's arguments and a page link name a setting.
enum class NamedWhen {
    Picture,    // pictures and links, whatever its value
    WhenOn,     // only when not 0, so pictures saved before it existed keep their bytes
    LinkWhenOn, // animation only: never in a picture (no frame shows it), in a link when on
};

constexpr int kMaxSteps = 1000;  // upper limit of the tessellation spinners

// Which fields an undo step may record: the panel's settings, the view (rotation and zoom), or
// both.
enum HistoryScope : unsigned { kScopeSettings = 1u, kScopeView = 2u, kScopeAll = 3u };

struct SettingRow {
    const char* name;  // the field's name, as --set, pictures and links spell it
    SettingKind kind;
    int components;  // 1, or 3 for the edited x,y,z (R,G,B) of a vector
    // The field: exactly one of these is set. Vectors of four keep their last component.
    int SceneState::*intField;
    float SceneState::*floatField;
    float (SceneState::*vector4)[4];
    float (SceneState::*vector3)[3];
    SettingLimit limit;
    double low, high;  // with SettingLimit::Range
    bool angles;       // degrees: whole turns are dropped as the value is assigned
    const char* meaning;  // --help's few words
    PanelControl control;
    const char* labels[3];    // the panel's label of each component, exactly as shown
    const char* tooltips[3];  // one line in plain words each
    unsigned undo;            // the HistoryScope that records it, or 0: never undone
    PicturePart part;
    NamedWhen named;
};

// The settings in the order pictures list them (the panel's first, in the panel's order).
const SettingRow* settingRows();
size_t settingCount();

// The row named `name`, or null.
const SettingRow* findSetting(const char* name);

// Component `k` of the row's field in `state` (only for the row's own kind).
int& intAt(SceneState& state, const SettingRow& row, int k = 0);
float& floatAt(SceneState& state, const SettingRow& row, int k = 0);
int intAt(const SceneState& state, const SettingRow& row, int k = 0);
float floatAt(const SceneState& state, const SettingRow& row, int k = 0);

// Whether the row's value differs between `a` and `b`, floats compared as numbers.
bool settingDiffers(const SettingRow& row, const SceneState& a, const SceneState& b);

// Copies the value of every row of `part` from `from` into `to`.
void copyPart(PicturePart part, const SceneState& from, SceneState& to);

// Whether the row is "on": a flag or count other than 0 (for NamedWhen rules).
bool settingOn(const SceneState& state, const SettingRow& row);
