// The panel's controls as plain data: order, labels, kinds, bound fields and limits. No GL.
#pragma once

#include <string>
#include <vector>

struct SceneState;

enum class ControlKind { Checkbox, IntSpinner, FloatSpinner };

struct Control {
    ControlKind kind;
    const char* label;            // shown exactly as written
    int* intField = nullptr;      // checkbox and int spinner
    float* floatField = nullptr;  // float spinner
    bool limited = false;         // int spinners clamp to [low, high]
    int low = 0;
    int high = 0;
    bool enabled = true;  // false for texture spinners when there is no texture
};

constexpr int kMaxSteps = 1000;  // upper limit of the tessellation spinners

// The 24 controls in panel order, bound to `state`; texture spinners range over
// 0..textureCount-1 and are disabled when textureCount is 0.
std::vector<Control> buildControlTable(SceneState& state, int textureCount);

// Setting a spinner's limits moves a bound value that lies outside them to the low limit.
void applyLimitsOnBuild(const std::vector<Control>& controls);

// The value an int spinner stores for `value`: clamped to its limits when it has them.
int clampToControl(const Control& control, int value);

// Commits text typed into a spinner: parsed, clamped and written to the bound field.
// Returns false, leaving the field alone, when the text holds no number.
bool commitTypedValue(const Control& control, const std::string& text);

// Steps a spinner by `steps` increments (negative for down), clamped; returns whether the
// field changed.
bool stepSpinner(const Control& control, int steps, float floatIncrement);

// The field's value as a spinner shows it.
std::string formatControlValue(const Control& control);
