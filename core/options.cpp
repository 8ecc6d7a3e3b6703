// The command line and the named settings: parsing, checking against the panel's limits,
// and the arguments that reproduce a picture.
#include "core/options.h"


#include <CLI/CLI.hpp>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/keys.h"
#include "core/scene_state.h"
#include "core/view_math.h"
#include "core/controls.h"

#ifndef TOLVANE_VERSION
#define TOLVANE_VERSION "unknown"
#endif
#ifndef TOLVANE_DATA_DIR
#define TOLVANE_DATA_DIR "/usr/share/tolvane"  // where the bundled textures are installed
#endif

namespace {

enum class SettingKind { Flag, Int, Float };

// One name that --set accepts: one field, or the three edited components of a vector.
struct Setting {
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

// Every setting in the order saved pictures list them; the view's come last.
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

// Settings that a picture's arguments leave out: they change no single frame.
bool animationOnly(const Setting& s)
{
    return std::strcmp(s.name, "spinY") == 0;
}

std::string formatNumber(double value)
{
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%g", value);
    return std::string(text, static_cast<size_t>(n));
}

// What a setting allows, in words: "0 or 1", "a whole number from 0 to 1000", ...
std::string allowed(const Setting& s)
{
    std::string what;
    switch (s.kind) {
    case SettingKind::Flag: return "0 or 1";
    case SettingKind::Int:
        if (s.high < s.low)
            return "no value: the texture list has no images";
        what = "a whole number";
        break;
    case SettingKind::Float: what = "a number"; break;
    }
    if (s.components == 3)
        what = "three numbers separated by commas (x,y,z or R,G,B)";
    if (s.limited)
        what += " from " + formatNumber(s.low) + " to " + formatNumber(s.high);
    return what;
}

// A whole number as the panel reads one: any strtod form ("1000", "1e3", "+7") whose value
// has no fraction and fits an int.
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

// Reads every component before writing any, so a refused value changes nothing.
bool assign(const Setting& s, const std::string& value)
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

// The shortest text that reads back as the same float.
std::string formatFloat(float value)
{
    char text[32];
#if defined(__cpp_lib_to_chars)
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
    return std::string(text, r.ptr);
#else
    // Libraries without floating-point to_chars (libc++ 14, the page's): the fewest
    // significant digits that read back as the same float.
    for (int digits = 1; digits < 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value)
            return text;
    }
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
#endif
}

std::string valueOf(const Setting& s)
{
    std::string text;
    for (int k = 0; k < s.components; ++k) {
        if (k > 0)
            text += ',';
        text +=
            s.kind == SettingKind::Float ? formatFloat(*s.floats[k]) : std::to_string(*s.ints[k]);
    }
    return text;
}

// What a setting allows, in short: "0 or 1", "0..1000", "x,y,z", ...
std::string allowedShort(const Setting& s)
{
    if (s.kind == SettingKind::Flag)
        return "0 or 1";
    if (s.components == 3)
        return "x,y,z";
    if (!s.limited)
        return "a number";
    if (s.high >= INT_MAX - 1)
        return "0.. (list index)";
    return formatNumber(s.low) + ".." + formatNumber(s.high);
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

bool isGlutFlag(const std::string& arg)
{
    return arg == "-direct" || arg == "-indirect" || arg == "-iconic" || arg == "-gldebug" ||
           arg == "-sync";
}

// X's geometry string asks for a size when it starts (after an optional '=') with WxH.
bool geometryHasSize(const std::string& geometry)
{
    size_t i = geometry.rfind('=', 0) == 0 ? 1 : 0;
    const size_t widthStart = i;
    while (i < geometry.size() && std::isdigit(static_cast<unsigned char>(geometry[i])))
        ++i;
    if (i == widthStart || i >= geometry.size() || (geometry[i] != 'x' && geometry[i] != 'X'))
        return false;
    return i + 1 < geometry.size() && std::isdigit(static_cast<unsigned char>(geometry[i + 1]));
}

bool parseSize(const std::string& text, int& width, int& height)
{
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return false;
    constexpr int kLargest = 16384;  // pixels a side; beyond what most GL drivers render
    return parseWhole(text.substr(0, x), width) && parseWhole(text.substr(x + 1), height) &&
           width > 0 && height > 0 && width <= kLargest && height <= kLargest;
}

// Control characters typed into an argument would break the message's one line.
std::string printable(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return text;
}

CommandLine failure(CommandLine line, const std::string& message)
{
    line.action = CommandAction::Error;
    line.text = printable("tolvane: " + message);
    return line;
}

}  // namespace

// The picture format --render writes, from the name's extension (any case); empty if none.
std::string renderFormatOf(const std::string& path)
{
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "png")
        return "png";
    if (extension == "jpg" || extension == "jpeg")
        return "jpeg";
    return std::string();
}

