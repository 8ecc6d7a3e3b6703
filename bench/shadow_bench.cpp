// Offscreen benchmark of the props' shadows: what they add to a frame while the globe spins,
// drawn whole and as the scene window draws it (with shadows every frame is whole).
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/frame_measure.h"
#include "bench/in_child.h"
#include "core/scene_state.h"
#include "gl/frame.h"
#include "gl/kept_picture.h"
#include "gl/vase_draw.h"

namespace {

constexpr int kSize = 500;  // pixels, the scene window's default size

struct Case {
    const char* name;
    bool shadows, window;  // window: drawFrameKeepingStill, else drawFrame
};
const Case kCases[] = {{"whole frames, no shadows", false, false},
                       {"whole frames, shadows", true, false},
                       {"window (kept picture), no shadows", false, true},
                       {"window, shadows (whole frames)", true, true}};
constexpr int kCaseCount = 4;

struct Size {
    const char* name;
    int vertical, radial, warmups, frames;
};

// The median CPU per frame (ms) of one case in this process; -1 when no context opens.
double measure(const Case& c, const Size& size)
{
    if (!openBenchScene(kSize, size.vertical, size.radial))
        return -1;
    scene.shadows = c.shadows ? 1 : 0;
    // A light to the side and above: the shadows fall where the camera sees them.
    scene.lightPosition[0] = 0.3f;
    scene.lightPosition[2] = -0.6f;
    const auto frame = [&] {
        const double start = cpuMillis();
        if (c.window)
            drawFrameKeepingStill(scene);
        else
            drawFrame(scene);
        glFinish();
        return cpuMillis() - start;
    };
    setVaseExact(true);
    frame();
    setVaseExact(false);
    std::vector<double> cpu;
    for (int i = 0; i < size.warmups + size.frames; ++i) {
        scene.globeAngle = (scene.globeAngle + 1) % 360;
        const double ms = frame();
        if (i >= size.warmups)
            cpu.push_back(ms);
    }
    return median(cpu);
}

}  // namespace

// Usage: tolvane_shadow_bench [starts]; each start runs every case once in a fresh process,
// the order reversed every other start.
int main(int argc, char** argv)
{
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const Size sizes[] = {{"defaults (100 x 40)", 100, 40, 5, 31}, {"1000 x 1000", 1000, 1000, 2, 7}};
    std::printf("Frames at %dx%d with the globe spinning, CPU of the whole process per frame "
                "(ms, glFinish after each), median of each start's median over %d starts "
                "(range):\n",
                kSize, kSize, starts);
    for (const Size& size : sizes) {
        std::vector<double> results[kCaseCount];
        for (int s = 0; s < starts; ++s)
            for (int k = 0; k < kCaseCount; ++k) {
                const int c = s % 2 ? kCaseCount - 1 - k : k;
                const double ms = inChild([&] { return measure(kCases[c], size); }, -1.0);
                if (ms >= 0)
                    results[c].push_back(ms);
            }
        std::printf("\n%s\n", size.name);
        for (int c = 0; c < kCaseCount; ++c)
            std::printf("  %-36s %26s\n", kCases[c].name, medianAndRange(results[c]).c_str());
    }
    return 0;
}
