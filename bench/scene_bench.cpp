// Offscreen benchmark of whole scene frames: the globe spinning and a drag, with the kept
// picture on and off and with the seed's immediate-mode vase; CPU per frame and peak memory.
#include <GL/gl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench/frame_measure.h"
#include "bench/in_child.h"
#include "core/image/ppm.h"
#include "core/scene_state.h"
#include "desktop/offscreen.h"
#include "gl/frame.h"
#include "gl/kept_picture.h"
#include "gl/startup.h"
#include "gl/vase_draw.h"

namespace {

constexpr int kSize = 500;  // pixels, the scene window's default size

enum class Design { Immediate, Whole, Kept };
const char* const kDesignNames[] = {"seed: immediate vase, whole frames",
                                    "buffer object, whole frames", "kept picture"};

struct Size {
    const char* name;
    int vertical, radial;
    int warmups, frames;
};

// One child's medians, ms of CPU per frame, and its peak resident memory, MiB.
struct Result {
    double spin = -1, drag = -1, peakMib = -1, keptMib = -1;
    double rebuildPeakMib = -1;  // peak after a new vase was built beside the drawn one
};

// CPU of every thread of the process for one frame as the scene window draws it, finished.
double frameCpu(Design design)
{
    const double start = cpuMillis();
    if (design == Design::Kept)
        drawFrameKeepingStill(scene);
    else
        drawFrame(scene);
    glFinish();
    return cpuMillis() - start;
}

// Frames with the globe spinning, then frames of a drag (the view turning 0.2 degree a frame
// while the globe spins), in a fresh process with the design's switches set.
Result measure(Design design, const Size& size)
{
    if (design == Design::Immediate)
        setenv("TOLVANE_VASE_SUBMIT", "immediate", 1);
    if (design != Design::Kept)
        setenv("TOLVANE_KEPT_PICTURE", "0", 1);
    Result r;
    if (!openBenchScene(kSize, size.vertical, size.radial))
        return r;

    std::vector<double> spin, drag;
    // The first frame waits for the vase and hands it all to GL, as a start-up does in a few.
    setVaseExact(true);
    frameCpu(design);
    setVaseExact(false);
    for (int i = 0; i < size.warmups + size.frames; ++i) {
        scene.globeAngle = (scene.globeAngle + 1) % 360;
        const double cpu = frameCpu(design);
        if (i >= size.warmups)
            spin.push_back(cpu);
    }
    // As in the viewer: the smaller vase while the view moves (immediate mode ignores it).
    setVaseInMotion(true);
    for (int i = 0; i < size.warmups + size.frames; ++i) {
        scene.globeAngle = (scene.globeAngle + 1) % 360;
        scene.rotation[1] += 0.2f;
        const double cpu = frameCpu(design);
        if (i >= size.warmups)
            drag.push_back(cpu);
    }
    setVaseInMotion(false);
    frameCpu(design);  // the still frame after the drag
    r.spin = median(spin);
    r.drag = median(drag);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    r.peakMib = static_cast<double>(usage.ru_maxrss) / 1024.0;
    // Another vase setting: its mesh is built beside the one drawn until it is ready.
    scene.crazyVase = 1;
    while (frameCpu(design) >= 0 && vaseBuildRunning()) {
    }
    frameCpu(design);
    getrusage(RUSAGE_SELF, &usage);
    r.rebuildPeakMib = static_cast<double>(usage.ru_maxrss) / 1024.0;
    r.keptMib = static_cast<double>(keptPictureBytes()) / (1024.0 * 1024.0);
    return r;
}

Result measureInChild(Design design, const Size& size)
{
    return inChild([&] { return measure(design, size); }, Result{});
}

}  // namespace

// Usage: tolvane_scene_bench [starts]; every start runs each design once, in a fresh process,
// the order reversed every other start so that drift in the machine's load hits all alike.
int main(int argc, char** argv)
{
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const Size sizes[] = {{"defaults (100 x 40)", 100, 40, 5, 31},
                          {"1000 x 1000", 1000, 1000, 2, 5}};
    std::printf("Scene frames at %dx%d, CPU of the whole process per frame (ms, glFinish after "
                "each), median of each start's median over %d starts (range):\n",
                kSize, kSize, starts);
    for (const Size& size : sizes) {
        std::vector<double> spin[3], drag[3], peak[3], kept[3], rebuild[3];
        for (int s = 0; s < starts; ++s)
            for (int k = 0; k < 3; ++k) {
                const int d = s % 2 ? 2 - k : k;
                const Result r = measureInChild(static_cast<Design>(d), size);
                if (r.spin < 0)
                    continue;
                spin[d].push_back(r.spin);
                drag[d].push_back(r.drag);
                peak[d].push_back(r.peakMib);
                kept[d].push_back(r.keptMib);
                rebuild[d].push_back(r.rebuildPeakMib);
            }
        std::printf("\n%s\n  %-36s %26s %26s %22s %26s\n", size.name, "", "globe spinning",
                    "drag", "peak RSS MiB", "peak after a rebuild MiB");
        for (int d = 0; d < 3; ++d)
            std::printf("  %-36s %26s %26s %22s %26s\n", kDesignNames[d],
                        medianAndRange(spin[d]).c_str(), medianAndRange(drag[d]).c_str(),
                        medianAndRange(peak[d]).c_str(), medianAndRange(rebuild[d]).c_str());
        if (!drag[0].empty() && !drag[1].empty())
            std::printf("  drag, whole frames / immediate mode: 1/%.1f\n",
                        median(drag[0]) / median(drag[1]));
        if (!spin[0].empty() && !spin[2].empty())
            std::printf("  spinning, seed / kept: %.1fx; today / kept: %.1fx; kept picture %.2f "
                        "MiB\n",
                        median(spin[0]) / median(spin[2]), median(spin[1]) / median(spin[2]),
                        median(kept[2]));
    }
    return 0;
}
