// Undo and redo of the settings and the view, with a drag, a wheel burst or a held spinner
// kept as one step. The globe's own turning and the turn about Y are never recorded. No GL.
#pragma once

#include <deque>
#include <vector>

#include "core/settings.h"

struct SceneState;


// Steps kept for undo; older ones are dropped.
constexpr int kHistorySteps = 200;
// A gesture with no end of its own (a wheel burst) ends this long after its last input.
constexpr long kGestureQuietMs = 500;

// Every value undo records (the settings' rows with an undo scope), ints and floats apart.
struct SceneSnapshot {
    std::vector<int> ints;
    std::vector<float> floats;
};

// One field's value before and after a step.
struct FieldChange {
    bool isFloat = false;
    int field = 0;  // index into the int or float table
    int intBefore = 0, intAfter = 0;
    float floatBefore = 0.0f, floatAfter = 0.0f;
};
using HistoryStep = std::vector<FieldChange>;

struct SceneHistory {
    std::deque<HistoryStep> done;  // oldest first
    std::vector<HistoryStep> undone;
    bool open = false;    // a step is being gathered
    unsigned scope = 0;   // HistoryScope bits of the open step
    SceneSnapshot before;  // the state when the open step began
    long lastInputMs = 0;  // time of the open gesture's last input (continueGesture)
};

SceneSnapshot snapshotOf(const SceneState& state);

// Begins a step, or widens the open one to `scope` (an input inside a gesture).
void beginStep(SceneHistory& history, const SceneState& state, unsigned scope);
// Ends the open step, recording the fields within its scope that changed. Returns whether a
// step was recorded; a recorded step clears redo. Nothing happens when no step is open.
bool commitStep(SceneHistory& history, const SceneState& state);
// One change begun and ended at once (a key, a button).
bool recordStep(SceneHistory& history, const SceneState& before, const SceneState& after,
                unsigned scope);

// An input of a gesture that ends by going quiet: begins the step on its first input, and
// ends the open one first when it has been quiet for kGestureQuietMs.
void continueGesture(SceneHistory& history, const SceneState& state, unsigned scope, long nowMs);
// Ends a gesture's step once kGestureQuietMs have passed since its last input.
bool commitQuietGesture(SceneHistory& history, const SceneState& state, long nowMs);

// Undo puts the newest step's fields back as they were before it; redo as they were after.
// An open step is committed first. Each returns whether anything changed.
bool undoStep(SceneHistory& history, SceneState& state);
bool redoStep(SceneHistory& history, SceneState& state);
