// Helpers shared by the offscreen frame benchmarks: CPU clock, medians and test textures.
#pragma once

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "core/image/ppm.h"
#include "core/scene_state.h"
#include "desktop/offscreen.h"
#include "gl/startup.h"

// The benchmark's scene, which it draws and changes between frames.
inline SceneState scene;

// CPU of every thread of the process so far, ms.
inline double cpuMillis()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? -1 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// "median (min-max)", or "-" when nothing was measured.
inline std::string medianAndRange(const std::vector<double>& v)
{
    if (v.empty())
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f (%.2f-%.2f)", median(v),
                  *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()));
    return text;
}

// Five 64 x 64 checkerboards in the scene's texture slots, so that no file is read.
inline void uploadCheckerTextures()
{
    for (int t = 0; t < 5; ++t) {
        PpmImage image;
        image.width = image.height = 64;
        for (int i = 0; i < 64 * 64; ++i) {
            const bool light = (i / 64 / 8 + i % 64 / 8) % 2 != 0;
            for (int c = 0; c < 3; ++c)
                image.pixels.push_back(static_cast<unsigned char>(light ? 220 : 40 * t + 20 * c));
        }
        scene.textures.push_back(uploadTexture(image));
    }
}

// An offscreen context of size x size pixels set up as the scene window's, with the checkerboards
// and a vase of vertical x radial steps; false when no context could be had.
inline bool openBenchScene(int size, int vertical, int radial)
{
    if (!openOffscreenContext(size, size).ok)
        return false;
    initGraphicsState(scene);
    setProjection(scene.zoom);
    glViewport(0, 0, size, size);
    uploadCheckerTextures();
    scene.vaseVerticalSteps = vertical;
    scene.vaseRadialSteps = radial;
    return true;
}
