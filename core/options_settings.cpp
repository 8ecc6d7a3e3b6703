// The named settings: their table, reading and checking values against the panel's limits,
// and the arguments that reproduce a picture.
#include "core/options.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/options_table.h"
#include "core/options_text.h"
#include "core/scene_state.h"
#include "core/view_math.h"

std::vector<Setting> settingsOf(SceneState& st, int textureCount)
{
    std::vector<Setting> all;
    for (size_t i = 0; i < settingCount(); ++i) {
        const SettingRow& r = settingRows()[i];
        Setting s{&r, r.name, r.kind, r.components};
        for (int k = 0; k < r.components; ++k) {
            if (r.kind == SettingKind::Float)
                s.floats[k] = &floatAt(st, r, k);
            else
                s.ints[k] = &intAt(st, r, k);
        }
        s.angles = r.angles;
        s.meaning = r.meaning;
        s.limited = r.limit != SettingLimit::Unlimited;
        s.low = r.low;
        s.high = r.high;
        // An unknown count leaves the indices without an upper limit; an empty list allows
        // nothing at all.
        if (r.limit == SettingLimit::TextureIndex)
            s.high = textureCount < 0 ? INT_MAX - 1 : textureCount - 1;
        all.push_back(s);
    }
    return all;
}

bool parseWhole(const std::string& text, int& value)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    const char* begin = text.c_str();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    if (end == begin || *end != '\0' || !std::isfinite(v) || std::trunc(v) != v ||
        v < INT_MIN || v > INT_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

namespace {

bool parseFloat(const std::string& text, float& value)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    const char* begin = text.c_str();
    char* end = nullptr;
    const float v = std::strtof(begin, &end);
    if (end == begin || *end != '\0' || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

std::vector<std::string> splitCommas(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        parts.push_back(text.substr(start, comma - start));
    parts.push_back(text.substr(start));
    return parts;
}

// The parts of "x, y, z": spaces after a comma are allowed, as people type them.
std::vector<std::string> vectorParts(const std::string& text)
{
    std::vector<std::string> parts = splitCommas(text);
    for (size_t k = 1; k < parts.size(); ++k)
        parts[k].erase(0, parts[k].find_first_not_of(' '));
    return parts;
}

// A number too large for a float ("1e40"), as the panel refuses one: empty when `text` is
// not such a number.
std::string tooLargeForFloat(const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    if (end == begin || *end != '\0' || std::isnan(v) ||
        (std::isinf(v) && std::strpbrk(begin, "iI") != nullptr))
        return std::string();
    if (std::fabs(v) <= std::numeric_limits<float>::max())
        return std::string();
    return text + " is too large (at most about 3.4e+38)";
}

// Reads every component before writing any, so a refused value changes nothing.
bool assign(const Setting& s, const std::string& value, std::string& why)
{
    const std::vector<std::string> parts =
        s.components == 1 ? std::vector<std::string>{value} : vectorParts(value);
    if (static_cast<int>(parts.size()) != s.components)
        return false;
    int ints[3] = {};
    float floats[3] = {};
    for (int k = 0; k < s.components; ++k) {
        const std::string& part = parts[static_cast<size_t>(k)];
        if (s.kind == SettingKind::Float) {
            if (why.empty())
                why = tooLargeForFloat(part);
            if (!parseFloat(part, floats[k]) ||
                (s.limited && (floats[k] < s.low || floats[k] > s.high)))
                return false;
            continue;
        }
        if (!parseWhole(part, ints[k]))
            return false;
        bool inRange = s.kind == SettingKind::Flag
                           ? ints[k] == 0 || ints[k] == 1
                           : !s.limited || (ints[k] >= s.low && ints[k] <= s.high);
        if (s.row->limit == SettingLimit::Samples)
            inRange = ints[k] == 0 || ints[k] == 2 || ints[k] == 4 || ints[k] == 8;
        if (!inRange)
            return false;
    }
    for (int k = 0; k < s.components; ++k) {
        if (s.kind == SettingKind::Float)
            *s.floats[k] = s.angles ? wrapDegrees(floats[k]) : floats[k];
        else
            *s.ints[k] = ints[k];
    }
    return true;
}

// Whether a picture's arguments (or a link, `forLink`) name the setting: rows named only when
// on keep the arguments (and bytes) of pictures saved before they existed; a texture index that
// the same list would refuse (there is no image to choose) changes nothing in the picture.
bool named(const Setting& s, bool forLink)
{
    if (s.kind == SettingKind::Int && s.limited && s.high < s.low)
        return false;
    switch (s.row->named) {
    case NamedWhen::Picture: return true;
    case NamedWhen::WhenOn: return *s.ints[0] != 0;
    case NamedWhen::LinkWhenOn: return forLink && *s.ints[0] != 0;
    }
    return false;
}

}  // namespace

// Control characters typed into an argument would break the message's one line.
std::string printable(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return text;
}

std::string applySetting(SceneState& state, const std::string& given, int textureCount)
{
    const std::string assignment = printable(given);
    const size_t equals = assignment.find('=');
    const std::string name = assignment.substr(0, equals);
    for (const Setting& s : settingsOf(state, textureCount)) {
        if (name != s.name)
            continue;
        if (equals == std::string::npos)
            return "--set " + assignment + ": give a value, as " + name + "=VALUE";
        std::string why;
        if (assign(s, assignment.substr(equals + 1), why))
            return std::string();
        return "--set " + assignment + ": " + (why.empty() ? "" : why + "; ") + name + " takes " +
               allowed(s);
    }
    return "--set " + assignment + ": there is no setting named '" + name +
           "' (tolvane --help lists them)";
}

std::vector<std::string> namedSettings(const SceneState& state, int textureCount, bool forLink)
{
    std::vector<std::string> settings;
    // The table binds to fields for writing; here it is only read.
    for (const Setting& s : settingsOf(const_cast<SceneState&>(state), textureCount))
        if (named(s, forLink))
            settings.push_back(std::string(s.name) + "=" + valueOf(s));
    return settings;
}

std::string reproducingArguments(const SceneState& state, int textureCount, int width, int height)
{
    std::string text;
    if (width != kDefaultPictureSide || height != kDefaultPictureSide)
        text = "--size " + std::to_string(width) + "x" + std::to_string(height);
    for (const std::string& setting : namedSettings(state, textureCount, false)) {
        if (!text.empty())
            text += ' ';
        text += "--set " + shellQuote(setting);
    }
    return text;
}

std::string settingsHelp()
{
    SceneState defaults;
    std::string text = "\nSettings for --set NAME=VALUE (the panel's limits apply):\n";
    for (const Setting& s : settingsOf(defaults, -1)) {
        char line[200];
        std::snprintf(line, sizeof line, "  %-22s %-17s %s; default %s\n", s.name,
                      allowedShort(s).c_str(), s.meaning, valueOf(s).c_str());
        text += line;
    }
    return text;
}
