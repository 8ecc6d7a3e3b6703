// Undo and redo of the settings and the view, gathered into steps of whole gestures.
#include "core/history.h"

#include <cstring>

#include "core/scene_state.h"
#include "core/settings.h"

namespace {

// One recordable value: a component of a settings' row that undo records.
struct Recorded {
    const SettingRow* row;
    int component;
};

// The rows undo records, int components first, then float ones (the snapshot's two lists).
struct RecordedFields {
    std::vector<Recorded> ints, floats;
};

const RecordedFields& recorded()
{
    static const RecordedFields fields = [] {
        RecordedFields f;
        for (size_t i = 0; i < settingCount(); ++i) {
            const SettingRow& r = settingRows()[i];
            if (r.undo == 0)
                continue;
            for (int k = 0; k < r.components; ++k)
                (r.kind == SettingKind::Float ? f.floats : f.ints).push_back({&r, k});
        }
        return f;
    }();
    return fields;
}

// Bitwise comparison: a NaN set by hand still counts as unchanged when it stays the same.
bool sameFloat(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

HistoryStep changesBetween(const SceneSnapshot& before, const SceneSnapshot& after, unsigned scope)
{
    HistoryStep step;
    const RecordedFields& fields = recorded();
    for (int i = 0; i < static_cast<int>(fields.ints.size()); ++i)
        if ((fields.ints[i].row->undo & scope) != 0 && before.ints[i] != after.ints[i]) {
            FieldChange c;
            c.field = i;
            c.intBefore = before.ints[i];
            c.intAfter = after.ints[i];
            step.push_back(c);
        }
    for (int i = 0; i < static_cast<int>(fields.floats.size()); ++i)
        if ((fields.floats[i].row->undo & scope) != 0 &&
            !sameFloat(before.floats[i], after.floats[i])) {
            FieldChange c;
            c.isFloat = true;
            c.field = i;
            c.floatBefore = before.floats[i];
            c.floatAfter = after.floats[i];
            step.push_back(c);
        }
    return step;
}

bool record(SceneHistory& history, HistoryStep step)
{
    if (step.empty())
        return false;
    history.done.push_back(std::move(step));
    while (history.done.size() > static_cast<size_t>(kHistorySteps))
        history.done.pop_front();
    history.undone.clear();
    return true;
}

void put(SceneState& state, const HistoryStep& step, bool after)
{
    const RecordedFields& fields = recorded();
    for (const FieldChange& c : step) {
        if (c.isFloat) {
            const Recorded& f = fields.floats[static_cast<size_t>(c.field)];
            floatAt(state, *f.row, f.component) = after ? c.floatAfter : c.floatBefore;
        } else {
            const Recorded& f = fields.ints[static_cast<size_t>(c.field)];
            intAt(state, *f.row, f.component) = after ? c.intAfter : c.intBefore;
        }
    }
}

}  // namespace

SceneSnapshot snapshotOf(const SceneState& state)
{
    SceneSnapshot snap;
    for (const Recorded& f : recorded().ints)
        snap.ints.push_back(intAt(state, *f.row, f.component));
    for (const Recorded& f : recorded().floats)
        snap.floats.push_back(floatAt(state, *f.row, f.component));
    return snap;
}

void beginStep(SceneHistory& history, const SceneState& state, unsigned scope)
{
    if (!history.open) {
        history.open = true;
        history.scope = 0;
        history.before = snapshotOf(state);
    }
    history.scope |= scope;
}

bool commitStep(SceneHistory& history, const SceneState& state)
{
    if (!history.open)
        return false;
    history.open = false;
    return record(history, changesBetween(history.before, snapshotOf(state), history.scope));
}

bool recordStep(SceneHistory& history, const SceneState& before, const SceneState& after,
                unsigned scope)
{
    return record(history, changesBetween(snapshotOf(before), snapshotOf(after), scope));
}

void continueGesture(SceneHistory& history, const SceneState& state, unsigned scope, long nowMs)
{
    // The input after a pause begins a gesture of its own (for front ends that have no timer
    // to end the last one).
    commitQuietGesture(history, state, nowMs);
    beginStep(history, state, scope);
    history.lastInputMs = nowMs;
}

bool commitQuietGesture(SceneHistory& history, const SceneState& state, long nowMs)
{
    if (!history.open || nowMs - history.lastInputMs < kGestureQuietMs)
        return false;
    return commitStep(history, state);
}

bool undoStep(SceneHistory& history, SceneState& state)
{
    commitStep(history, state);
    if (history.done.empty())
        return false;
    put(state, history.done.back(), false);
    history.undone.push_back(std::move(history.done.back()));
    history.done.pop_back();
    return true;
}

bool redoStep(SceneHistory& history, SceneState& state)
{
    commitStep(history, state);
    if (history.undone.empty())
        return false;
    put(state, history.undone.back(), true);
    history.done.push_back(std::move(history.undone.back()));
    history.undone.pop_back();
    return true;
}
