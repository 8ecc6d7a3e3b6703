// What keeps the scene drawing frame after frame, and what the panel's status line says.
#include "core/redraw.h"

#include <cstdio>

#include "core/scene_state.h"

bool sceneAnimating(const SceneState& state)
{
    // The same tests the animation step makes.
    return state.spinY != 0 || state.spinGlobe == 1;
}

bool animationStepDue(unsigned long framesDrawn, unsigned long framesAtLastStep)
{
    return framesDrawn != framesAtLastStep;
}

long refreshPeriodUs(double hz)
{
    if (!(hz >= 1.0 && hz <= 1000.0))
        hz = 60.0;
    return static_cast<long>(1e6 / hz + 0.5);
}

long long paceFrame(FramePace& pace, long long nowUs, long periodUs)
{
    if (pace.dueUs != 0 && nowUs < pace.dueUs)
        return pace.dueUs - nowUs;
    const bool stalled = pace.dueUs == 0 || nowUs - pace.dueUs >= periodUs;
    pace.dueUs = (stalled ? nowUs : pace.dueUs) + periodUs;
    return 0;
}

std::string sceneStatusText(double lastFrameMs, bool idle, std::size_t vaseQuads, double paceMs)
{
    char text[200];
    if (!idle && paceMs > 0.0)
        std::snprintf(text, sizeof text,
                      "Scene: %.1f ms per frame (%.1f fps), last frame %.1f ms, vase %zu quads",
                      paceMs, 1000.0 / paceMs, lastFrameMs, vaseQuads);
    else if (!idle && paceMs == 0.0)
        std::snprintf(text, sizeof text, "Scene: measuring..., last frame %.1f ms, vase %zu quads",
                      lastFrameMs, vaseQuads);
    else if (lastFrameMs < 0.0)
        std::snprintf(text, sizeof text, "Scene: no frame yet, vase %zu quads", vaseQuads);
    else if (idle)
        std::snprintf(text, sizeof text, "Scene: idle, last frame %.1f ms, vase %zu quads",
                      lastFrameMs, vaseQuads);
    else
        std::snprintf(text, sizeof text, "Scene: %.1f ms per frame, vase %zu quads", lastFrameMs,
                      vaseQuads);
    return text;
}

bool panelWantsFrame(const PanelActivity& a)
{
    if (a.inputPending || a.buttonHeld || a.msSinceInput < kPanelSettleMs)
        return true;
    return a.sceneAnimating && a.msSinceRedraw >= kStatusRefreshMs;
}
