// An OpenGL context with no window and no X server: an EGL pbuffer, for pictures and benchmarks.
#include "desktop/offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include "desktop/gl_lookup.h"

namespace {

bool makeCurrent(EGLDisplay display, const char* name, int width, int height,
                 OffscreenResult& result)
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
    // EGL lists deeper colour first (10 bits a channel on some platforms). A window has 8 bits
    // a channel, no alpha and a 24-bit depth buffer: the same here rounds every colour alike.
    EGLConfig candidates[128];
    EGLint configs = 0;
    if (!eglChooseConfig(display, configAttribs, candidates, 128, &configs) || configs <= 0) {
        eglTerminate(display);
        return false;
    }
    EGLConfig config = candidates[0];
    int bestScore = -1;
    for (EGLint i = 0; i < configs; ++i) {
        EGLint red = 0, green = 0, blue = 0, alpha = 0, depth = 0;
        eglGetConfigAttrib(display, candidates[i], EGL_RED_SIZE, &red);
        eglGetConfigAttrib(display, candidates[i], EGL_GREEN_SIZE, &green);
        eglGetConfigAttrib(display, candidates[i], EGL_BLUE_SIZE, &blue);
        eglGetConfigAttrib(display, candidates[i], EGL_ALPHA_SIZE, &alpha);
        eglGetConfigAttrib(display, candidates[i], EGL_DEPTH_SIZE, &depth);
        const int score =
            4 * (red == 8 && green == 8 && blue == 8) + 2 * (depth == 24) + (alpha == 0);
        if (score > bestScore) {
            bestScore = score;
            config = candidates[i];
        }
    }
    const EGLint pbufferAttribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
    if (eglBindAPI(EGL_OPENGL_API) &&
        (surface = eglCreatePbufferSurface(display, config, pbufferAttribs)) != EGL_NO_SURFACE &&
        (context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr)) != EGL_NO_CONTEXT &&
        eglMakeCurrent(display, surface, surface, context)) {
        result.ok = true;
        result.description = "EGL " + std::to_string(major) + "." + std::to_string(minor) + ", " +
                             name + " display, " + std::to_string(width) + "x" +
                             std::to_string(height) + " pbuffer";
        return true;
    }
    eglTerminate(display);
    return false;
}

}  // namespace

OffscreenResult openOffscreenContext(int width, int height)
{
    useGlxEntryPoints();
    OffscreenResult result;
    result.message = "no EGL display offers an OpenGL context with a " + std::to_string(width) +
                     "x" + std::to_string(height) + " pbuffer";
    if (makeCurrent(eglGetDisplay(EGL_DEFAULT_DISPLAY), "default", width, height, result))
        return result;
    auto platformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    auto queryDevices =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    if (platformDisplay == nullptr)
        return result;
    EGLDeviceEXT devices[8];
    EGLint deviceCount = 0;
    if (queryDevices != nullptr && queryDevices(8, devices, &deviceCount))
        for (EGLint i = 0; i < deviceCount; ++i)
            if (makeCurrent(platformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr), "device",
                            width, height, result))
                return result;
    EGLDisplay surfaceless =
        platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    makeCurrent(surfaceless, "surfaceless", width, height, result);
    return result;
}
