// Pacing of the continuous redraw to the display's refresh where the buffer swap does not pace it.
#include "desktop/frame_pacing.h"

#include <GL/glx.h>
#include <X11/extensions/Xrandr.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "core/redraw.h"

namespace {

bool paced = true;
long periodUs = 16667;
double rateHz = 0.0;
FramePace pace;

// The rate of the screen's current mode; 0 where XRandR is missing or reports none.
double screenRefreshHz(Display* display)
{
    int eventBase = 0, errorBase = 0;
    if (!display || !XRRQueryExtension(display, &eventBase, &errorBase))
        return 0.0;
    XRRScreenConfiguration* config = XRRGetScreenInfo(display, DefaultRootWindow(display));
    if (!config)
        return 0.0;
    const short rate = XRRConfigCurrentRate(config);
    XRRFreeScreenConfigInfo(config);
    return rate > 0 ? rate : 0.0;
}

}  // namespace

void initFramePacing(bool swapControl)
{
    const char* unpaced = std::getenv("TOLVANE_UNPACED");
    paced = !(unpaced && std::strcmp(unpaced, "1") == 0);
    rateHz = screenRefreshHz(glXGetCurrentDisplay());
    periodUs = refreshPeriodUs(rateHz);
    if (swapControl)
        periodUs = periodUs * 3 / 4;
}

int msUntilNextFrame()
{
    if (!paced)
        return 0;
    const long long now = std::chrono::duration_cast<std::chrono::microseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count();
    const long long waitUs = paceFrame(pace, now, periodUs);
    // GLUT's timers count whole milliseconds; rounding up never starts a frame early.
    return static_cast<int>((waitUs + 999) / 1000);
}

double displayRefreshHz()
{
    return rateHz;
}
