// Draws the vase: a mesh built off the drawing thread and kept in a buffer object (client
// arrays where GL has none), a smaller one while the view moves, or per-quad immediate mode.
#include "gl/vase_draw.h"

#include <cstdlib>
#include <cstring>

#include "core/overlays.h"
#include "core/scene_state.h"
#include "gl/vase_store.h"

namespace {

bool inMotion = false;  // the view moves: a drag or the turn about y
bool exact = false;     // pictures and benchmarks: the vase for the current settings, waited for
size_t lastQuads = 0;
VaseSettings lastSettings;

// TOLVANE_VASE_SUBMIT=immediate selects the per-quad reference path, e.g. to compare pictures.
bool immediateSubmission()
{
    static const bool immediate = [] {
        const char* value = std::getenv("TOLVANE_VASE_SUBMIT");
        return value != nullptr && std::strcmp(value, "immediate") == 0;
    }();
    return immediate;
}

}  // namespace

VaseSettings vaseSettingsOf(const SceneState& state, int cylindrical)
{
    VaseSettings s = vaseSettingsOfScene(state);
    s.cylindrical = cylindrical != 0;
    return s;
}

// The small vase for `s` while the view moves, unless TOLVANE_MOTION_VASE=full asks for the
// whole one.
static bool motionVaseWanted(const VaseSettings& s)
{
    static const bool full = [] {
        const char* value = std::getenv("TOLVANE_MOTION_VASE");
        return value != nullptr && std::strcmp(value, "full") == 0;
    }();
    return smallerVaseWanted(s, inMotion && !full, exact);
}

void drawVaseCached(const VaseSettings& s)
{
    prepareVaseMesh(s, exact);
    drawPreparedVaseMesh();
}

void setVaseInMotion(bool moving)
{
    inMotion = moving;
}

void setVaseExact(bool on)
{
    exact = on;
}

bool vaseExactNow()
{
    return exact;
}

unsigned long vaseAppearance(const SceneState& state)
{
    const VaseSettings s = vaseSettingsOf(state, state.cylindricalProjection);
    const bool small = motionVaseWanted(s);
    // Meshes drawn at once (per quad, or the small one built on the spot) change with the
    // settings; the stored one when a build for them is adopted.
    static VaseSettings lastDrawnAtOnce;
    static unsigned long drawnAtOnce = 0;
    if (small || immediateSubmission()) {
        const VaseSettings now = small ? vaseInMotion(s) : s;
        if (now != lastDrawnAtOnce || drawnAtOnce == 0) {
            lastDrawnAtOnce = now;
            ++drawnAtOnce;
        }
        return 2 * drawnAtOnce + 1;
    }
    prepareVaseMesh(s, exact);
    return 2 * vaseMeshSerial();
}

void drawVase(const SceneState& state)
{
    const VaseSettings s = vaseSettingsOf(state, state.cylindricalProjection);
    const VaseSettings moving = vaseInMotion(s);
    if (immediateSubmission()) {
        drawVaseImmediate(s);
        lastQuads = vaseBandQuadCount(s) + vaseStepRingCount(s);
        lastSettings = s;
    } else if (motionVaseWanted(s)) {
        drawVaseMeshNow(moving);
        lastQuads = drawnVaseQuads();
        lastSettings = drawnVaseSettings();
    } else {
        drawVaseCached(s);
        lastQuads = drawnVaseQuads();
        lastSettings = drawnVaseSettings();
    }
}

VaseSettings lastVaseSettings()
{
    return lastSettings;
}

size_t lastVaseQuadCount()
{
    return lastQuads;
}

bool vaseBuildRunning()
{
    return vaseBuildPendingNow();
}

bool vaseBuildReady()
{
    return vaseBuildReadyNow();
}
