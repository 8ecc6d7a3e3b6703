// The named settings' table, shared by the command line, --set and the reproducing arguments;
// internal to core/options*.
#pragma once

#include <string>
#include <vector>

#include "core/settings.h"

struct SceneState;

// One row of the settings' table bound to one state's fields, with the limits for one texture
// count: one field, or the three edited components of a vector.
struct Setting {
    const SettingRow* row;
    const char* name;
    SettingKind kind;
    int components = 1;  // 1, or 3 for a vector given as x,y,z
    int* ints[3] = {};
    float* floats[3] = {};
    bool limited = false;  // values must lie in [low, high]
    bool angles = false;   // degrees, whole turns dropped as they are assigned (wrapDegrees)
    double low = 0, high = 0;
    const char* meaning = "";  // for --help
};

// Every row of the settings' table in its order, bound to `st`'s fields. textureCount < 0 leaves the texture indices without an upper limit.
std::vector<Setting> settingsOf(SceneState& st, int textureCount);

// A whole number as the panel reads one: any strtod form ("1000", "1e3", "+7") whose value
// has no fraction and fits an int.
bool parseWhole(const std::string& text, int& value);

// --help's table of the settings, one line each with what it allows and its default.
std::string settingsHelp();
