// The panel's controls as plain data: order, labels, kinds, bound fields and limits.
#include "core/controls.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/scene_state.h"

namespace {

Control checkbox(const char* label, const char* tooltip, int& field)
{
    Control c{ControlKind::Checkbox, label, tooltip};
    c.intField = &field;
    return c;
}

Control intSpinner(const char* label, const char* tooltip, int& field, int low, int high,
                   bool enabled = true)
{
    Control c{ControlKind::IntSpinner, label, tooltip};
    c.intField = &field;
    c.limited = true;
    c.low = low;
    c.high = high;
    c.enabled = enabled;
    return c;
}

Control floatSpinner(const char* label, const char* tooltip, float& field)
{
    Control c{ControlKind::FloatSpinner, label, tooltip};
    c.floatField = &field;
    return c;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether text is exactly one decimal number with optional blanks around it:
// [+-] digits [. digits] [e [+-] digits], with a digit before or after the point.
bool isDecimalNumber(const char* p)
{
    while (isBlank(*p))
        ++p;
    if (*p == '+' || *p == '-')
        ++p;
    int digits = 0;
    for (; isDigit(*p); ++p)
        ++digits;
    if (*p == '.')
        for (++p; isDigit(*p); ++p)
            ++digits;
    if (digits == 0)
        return false;
    if (*p == 'e' || *p == 'E') {
        ++p;
        if (*p == '+' || *p == '-')
            ++p;
        if (!isDigit(*p))
            return false;
        while (isDigit(*p))
            ++p;
    }
    while (isBlank(*p))
        ++p;
    return *p == '\0';
}

}  // namespace

std::vector<Control> buildControlTable(SceneState& s, int textureCount)
{
    const int lastTexture = textureCount - 1;
    const bool haveTextures = textureCount > 0;
    return {
        checkbox("Spin Globe", "Turns the globe on its stand all the time.", s.spinGlobe),
        checkbox("Cylindrical Projection on vase",
                 "Wraps the vase's picture around it like a label; untick to spread it as on a "
                 "ball (keys c and s).",
                 s.cylindricalProjection),
        checkbox("Zoom Mode",
                 "Dragging up and down in the scene zooms; untick to make it tip the scene "
                 "instead.",
                 s.zoomMode),
        checkbox("Wholy Vase (Vase with no regular holes)",
                 "Closes the gaps between the vase's bands; untick to see through them.",
                 s.fillVaseSteps),
        checkbox("Crazy Vase", "Gives the vase a wavy outline instead of its smooth one.",
                 s.crazyVase),
        checkbox("Realistic/Artistic Vase Lighting",
                 "Ticked (realistic): the vase is lit as its straight-sided bands stand; unticked "
                 "(artistic): as if it were round like a ball.",
                 s.radialVaseNormals),
        intSpinner("Table uses texture #",
                   "Which picture of the texture list covers the table, counting from 0.",
                   s.tableTexture, 0, lastTexture, haveTextures),
        intSpinner("Pop uses texture #",
                   "Which picture of the texture list covers the can, counting from 0.",
                   s.popTexture, 0, lastTexture, haveTextures),
        intSpinner("Globe uses texture #",
                   "Which picture of the texture list covers the globe, counting from 0.",
                   s.globeTexture, 0, lastTexture, haveTextures),
        intSpinner("Vase uses texture #",
                   "Which picture of the texture list covers the vase, counting from 0.",
                   s.vaseTexture, 0, lastTexture, haveTextures),
        intSpinner("The stand of the globe uses texture #",
                   "Which picture of the texture list covers the globe's stand, counting from 0.",
                   s.standTexture, 0, lastTexture, haveTextures),
        intSpinner("Number of vertical steps for vase (greater the better)",
                   "How many bands the vase is made of, 0 to 1000: more look smoother but draw "
                   "slower.",
                   s.vaseVerticalSteps, 0, kMaxSteps),
        intSpinner("Number of radial steps for vase (greater the better)",
                   "How many flat sides go around the vase, 0 to 1000: more look rounder but "
                   "draw slower.",
                   s.vaseRadialSteps, 0, kMaxSteps),
        intSpinner("Number of vertical steps for other objects (greater the better)",
                   "How many slices go around the can, globe and stand, 0 to 1000: more look "
                   "rounder.",
                   s.objectSlices, 0, kMaxSteps),
        intSpinner("Number of radial steps for other objects (greater the better)",
                   "How many pieces the can, globe and stand are cut into along their length "
                   "(and their lids into rings), 0 to 1000.",
                   s.objectStacks, 0, kMaxSteps),
        floatSpinner("x position of light",
                     "Where the light shines from, left (-) or right (+); only its direction "
                     "counts.",
                     s.lightPosition[0]),
        floatSpinner("y position of light",
                     "Where the light shines from, below (-) or above (+); only its direction "
                     "counts.",
                     s.lightPosition[1]),
        floatSpinner("z position of light",
                     "Where the light shines from, behind (-) or in front (+); only its "
                     "direction counts.",
                     s.lightPosition[2]),
        floatSpinner(
            "R value of light(spec)",
            "How much red the light's shiny highlights have: 0 is none, 1 is full; above 1 "
            "(the default is 2) makes them larger and brighter, up to white.",
            s.lightSpecular[0]),
        floatSpinner(
            "G value of light(spec)",
            "How much green the light's shiny highlights have: 0 is none, 1 is full; above 1 "
            "(the default is 2) makes them larger and brighter, up to white.",
            s.lightSpecular[1]),
        floatSpinner(
            "B value of light(spec)",
            "How much blue the light's shiny highlights have: 0 is none, 1 is full; above 1 "
            "(the default is 2) makes them larger and brighter, up to white.",
            s.lightSpecular[2]),
        floatSpinner("R value of light(diff)",
                     "How much red light falls on the objects' lit sides: 0 is none, 1 is full; "
                     "above 1 (the default is 2) brightens them until they wash out.",
                     s.lightDiffuse[0]),
        floatSpinner("G value of light(diff)",
                     "How much green light falls on the objects' lit sides: 0 is none, 1 is full; "
                     "above 1 (the default is 2) brightens them until they wash out.",
                     s.lightDiffuse[1]),
        floatSpinner("B value of light(diff)",
                     "How much blue light falls on the objects' lit sides: 0 is none, 1 is full; "
                     "above 1 (the default is 2) brightens them until they wash out.",
                     s.lightDiffuse[2]),
    };
}

void applyLimitsOnBuild(const std::vector<Control>& controls)
{
    for (const Control& c : controls) {
        // A disabled spinner has no valid range; its value is left where it is.
        if (c.kind != ControlKind::IntSpinner || !c.limited || !c.enabled)
            continue;
        if (*c.intField < c.low || *c.intField > c.high)
            *c.intField = c.low;
    }
}

int clampToControl(const Control& c, int value)
{
    if (!c.limited)
        return value;
    if (value < c.low)
        return c.low;
    if (value > c.high)
        return c.high;
    return value;
}

std::string typedValueRefusal(const Control& c, const std::string& text)
{
    if (!c.enabled)
        return "the control is off";
    if (!isDecimalNumber(text.c_str()))
        return text.find(',') != std::string::npos ? "not a number (use a point for decimals)"
                                                   : "not a number";
    errno = 0;
    const double value = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(value))
        return "too large";
    if (c.kind == ControlKind::FloatSpinner) {
        // Beyond the float range the light would become infinite.
        if (std::fabs(value) > std::numeric_limits<float>::max())
            return "too large (at most about 3.4e+38)";
        return std::string();
    }
    // A fraction (or one that underflowed to 0) is not an index or a count: reading "2.7" as
    // 2 would write a number nobody typed.
    if (std::trunc(value) != value || errno == ERANGE)
        return "not a whole number";
    return std::string();
}