CommandLine parseCommandLine(int argc, const char* const argv[])
{
    CommandLine line;
    std::vector<std::string> args;  // Tolvane's own, last first as CLI11 expects
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-display" || arg == "-geometry") {
            if (i + 1 < argc && arg == "-geometry")
                line.geometrySize = geometryHasSize(argv[i + 1]);
            ++i;
        } else if (!isGlutFlag(arg)) {
            args.push_back(arg);
        }
    }
    std::reverse(args.begin(), args.end());

    CLI::App app{
        "Tolvane: an interactive still life (a table, a can, a globe and a vase).\n"
        "tolvane [GLUT options] [--set NAME=VALUE]... [--output-dir DIR] [--quiet]\n"
        "        [--render FILE.png|FILE.jpg [--size WxH]] [texture-list-file]"};
    app.name("tolvane");
    app.footer(settingsHelp() +
               "\nGLUT's own options (-display NAME, -geometry WxH+X+Y, ...) are accepted too.\n"
               "\nIn the scene window:\n" +
               kKeyList);
    app.set_version_flag("--version", std::string("tolvane ") + TOLVANE_VERSION);
    app.add_option("--set", line.settings, "set one setting before the first frame; repeatable")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    // Repeats are gathered and refused below, in words of our own.
    std::vector<std::string> renders, lists;
    CLI::Option* render =
        app.add_option("--render", renders,
                       "draw one frame with no window or X server into FILE (.png, or .jpg as "
                       "JPEG), then exit")
            ->type_name("FILE.png")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
            ->allow_extra_args(false);
    std::string size;
    app.add_option("--size", size, "size of the --render picture (default 500x500)")
        ->type_name("WxH")
        ->needs(render);
    app.add_option("--output-dir", line.outputDir,
                   "folder for saved pictures and exported vases (default the working folder)")
        ->type_name("DIR");
    app.add_flag("--quiet", line.quiet, "leave out the progress lines while textures load");
    app.add_option("texture-list-file", lists,
                   "the texture list (default textureList.txt in the working folder; "
                   "the bundled textures' list is " TOLVANE_DATA_DIR "/textureList.txt)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    try {
        app.parse(args);
    } catch (const CLI::CallForHelp&) {
        line.action = CommandAction::Help;
        line.text = app.help();
        return line;
    } catch (const CLI::CallForVersion& e) {
        line.action = CommandAction::Version;
        line.text = std::string(e.what()) + "\n";
        return line;
    } catch (const CLI::ParseError& e) {
        return failure(line, std::string(e.what()) + " (tolvane --help lists the options)");
    }
    if (lists.size() > 1)
        return failure(line, "give one texture list file, not " + std::to_string(lists.size()) +
                                 " ('" + lists[0] + "', '" + lists[1] + "', ...)");
    if (!lists.empty())
        line.listFile = lists[0];
    if (renders.size() > 1)
        return failure(line, "--render takes one file; it was given " +
                                 std::to_string(renders.size()) + " times");
    if (!size.empty() && !parseSize(size, line.width, line.height))
        return failure(line, "--size " + size +
                                 ": give the picture's width and height in pixels as WxH, each "
                                 "from 1 to 16384");
    if (render->count() > 0) {
        line.renderPath = renders.empty() ? std::string() : renders[0];
        if (line.renderPath.empty())
            return failure(line, "--render needs a file name, such as picture.png");
        if (renderFormatOf(line.renderPath).empty())
            return failure(line, "--render " + line.renderPath +
                                     ": give a name ending in .png (PNG) or .jpg/.jpeg (JPEG)");
        if (line.geometrySize)
            return failure(line, "-geometry sets a window's size, and --render opens no window: "
                                 "give the picture's size with --size WxH");
        line.action = CommandAction::Render;
    }
    return line;
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
        if (assign(s, assignment.substr(equals + 1)))
            return std::string();
        return "--set " + assignment + ": " + name + " takes " + allowed(s);
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

std::string shellQuote(const std::string& word)
{
    const char* safe = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_@%+=:,./-";
    if (!word.empty() && word.find_first_not_of(safe) == std::string::npos)
        return word;
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}
