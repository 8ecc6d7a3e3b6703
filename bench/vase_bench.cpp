// Offscreen benchmark of the vase: per-quad immediate mode, the mesh in client memory and the
// mesh in a buffer object; frame time, the cost of a change, and peak memory.
#include <GL/gl.h>
#include <GL/glu.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "bench/in_child.h"
#include "desktop/offscreen.h"
#include "gl/frame.h"
#include "gl/vase_draw.h"
#include "gl/vase_store.h"
#include "core/vase_mesh.h"

namespace {

constexpr int kSize = 500;  // pixels, the scene window's size

using Clock = std::chrono::steady_clock;

double millisSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Median of `reps` timed runs after `warmups` untimed ones.
double medianMillis(int warmups, int reps, const std::function<void()>& run)
{
    for (int i = 0; i < warmups; ++i)
        run();
    std::vector<double> times;
    for (int i = 0; i < reps; ++i) {
        const Clock::time_point start = Clock::now();
        run();
        times.push_back(millisSince(start));
    }
    return median(times);
}

double peakRssMib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

// The scene window's pbuffer twin; says which EGL display it came from on the first call.
bool openOffscreen()
{
    static bool described = false;
    const OffscreenResult context = openOffscreenContext(kSize, kSize);
    // Every frame measured draws the vase for its settings: a changed one waits for its build.
    setVaseExact(true);
    if (context.ok && !described) {
        std::printf("%s\n", context.description.c_str());
        described = true;
    }
    return context.ok;
}

// The scene's fixed state and camera at the default zoom and light, with an 8x8 checker texture.
void setUpState()
{
    glViewport(0, 0, kSize, kSize);
    glClearColor(1, 1, 1, 0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    const GLfloat white[4] = {1, 1, 1, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 100);
    glColor3f(0.5f, 0.5f, 0.5f);

    unsigned char checker[8 * 8 * 3];
    for (int i = 0; i < 64; ++i) {
        const bool light = (i / 8 + i % 8) % 2 != 0;
        for (int c = 0; c < 3; ++c)
            checker[i * 3 + c] = static_cast<unsigned char>(light ? 220 : 60 * c + 60);
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 8, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, checker);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(-1, 1, -1, 0, 0, 0, 0, 1, 0);
    const GLfloat lightPosition[4] = {-1, 1, -1, 0};
    const GLfloat lightColour[4] = {2, 2, 2, 2};
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightColour);
    glLightfv(GL_LIGHT0, GL_SPECULAR, lightColour);
    glTranslatef(-0.25f, 0.1f, 0.45f);
}

// Wall and CPU time of one frame, ms. CPU time counts every thread of the process, the
// renderer's included.
struct FrameCost {
    double wall = 0;
    double cpu = 0;
};

double cpuMillis()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// One frame of the vase alone; only the drawing and its completion are timed.
FrameCost frameCost(const std::function<void()>& draw)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
    const Clock::time_point start = Clock::now();
    const double cpuStart = cpuMillis();
    glPushMatrix();
    glScalef(0.7f, 0.7f, 0.7f);
    draw();
    glPopMatrix();
    glFinish();
    return {millisSince(start), cpuMillis() - cpuStart};
}

