// The panel's controls as plain data: order, labels, kinds, bound fields and limits. No GL.
#pragma once

#include <string>
#include <vector>

#include "core/settings.h"

struct SceneState;

enum class ControlKind { Checkbox, IntSpinner, FloatSpinner };

struct Control {
    ControlKind kind;
    const char* label;            // shown exactly as written
    const char* tooltip;          // one line in plain words: what the control changes
    int* intField = nullptr;      // checkbox and int spinner
    float* floatField = nullptr;  // float spinner
    bool limited = false;         // int spinners clamp to [low, high]
    int low = 0;
    int high = 0;
    bool enabled = true;  // false for texture spinners when there is no texture
};

// How far one click on a spinner's arrow moves it; the fast steps apply while Ctrl is held.
constexpr int kIntStep = 1;
constexpr int kIntStepFast = 10;
constexpr float kFloatStep = 0.1f;
constexpr float kFloatStepFast = 1.0f;

// The 24 controls in panel order, bound to `state`; texture spinners range over
// 0..textureCount-1 and are disabled when textureCount is 0.
std::vector<Control> buildControlTable(SceneState& state, int textureCount);

// Setting a spinner's limits moves a bound value that lies outside them to the low limit.
void applyLimitsOnBuild(const std::vector<Control>& controls);

// The value an int spinner stores for `value`: clamped to its limits when it has them.
int clampToControl(const Control& control, int value);

// Commits text typed into a spinner: read as a whole, clamped and written to the bound field.
// The text must be one decimal number (sign, digits, point, exponent; blanks around it). It is
// refused, leaving the field alone, when anything else is in it ("1,5", "12abc", "inf"), when a
// float spinner's value lies beyond the float range ("1e39"), or when an int spinner's value
// is not a whole number ("2.7"; "1e3" is 1000). Returns whether the field was written.
bool commitTypedValue(const Control& control, const std::string& text);

// Why commitTypedValue refuses `text`, in a few words for the status line (e.g. "not a whole
// number"); empty when it accepts it.
std::string typedValueRefusal(const Control& control, const std::string& text);

// What commitTypedValue stored in place of `text` when it clamped it, as the status line says
// it ("clamped to 4, the largest allowed (0 to 4)"); empty when the value was stored as typed
// or refused.
std::string typedValueClampNote(const Control& control, const std::string& text);

// The brief message both front ends show after `text` was typed into the control: its label, the
// text, and why it was refused or what it was clamped to ("Vase uses texture #: \"7\" clamped to
// 4, the largest allowed (0 to 4)"); empty when the value is stored as typed.
std::string typedValueMessage(const Control& control, const std::string& text);

// Steps a spinner by `steps` increments (negative for down), clamped; returns whether the
// field changed.
bool stepSpinner(const Control& control, int steps, float floatIncrement);

// One click on an arrow: `direction` +1 (up) or -1 (down), by the fast step when `fast`
// (Ctrl held); clamped. Returns whether the field changed.
bool stepByArrow(const Control& control, int direction, bool fast);

// The field's value as a spinner shows it: floats with three decimals, or in exponent form
// ("1e+38") when that would not fit a field.
std::string formatControlValue(const Control& control);
