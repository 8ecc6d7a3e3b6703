// Offscreen benchmark of the overlays (the vase's mesh, its normals, the light): what each adds
// to the first frame (building the vase and its lines) and to every later frame, at 1000 x 1000.
#include <GL/gl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/frame_measure.h"
#include "bench/in_child.h"
#include "core/scene_state.h"
#include "desktop/offscreen.h"
#include "gl/frame.h"
#include "gl/startup.h"
#include "gl/vase_draw.h"

namespace {

constexpr int kSize = 500;  // pixels, the scene window's default size

struct Overlays {
    const char* name;
    int mesh, normals, light;
};
const Overlays kOverlays[] = {{"none", 0, 0, 0},
                              {"mesh", 1, 0, 0},
                              {"normals", 0, 1, 0},
                              {"light", 0, 0, 1},
                              {"all three", 1, 1, 1}};
constexpr int kCount = sizeof kOverlays / sizeof kOverlays[0];

// One child's figures, ms: the first frame's wall time and CPU, then medians per frame.
struct Result {
    double firstWall = -1, firstCpu = -1, still = -1, drag = -1;
};

double frameCpu()
{
    const double start = cpuMillis();
    drawFrame(scene);
    glFinish();
    return cpuMillis() - start;
}

Result measure(const Overlays& o, int steps, int frames)
{
    setenv("TOLVANE_KEPT_PICTURE", "0", 1);
    Result r;
    if (!openBenchScene(kSize, steps, steps))
        return r;
    scene.showMesh = o.mesh;
    scene.showNormals = o.normals;
    scene.showLight = o.light;

    // As --render draws: the vase and its lines built, then the frame.
    setVaseExact(true);
    const auto wallStart = std::chrono::steady_clock::now();
    r.firstCpu = frameCpu();
    r.firstWall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                            wallStart)
                      .count();
    setVaseExact(false);
    std::vector<double> still, drag;
    for (int i = 0; i < frames + 1; ++i) {
        scene.globeAngle = (scene.globeAngle + 1) % 360;
        const double cpu = frameCpu();
        if (i > 0)
            still.push_back(cpu);
    }
    setVaseInMotion(true);
    for (int i = 0; i < frames + 1; ++i) {
        scene.rotation[1] += 0.2f;
        const double cpu = frameCpu();
        if (i > 0)
            drag.push_back(cpu);
    }
    r.still = median(still);
    r.drag = median(drag);
    return r;
}

}  // namespace

// Usage: tolvane_overlay_bench [starts] [steps]; every start measures each set of overlays in a
// fresh process, the order reversed every other start.
int main(int argc, char** argv)
{
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int steps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000;
    std::vector<double> firstWall[kCount], firstCpu[kCount], still[kCount], drag[kCount];
    for (int s = 0; s < starts; ++s)
        for (int k = 0; k < kCount; ++k) {
            const int d = s % 2 ? kCount - 1 - k : k;
            const Result r = inChild([&] { return measure(kOverlays[d], steps, 5); }, Result{});
            if (r.still < 0)
                continue;
            firstWall[d].push_back(r.firstWall);
            firstCpu[d].push_back(r.firstCpu);
            still[d].push_back(r.still);
            drag[d].push_back(r.drag);
        }
    std::printf("Overlays at %dx%d with a %d x %d vase, ms, median over %d starts (range):\n",
                kSize, kSize, steps, steps, starts);
    std::printf("  %-10s %24s %24s %24s %24s\n", "overlays", "first frame, wall",
                "first frame, CPU", "still frame, CPU", "drag frame, CPU");
    for (int d = 0; d < kCount; ++d)
        std::printf("  %-10s %24s %24s %24s %24s\n", kOverlays[d].name,
                    medianAndRange(firstWall[d]).c_str(), medianAndRange(firstCpu[d]).c_str(),
                    medianAndRange(still[d]).c_str(), medianAndRange(drag[d]).c_str());
    const auto ratio = [&](std::vector<double>* v, int d) { return median(v[d]) / median(v[0]); };
    std::printf("  all three / none: first frame %.2fx, still frame %.2fx, drag frame %.2fx\n",
                ratio(firstWall, kCount - 1), ratio(still, kCount - 1), ratio(drag, kCount - 1));
    return 0;
}
