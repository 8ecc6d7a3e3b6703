// Offscreen benchmark of the vase: per-quad immediate mode against the cached mesh.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "scene/vase_draw.h"
#include "scene/vase_mesh.h"

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

bool makeCurrent(EGLDisplay display, const char* name)
{
    if (display == EGL_NO_DISPLAY)
        return false;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor))
        return false;
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE,
                                    EGL_PBUFFER_BIT,
                                    EGL_RENDERABLE_TYPE,
                                    EGL_OPENGL_BIT,
                                    EGL_RED_SIZE,
                                    8,
                                    EGL_GREEN_SIZE,
                                    8,
                                    EGL_BLUE_SIZE,
                                    8,
                                    EGL_DEPTH_SIZE,
                                    24,
                                    EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    const EGLint pbufferAttribs[] = {EGL_WIDTH, kSize, EGL_HEIGHT, kSize, EGL_NONE};
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
    if (eglChooseConfig(display, configAttribs, &config, 1, &configs) && configs > 0 &&
        eglBindAPI(EGL_OPENGL_API) &&
        (surface = eglCreatePbufferSurface(display, config, pbufferAttribs)) != EGL_NO_SURFACE &&
        (context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr)) != EGL_NO_CONTEXT &&
        eglMakeCurrent(display, surface, surface, context)) {
        std::printf("EGL %d.%d, %s display, %dx%d pbuffer\n", major, minor, name, kSize, kSize);
        return true;
    }
    eglTerminate(display);
    return false;
}

// The default display, then a device (a GPU without a window system), then Mesa's surfaceless.
bool openOffscreen()
{
    if (makeCurrent(eglGetDisplay(EGL_DEFAULT_DISPLAY), "default"))
        return true;
    auto platformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    auto queryDevices =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    if (platformDisplay == nullptr)
        return false;
    EGLDeviceEXT devices[8];
    EGLint deviceCount = 0;
    if (queryDevices != nullptr && queryDevices(8, devices, &deviceCount))
        for (EGLint i = 0; i < deviceCount; ++i)
            if (makeCurrent(platformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr),
                            "device"))
                return true;
    EGLDisplay surfaceless =
        platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    return makeCurrent(surfaceless, "surfaceless");
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

// One frame of the vase alone; only the drawing and its completion are timed.
double frameMillis(const std::function<void()>& draw)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
    const Clock::time_point start = Clock::now();
    glPushMatrix();
    glScalef(0.7f, 0.7f, 0.7f);
    draw();
    glPopMatrix();
    glFinish();
    return millisSince(start);
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

// The cached mesh in several glDrawArrays calls of `chunk` vertices (a multiple of 4).
void drawMeshChunked(const std::vector<VaseVertex>& mesh, size_t chunk)
{
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, mesh.data());
    for (size_t first = 0; first < mesh.size(); first += chunk)
        glDrawArrays(GL_QUADS, static_cast<GLint>(first),
                     static_cast<GLsizei>(std::min(chunk, mesh.size() - first)));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// One way of drawing the vase, timed over interleaved rounds.
struct Variant {
    const char* label;
    std::function<void()> draw;
    bool culled;                // every face culled: all the work but rasterisation
    std::vector<double> times;  // ms per frame
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
            const double ms = frameMillis(v.draw);
            glDisable(GL_CULL_FACE);
            if (round >= warmupRounds)
                v.times.push_back(ms);
        }
}

void measureFrames(const char* name, const VaseSettings& s, const std::vector<VaseVertex>& mesh,
                   int warmupRounds, int rounds)
{
    const std::function<void()> immediate = [&] { drawVaseImmediate(s); };
    const std::function<void()> cached = [&] { drawVaseMesh(mesh); };
    std::vector<Variant> v = {
        {"(a) regenerate, glBegin/glEnd per quad", immediate, false, {}},
        {"    built mesh, glBegin/glEnd per quad", [&] { drawMeshPerQuad(mesh); }, false, {}},
        {"(b) cached mesh, one glDrawArrays", cached, false, {}},
        {"    cached mesh, glDrawArrays per 64K", [&] { drawMeshChunked(mesh, 65536); }, false, {}},
        {"(a) with every face culled", immediate, true, {}},
        {"(b) with every face culled", cached, true, {}},
    };
    runRounds(v, warmupRounds, rounds);
    frameMillis(immediate);
    const std::vector<unsigned char> immediatePicture = readPixels();
    frameMillis(cached);
    const bool samePicture = readPixels() == immediatePicture;

    std::vector<double> ms;
    for (const Variant& variant : v)
        ms.push_back(median(variant.times));
    std::printf("Vase frame at %s (%zu quads), median of %d, ms, glFinish after each frame:\n",
                name, vaseBandQuadCount(s) + vaseStepRingCount(s), rounds);
    for (size_t i = 0; i < v.size(); ++i)
        std::printf("  %-40s %9.2f\n", v[i].label, ms[i]);
    std::printf("  (a)/(b): %.1fx; with every face culled (no rasterisation): %.1fx\n",
                ms[0] / ms[2], ms[4] / ms[5]);
    std::printf("  (a) and (b) draw identical pixels: %s\n\n", samePicture ? "yes" : "NO");
}

}  // namespace

int main()
{
    if (!openOffscreen()) {
        std::printf("No EGL display with an OpenGL pbuffer could be opened.\n");
        return 1;
    }
    std::printf("GL_RENDERER: %s\nGL_VERSION:  %s\n\n", glGetString(GL_RENDERER),
                glGetString(GL_VERSION));
    setUpState();

    const VaseSettings defaults;
    std::vector<VaseVertex> mesh;
    buildVaseMesh(defaults, mesh);
    measureFrames("100 x 40", defaults, mesh, 3, 31);
    const double smallBuild = medianMillis(2, 15, [&] { buildVaseMesh(defaults, mesh); });

    VaseSettings large;
    large.verticalSteps = 1000;
    large.radialSteps = 1000;
    std::vector<VaseVertex>().swap(mesh);
    // Fresh vectors first, each released before the next, so no two meshes coexist.
    std::vector<double> freshTimes;
    for (int i = 0; i < 3; ++i) {
        std::vector<VaseVertex> fresh;
        const Clock::time_point start = Clock::now();
        buildVaseMesh(large, fresh);
        freshTimes.push_back(millisSince(start));
        if (i == 2)
            mesh.swap(fresh);
    }
    const double rssAfterBuild = peakRssMib();
    const double rebuildExisting = medianMillis(1, 5, [&] { buildVaseMesh(large, mesh); });
    measureFrames("1000 x 1000", large, mesh, 1, 3);
    const double rssAtEnd = peakRssMib();

    std::printf(
        "(a) regenerates every quad and submits it with its own glBegin/glEnd, as every "
        "frame would;\n(b) draws the mesh built once, through client vertex arrays.\n\n");
    std::printf(
        "Mesh build, median ms: 100 x 40: %.3f; 1000 x 1000: %.1f into the existing "
        "vector, %.1f into a fresh one\n",
        smallBuild, rebuildExisting, median(freshTimes));
    std::printf("1000 x 1000 mesh: %zu vertices, %.1f MiB\n", mesh.size(),
                static_cast<double>(mesh.size() * sizeof(VaseVertex)) / (1024.0 * 1024.0));
    std::printf("Peak RSS: %.1f MiB after building 1000 x 1000, %.1f MiB after drawing it\n",
                rssAfterBuild, rssAtEnd);
    return 0;
}
