// Undo and redo of the settings and the view, gathered into steps of whole gestures.
#include "core/history.h"

#include <cstring>

#include "core/scene_state.h"

namespace {

struct IntField {
    int SceneState::*member;
    unsigned scope;
};
// Arrays are addressed as (member, component).
struct FloatField {
    float (SceneState::*member)[4];
    int component;
    float SceneState::*single;  // used when member is null
    unsigned scope;
};

// The panel's settings and the view. globeAngle and spinY are left out: they belong to the
// animation, which must never be undone.
const IntField kIntFields[] = {
    {&SceneState::spinGlobe, kScopeSettings},
    {&SceneState::cylindricalProjection, kScopeSettings},
    {&SceneState::zoomMode, kScopeSettings},
    {&SceneState::fillVaseSteps, kScopeSettings},
    {&SceneState::crazyVase, kScopeSettings},
    {&SceneState::radialVaseNormals, kScopeSettings},
    {&SceneState::tableTexture, kScopeSettings},
    {&SceneState::popTexture, kScopeSettings},
    {&SceneState::globeTexture, kScopeSettings},
    {&SceneState::vaseTexture, kScopeSettings},
    {&SceneState::standTexture, kScopeSettings},
    {&SceneState::vaseVerticalSteps, kScopeSettings},
    {&SceneState::vaseRadialSteps, kScopeSettings},
    {&SceneState::objectSlices, kScopeSettings},
    {&SceneState::objectStacks, kScopeSettings},
};

const FloatField kFloatFields[] = {
    {&SceneState::lightPosition, 0, nullptr, kScopeSettings},
    {&SceneState::lightPosition, 1, nullptr, kScopeSettings},
    {&SceneState::lightPosition, 2, nullptr, kScopeSettings},
    {&SceneState::lightDiffuse, 0, nullptr, kScopeSettings},
    {&SceneState::lightDiffuse, 1, nullptr, kScopeSettings},
    {&SceneState::lightDiffuse, 2, nullptr, kScopeSettings},
    {&SceneState::lightSpecular, 0, nullptr, kScopeSettings},
    {&SceneState::lightSpecular, 1, nullptr, kScopeSettings},
    {&SceneState::lightSpecular, 2, nullptr, kScopeSettings},
    {nullptr, 0, &SceneState::zoom, kScopeView},
};

// rotation has three components, unlike the lights' four.
float& rotationAt(SceneState& s, int k)
{
    return s.rotation[k];
}

constexpr int kIntCount = sizeof kIntFields / sizeof kIntFields[0];
constexpr int kFloatTableCount = sizeof kFloatFields / sizeof kFloatFields[0];
constexpr int kFloatCount = kFloatTableCount + 3;  // then rotation X, Y, Z (view)

float& floatAt(SceneState& s, int index)
{
    if (index >= kFloatTableCount)
        return rotationAt(s, index - kFloatTableCount);
    const FloatField& f = kFloatFields[index];
    return f.member != nullptr ? (s.*f.member)[f.component] : s.*f.single;
}

unsigned floatScope(int index)
{
    return index >= kFloatTableCount ? kScopeView : kFloatFields[index].scope;
}

// Bitwise comparison: a NaN set by hand still counts as unchanged when it stays the same.
bool sameFloat(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

HistoryStep changesBetween(const SceneSnapshot& before, const SceneSnapshot& after, unsigned scope)
{
    HistoryStep step;
    for (int i = 0; i < kIntCount; ++i)
        if ((kIntFields[i].scope & scope) != 0 && before.ints[i] != after.ints[i]) {
            FieldChange c;
            c.field = i;
            c.intBefore = before.ints[i];
            c.intAfter = after.ints[i];
            step.push_back(c);
        }
    for (int i = 0; i < kFloatCount; ++i)
        if ((floatScope(i) & scope) != 0 && !sameFloat(before.floats[i], after.floats[i])) {
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
    for (const FieldChange& c : step) {
        if (c.isFloat)
            floatAt(state, c.field) = after ? c.floatAfter : c.floatBefore;
        else
            state.*kIntFields[c.field].member = after ? c.intAfter : c.intBefore;
    }
}

}  // namespace

SceneSnapshot snapshotOf(const SceneState& state)
{
    SceneState& s = const_cast<SceneState&>(state);  // read only
    SceneSnapshot snap;
    for (const IntField& f : kIntFields)
        snap.ints.push_back(s.*f.member);
    for (int i = 0; i < kFloatCount; ++i)
        snap.floats.push_back(floatAt(s, i));
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

HistoryKey historyKeyOf(int key, bool ctrl, bool shift)
{
    if (!ctrl)
        return HistoryKey::None;
    if (key == 26 || key == 'z' || key == 'Z')
        return shift ? HistoryKey::Redo : HistoryKey::Undo;
    if (key == 25 || key == 'y' || key == 'Y')
        return HistoryKey::Redo;
    return HistoryKey::None;
}
