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

#include "core/controls.h"
#include "core/options_table.h"
#include "core/scene_state.h"
#include "core/view_math.h"

namespace {

constexpr int kLastGlobeAngle = 359;  // degrees; the idle handler wraps at 360

// The panel's control bound to `field`, whose kind and limits the setting takes over.
const Control* controlFor(const std::vector<Control>& controls, const void* field)
{
    for (const Control& c : controls)
        if (c.intField == field || c.floatField == field)
            return &c;
    return nullptr;
}

Setting panelInt(const std::vector<Control>& controls, const char* name, int& field,
                 const char* meaning)
{
    Setting s{name, SettingKind::Flag};
    s.ints[0] = &field;
    s.meaning = meaning;
    const Control* c = controlFor(controls, &field);
    if (c != nullptr && c->kind == ControlKind::IntSpinner) {
        s.kind = SettingKind::Int;
        s.limited = true;
        s.low = c->enabled ? c->low : 0;
        s.high = c->enabled ? c->high : -1;  // no texture to choose: nothing is allowed
    }
    return s;
}

Setting floatVector(const char* name, float* v, const char* meaning)
{
    Setting s{name, SettingKind::Float, 3};
    for (int k = 0; k < 3; ++k)
        s.floats[k] = &v[k];
    s.meaning = meaning;
    return s;
}

}  // namespace

std::vector<Setting> settingsOf(SceneState& st, int textureCount)
{
    // An unknown texture count leaves the texture indices without an upper limit.
    const std::vector<Control> controls =
        buildControlTable(st, textureCount < 0 ? INT_MAX : textureCount);
    std::vector<Setting> all = {
        panelInt(controls, "spinGlobe", st.spinGlobe, "the globe turns"),
        panelInt(controls, "cylindricalProjection", st.cylindricalProjection,
                 "vase texture: 1 cylindrical, 0 spherical"),
        panelInt(controls, "zoomMode", st.zoomMode, "vertical drags zoom"),
        panelInt(controls, "fillVaseSteps", st.fillVaseSteps, "rings close the vase's steps"),
        panelInt(controls, "crazyVase", st.crazyVase, "sine profile"),
        panelInt(controls, "radialVaseNormals", st.radialVaseNormals, "flat-sided vase lighting"),
        panelInt(controls, "tableTexture", st.tableTexture, "image of the table"),
        panelInt(controls, "popTexture", st.popTexture, "image of the can"),
        panelInt(controls, "globeTexture", st.globeTexture, "image of the globe"),
        panelInt(controls, "vaseTexture", st.vaseTexture, "image of the vase"),
        panelInt(controls, "standTexture", st.standTexture, "image of the stand"),
        panelInt(controls, "vaseVerticalSteps", st.vaseVerticalSteps, "bands up the vase"),
        panelInt(controls, "vaseRadialSteps", st.vaseRadialSteps, "quads around the vase"),
        panelInt(controls, "objectSlices", st.objectSlices, "slices of the round props"),
        panelInt(controls, "objectStacks", st.objectStacks, "stacks of the round props"),
        floatVector("lightPosition", st.lightPosition, "light direction (w = 0)"),
        floatVector("lightSpecular", st.lightSpecular, "light's specular R,G,B"),
        floatVector("lightDiffuse", st.lightDiffuse, "light's diffuse R,G,B"),
        floatVector("rotation", st.rotation, "view rotation about X,Y,Z, degrees"),
    };
    all.back().angles = true;
    Setting zoom{"zoom", SettingKind::Float};
    zoom.floats[0] = &st.zoom;
    zoom.limited = true;
    zoom.low = kMinZoom;
    zoom.high = kMaxZoom;
    zoom.meaning = "view scale, larger shows more";
    all.push_back(zoom);
    Setting globe{"globeAngle", SettingKind::Int};
    globe.ints[0] = &st.globeAngle;
    globe.limited = true;
    globe.low = 0;
    globe.high = kLastGlobeAngle;
    globe.meaning = "globe's turn, degrees";
    all.push_back(globe);
    Setting spin{"spinY", SettingKind::Flag};
    spin.ints[0] = &st.spinY;
    spin.meaning = "the view turns about Y";
    all.push_back(spin);
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
        const bool inRange = s.kind == SettingKind::Flag
                                 ? ints[k] == 0 || ints[k] == 1
                                 : !s.limited || (ints[k] >= s.low && ints[k] <= s.high);
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

// Settings that a picture's arguments leave out: they change no single frame.
bool animationOnly(const Setting& s)
{
    return std::strcmp(s.name, "spinY") == 0;
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

std::string reproducingArguments(const SceneState& state, int textureCount, int width, int height)
{
    std::string text;
    if (width != kDefaultPictureSide || height != kDefaultPictureSide)
        text = "--size " + std::to_string(width) + "x" + std::to_string(height);
    // The table binds to fields for writing; here it is only read.
    for (const Setting& s : settingsOf(const_cast<SceneState&>(state), textureCount)) {
        // A texture index that the same list would refuse (there is no image to choose) is
        // left out: it changes nothing in the picture.
        if (animationOnly(s) || (s.kind == SettingKind::Int && s.limited && s.high < s.low))
            continue;
        if (!text.empty())
            text += ' ';
        text += "--set " + shellQuote(std::string(s.name) + "=" + valueOf(s));
    }
    return text;
}