std::string typedValueClampNote(const Control& c, const std::string& text)
{
    if (c.kind != ControlKind::IntSpinner || !c.limited || !typedValueRefusal(c, text).empty())
        return std::string();
    const double value = std::strtod(text.c_str(), nullptr);
    if (value >= c.low && value <= c.high)
        return std::string();
    const bool high = value > c.high;
    return "clamped to " + std::to_string(high ? c.high : c.low) +
           (high ? ", the largest allowed (" : ", the smallest allowed (") +
           std::to_string(c.low) + " to " + std::to_string(c.high) + ")";
}

bool commitTypedValue(const Control& c, const std::string& text)
{
    if (!typedValueRefusal(c, text).empty())
        return false;
    const double value = std::strtod(text.c_str(), nullptr);
    if (c.kind == ControlKind::FloatSpinner) {
        *c.floatField = static_cast<float>(value);
        return true;
    }
    // Saturated to int before clamping, so 1e12 means "very large".
    double whole = value;
    if (whole < std::numeric_limits<int>::min())
        whole = std::numeric_limits<int>::min();
    if (whole > std::numeric_limits<int>::max())
        whole = std::numeric_limits<int>::max();
    *c.intField = clampToControl(c, static_cast<int>(whole));
    return true;
}

bool stepSpinner(const Control& c, int steps, float floatIncrement)
{
    if (!c.enabled || steps == 0)
        return false;
    if (c.kind == ControlKind::FloatSpinner) {
        *c.floatField += static_cast<float>(steps) * floatIncrement;
        return true;
    }
    if (c.kind != ControlKind::IntSpinner)
        return false;
    const long long target = static_cast<long long>(*c.intField) + steps;
    const int bounded = target > std::numeric_limits<int>::max()   ? std::numeric_limits<int>::max()
                        : target < std::numeric_limits<int>::min() ? std::numeric_limits<int>::min()
                                                                   : static_cast<int>(target);
    const int next = clampToControl(c, bounded);
    if (next == *c.intField)
        return false;
    *c.intField = next;
    return true;
}

bool stepByArrow(const Control& c, int direction, bool fast)
{
    if (c.kind == ControlKind::FloatSpinner)
        return stepSpinner(c, direction, fast ? kFloatStepFast : kFloatStep);
    return stepSpinner(c, direction * (fast ? kIntStepFast : kIntStep), kFloatStep);
}

std::string formatControlValue(const Control& c)
{
    char text[64];
    switch (c.kind) {
    case ControlKind::FloatSpinner:
        // Up to a million the field has room for the three decimals; beyond, or for tiny
        // values that would show as 0.000, six significant digits in exponent form.
        if (std::fabs(*c.floatField) < 1e6f &&
            (*c.floatField == 0.0f || std::fabs(*c.floatField) >= 0.0005f))
            std::snprintf(text, sizeof text, "%.3f", *c.floatField);
        else
            std::snprintf(text, sizeof text, "%g", *c.floatField);
        break;
    default: std::snprintf(text, sizeof text, "%d", *c.intField); break;
    }
    return text;
}