std::vector<unsigned char> readPixels()
{
    std::vector<unsigned char> pixels(kSize * kSize * 4);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Submits a built mesh one begin/end pair per quad: immediate mode without the generation.
void drawMeshPerQuad(const std::vector<VaseVertex>& mesh)
{
    for (size_t q = 0; q < mesh.size(); q += 4) {
        glBegin(GL_QUADS);
        for (size_t k = q; k < q + 4; ++k) {
            const VaseVertex& p = mesh[k];
            glTexCoord2f(p.u, p.v);
            glNormal3f(p.nx, p.ny, p.nz);
            glVertex3f(p.x, p.y, p.z);
        }
        glEnd();
    }
}

// The client-array mesh in glDrawArrays calls of `chunk` vertices (a multiple of 4), each
// followed by a flush: batching without the buffer object.
void drawMeshChunked(const std::vector<VaseVertex>& mesh, size_t chunk)
{
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, mesh.data());
    for (size_t first = 0; first < mesh.size(); first += chunk) {
        glDrawArrays(GL_QUADS, static_cast<GLint>(first),
                     static_cast<GLsizei>(std::min(chunk, mesh.size() - first)));
        glFlush();
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// One way of drawing the vase, timed over interleaved rounds.
struct Variant {
    const char* label;
    std::function<void()> draw;
    bool culled;  // every face culled: all the work but rasterisation
    std::vector<double> wall, cpu;
};

// Runs every variant once per round, so that drift in the machine's load hits all alike.
void runRounds(std::vector<Variant>& variants, int warmupRounds, int rounds)
{
    for (int round = 0; round < warmupRounds + rounds; ++round)
        for (Variant& v : variants) {
            if (v.culled) {
                glEnable(GL_CULL_FACE);
                glCullFace(GL_FRONT_AND_BACK);
            }
            const FrameCost cost = frameCost(v.draw);
            glDisable(GL_CULL_FACE);
            if (round >= warmupRounds) {
                v.wall.push_back(cost.wall);
                v.cpu.push_back(cost.cpu);
            }
        }
}

// The three designs: (a) per-quad immediate mode, (b) the mesh in client memory drawn by one
// call, (c) the mesh in a buffer object drawn in flushed batches, as the viewer does.
void measureFrames(const char* name, const VaseSettings& s, const std::vector<VaseVertex>& mesh,
                   int warmupRounds, int rounds)
{
    const std::function<void()> immediate = [&] { drawVaseImmediate(s); };
    const std::function<void()> client = [&] { drawVaseMesh(mesh); };
    const std::function<void()> buffered = [&] { drawVaseCached(s); };
    std::vector<Variant> v = {
        {"(a) regenerate, glBegin/glEnd per quad", immediate, false, {}, {}},
        {"    built mesh, glBegin/glEnd per quad", [&] { drawMeshPerQuad(mesh); }, false, {}, {}},
        {"(b) client arrays, one glDrawArrays", client, false, {}, {}},
        {"    client arrays, flushed 64K batches",
         [&] { drawMeshChunked(mesh, kVaseBatchVertices); },
         false,
         {},
         {}},
        {"(c) buffer object, shared corners, 64K batches, 3 ahead", buffered, false, {}, {}},
        {"(a) with every face culled", immediate, true, {}, {}},
        {"(b) with every face culled", client, true, {}, {}},
        {"(c) with every face culled", buffered, true, {}, {}},
    };
    runRounds(v, warmupRounds, rounds);
    frameCost(immediate);
    const std::vector<unsigned char> immediatePicture = readPixels();
    frameCost(client);
    const bool clientSame = readPixels() == immediatePicture;
    frameCost(buffered);
    const bool bufferedSame = readPixels() == immediatePicture;

    std::printf("Vase frame at %s (%zu quads), median of %d, ms, glFinish after each frame:\n",
                name, vaseBandQuadCount(s) + vaseStepRingCount(s), rounds);
    std::printf("  %-40s %9s %9s\n", "", "wall", "CPU");
    std::vector<double> wall, cpu;
    for (const Variant& variant : v) {
        wall.push_back(median(variant.wall));
        cpu.push_back(median(variant.cpu));
        std::printf("  %-40s %9.2f %9.2f\n", variant.label, wall.back(), cpu.back());
    }
    std::printf("  wall (a)/(c): %.2fx, (b)/(c): %.2fx; CPU (a)/(c): %.2fx, (b)/(c): %.2fx\n",
                wall[0] / wall[4], wall[2] / wall[4], cpu[0] / cpu[4], cpu[2] / cpu[4]);
    std::printf("  (b) and (c) draw the pixels of (a): %s, %s\n\n", clientSame ? "yes" : "NO",
                bufferedSame ? "yes" : "NO");
}

// The vase changes a user makes at 1000 x 1000, in a cycle that returns to the start.
std::vector<VaseSettings> changeCycle(const VaseSettings& large)
{
    VaseSettings fewer = large;
    fewer.verticalSteps = large.verticalSteps - 1;
    VaseSettings crazy = large;
    crazy.crazy = true;
    return {fewer, large, crazy, large};
}

// Frame that shows a change against a steady frame, for (b) and (c): the difference is the
// rebuild and upload. Medians over `cycles` cycles of the four changes.
void measureChanges(const VaseSettings& large, std::vector<VaseVertex>& mesh, int cycles)
{
    const std::vector<VaseSettings> changes = changeCycle(large);
    const char* names[] = {"V 1000 -> 999", "V 999 -> 1000", "Crazy on", "Crazy off"};
    std::vector<std::vector<double>> client(changes.size()), buffered(changes.size());
    std::vector<double> clientSteady, bufferedSteady, build;
    for (int cycle = 0; cycle < cycles; ++cycle)
        for (size_t i = 0; i < changes.size(); ++i) {
            const VaseSettings& s = changes[i];
            client[i].push_back(frameCost([&] {
                                    const Clock::time_point start = Clock::now();
                                    buildVaseMesh(s, mesh);
                                    build.push_back(millisSince(start));
                                    drawVaseMesh(mesh);
                                }).wall);
            clientSteady.push_back(frameCost([&] { drawVaseMesh(mesh); }).wall);
            buffered[i].push_back(frameCost([&] { drawVaseCached(s); }).wall);
            bufferedSteady.push_back(
                frameCost([&] { drawVaseCached(s); }).wall);
        }
    std::printf(
        "Changes at 1000 x 1000, frame that shows the change (rebuild, upload, draw), "
        "median of %d, ms:\n",
        cycles);
    std::printf("  %-16s %14s %14s\n", "", "(b) client", "(c) buffer");
    for (size_t i = 0; i < changes.size(); ++i)
        std::printf("  %-16s %14.1f %14.1f\n", names[i], median(client[i]), median(buffered[i]));
    std::printf("  %-16s %14.1f %14.1f\n", "steady frame", median(clientSteady),
                median(bufferedSteady));
    std::printf(
        "  (b) rebuilds into its vector in %.1f ms; (c) builds straight into the mapped "
        "buffer.\n\n",
        median(build));
}

enum class Path { Immediate, ClientArrays, BufferObject };

// Peak RSS of one path on its own: 1000 x 1000 built and drawn, then the four changes. Run in
// a child process, since the peak is the whole process's.
double peakMemoryOf(Path path, const VaseSettings& large)
{
    if (!openOffscreen())
        return -1;
    setUpState();
    std::vector<VaseVertex> mesh;
    auto frame = [&](const VaseSettings& s) {
        frameCost([&] {
            if (path == Path::Immediate) {
                drawVaseImmediate(s);
            } else if (path == Path::ClientArrays) {
                if (mesh.empty() || s != large)
                    buildVaseMesh(s, mesh);
                drawVaseMesh(mesh);
            } else {
                drawVaseCached(s);
            }
        });
    };
    for (int i = 0; i < 3; ++i)
        frame(large);
    for (const VaseSettings& s : changeCycle(large)) {
        frame(s);
        frame(s);
    }
    return peakRssMib();
}

// Runs peakMemoryOf in a fresh child process; -1 if it failed.
double peakMemoryInChild(Path path, const VaseSettings& large)
{
    return inChild([&] { return peakMemoryOf(path, large); }, -1.0);
}

}  // namespace

int main()
{
    // As the viewer does at its first frame.
    keepRendererHeap();
    VaseSettings large;
    large.verticalSteps = 1000;
    large.radialSteps = 1000;
    // Each path in its own process, before this one opens a context of its own.
    const double peakImmediate = peakMemoryInChild(Path::Immediate, large);
    const double peakClient = peakMemoryInChild(Path::ClientArrays, large);
    const double peakBuffer = peakMemoryInChild(Path::BufferObject, large);

    if (!openOffscreen()) {
        std::printf("No EGL display with an OpenGL pbuffer could be opened.\n");
        return 1;
    }
    std::printf("GL_RENDERER: %s\nGL_VERSION:  %s\n(c) uses %s\n\n", glGetString(GL_RENDERER),
                glGetString(GL_VERSION),
                vaseBufferObjects() ? "a buffer object" : "client arrays (no buffer objects)");
    setUpState();

    const VaseSettings defaults;
    std::vector<VaseVertex> mesh;
    buildVaseMesh(defaults, mesh);
    measureFrames("100 x 40", defaults, mesh, 3, 31);
    const double smallBuild = medianMillis(2, 15, [&] { buildVaseMesh(defaults, mesh); });

    std::vector<VaseVertex>().swap(mesh);
    const Clock::time_point start = Clock::now();
    buildVaseMesh(large, mesh);
    const double freshBuild = millisSince(start);
    measureFrames("1000 x 1000", large, mesh, 1, 3);
    measureChanges(large, mesh, 3);

    std::printf("Mesh build, ms: 100 x 40: %.3f; 1000 x 1000: %.1f into a fresh vector\n",
                smallBuild, freshBuild);
    std::printf("1000 x 1000 mesh: %zu vertices, %.1f MiB\n", mesh.size(),
                static_cast<double>(mesh.size() * sizeof(VaseVertex)) / (1024.0 * 1024.0));
    std::printf(
        "Peak RSS at 1000 x 1000 with the four changes, each path in its own process, "
        "MiB:\n  (a) %.0f   (b) %.0f   (c) %.0f\n",
        peakImmediate, peakClient, peakBuffer);
    return 0;
}
