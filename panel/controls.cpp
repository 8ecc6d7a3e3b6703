// The panel's controls as plain data: order, labels, kinds, bound fields and limits.
#include "panel/controls.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "app/scene_state.h"

namespace {

Control checkbox(const char* label, int& field)
{
    Control c{ControlKind::Checkbox, label};
    c.intField = &field;
    return c;
}

Control intSpinner(const char* label, int& field, int low, int high, bool enabled = true)
{
    Control c{ControlKind::IntSpinner, label};
    c.intField = &field;
    c.limited = true;
    c.low = low;
    c.high = high;
    c.enabled = enabled;
    return c;
}

Control floatSpinner(const char* label, float& field)
{
    Control c{ControlKind::FloatSpinner, label};
    c.floatField = &field;
    return c;
}

}  // namespace

std::vector<Control> buildControlTable(SceneState& s, int textureCount)
{
    const int lastTexture = textureCount - 1;
    const bool haveTextures = textureCount > 0;
    return {
        checkbox("Spin Globe", s.spinGlobe),
        checkbox("Cylindrical Projection on vase", s.cylindricalProjection),
        checkbox("Zoom Mode", s.zoomMode),
        checkbox("Wholy Vase (Vase with no regular holes)", s.fillVaseSteps),
        checkbox("Crazy Vase", s.crazyVase),
        checkbox("Realistic/Artistic Vase Lighting", s.radialVaseNormals),
        intSpinner("Table uses texture #", s.tableTexture, 0, lastTexture, haveTextures),
        intSpinner("Pop uses texture #", s.popTexture, 0, lastTexture, haveTextures),
        intSpinner("Globe uses texture #", s.globeTexture, 0, lastTexture, haveTextures),
        intSpinner("Vase uses texture #", s.vaseTexture, 0, lastTexture, haveTextures),
        intSpinner("The stand of the globe uses texture #", s.standTexture, 0, lastTexture,
                   haveTextures),
        intSpinner("Number of vertical steps for vase (greater the better)", s.vaseVerticalSteps, 0,
                   kMaxSteps),
        intSpinner("Number of radial steps for vase (greater the better)", s.vaseRadialSteps, 0,
                   kMaxSteps),
        intSpinner("Number of vertical steps for other objects (greater the better)",
                   s.objectSlices, 0, kMaxSteps),
        intSpinner("Number of radial steps for other objects (greater the better)", s.objectStacks,
                   0, kMaxSteps),
        floatSpinner("x position of light", s.lightPosition[0]),
        floatSpinner("y position of light", s.lightPosition[1]),
        floatSpinner("z position of light", s.lightPosition[2]),
        floatSpinner("R value of light(spec)", s.lightSpecular[0]),
        floatSpinner("G value of light(spec)", s.lightSpecular[1]),
        floatSpinner("B value of light(spec)", s.lightSpecular[2]),
        floatSpinner("R value of light(diff)", s.lightDiffuse[0]),
        floatSpinner("G value of light(diff)", s.lightDiffuse[1]),
        floatSpinner("B value of light(diff)", s.lightDiffuse[2]),
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

bool commitTypedValue(const Control& c, const std::string& text)
{
    if (!c.enabled)
        return false;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(value))
        return false;
    // Anything but trailing blanks makes the text no number at all.
    for (const char* p = end; *p; ++p)
        if (*p != ' ' && *p != '\t')
            return false;

    if (c.kind == ControlKind::FloatSpinner) {
        *c.floatField = static_cast<float>(value);
        return true;
    }
    // Integers: whole part, saturated to int before clamping so 1e12 means "very large".
    double whole = std::trunc(value);
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

std::string formatControlValue(const Control& c)
{
    char text[64];
    switch (c.kind) {
    case ControlKind::FloatSpinner: std::snprintf(text, sizeof text, "%.3f", *c.floatField); break;
    default: std::snprintf(text, sizeof text, "%d", *c.intField); break;
    }
    return text;
}
