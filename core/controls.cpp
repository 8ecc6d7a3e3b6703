// The panel's controls as plain data: order, labels, kinds, bound fields and limits.
#include "core/controls.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/scene_state.h"

namespace {

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
    std::vector<Control> controls;
    for (size_t i = 0; i < settingCount(); ++i) {
        const SettingRow& r = settingRows()[i];
        if (r.control == PanelControl::Hidden)
            continue;
        for (int k = 0; k < r.components; ++k) {
            Control c{ControlKind::Checkbox, r.labels[k], r.tooltips[k]};
            if (r.control == PanelControl::FloatSpinner) {
                c.kind = ControlKind::FloatSpinner;
                c.floatField = &floatAt(s, r, k);
            } else {
                c.intField = &intAt(s, r, k);
            }
            if (r.control == PanelControl::IntSpinner) {
                c.kind = ControlKind::IntSpinner;
                c.limited = true;
                c.low = static_cast<int>(r.low);
                c.high = static_cast<int>(r.high);
                if (r.limit == SettingLimit::TextureIndex) {
                    c.high = textureCount - 1;
                    c.enabled = textureCount > 0;
                }
            }
            controls.push_back(c);
        }
    }
    return controls;
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

std::string typedValueMessage(const Control& c, const std::string& text)
{
    const std::string why = typedValueRefusal(c, text);
    if (!why.empty())
        return std::string(c.label) + ": \"" + text + "\" refused, " + why;
    const std::string clamped = typedValueClampNote(c, text);
    if (!clamped.empty())
        return std::string(c.label) + ": \"" + text + "\" " + clamped;
    return std::string();
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
