// What the GLUT windows ask of GLX directly: a swap interval, and pictures of a hidden window.
#include "desktop/window_pbuffer.h"

#include <GL/glx.h>

#include "gl/extensions.h"

std::string askForSwapIntervalOne()
{
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !drawable)
        return std::string();
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (extensionListHas(extensions, "GLX_EXT_swap_control")) {
        using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);
        if (auto set = glEntryPointAs<SwapIntervalExt>("glXSwapIntervalEXT")) {
            set(display, drawable, 1);
            return "GLX_EXT_swap_control";
        }
    }
    if (extensionListHas(extensions, "GLX_MESA_swap_control")) {
        using SwapIntervalMesa = int (*)(unsigned int);
        if (auto set = glEntryPointAs<SwapIntervalMesa>("glXSwapIntervalMESA"))
            if (set(1) == 0)
                return "GLX_MESA_swap_control";
    }
    if (extensionListHas(extensions, "GLX_SGI_swap_control")) {
        using SwapIntervalSgi = int (*)(int);
        if (auto set = glEntryPointAs<SwapIntervalSgi>("glXSwapIntervalSGI"))
            if (set(1) == 0)
                return "GLX_SGI_swap_control";
    }
    return std::string();
}

std::string drawInWindowPbuffer(int width, int height, const std::function<void()>& draw)
{
    Display* display = glXGetCurrentDisplay();
    const GLXContext context = glXGetCurrentContext();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (!display || !context || !window)
        return "no window to draw for";
    int configId = 0;
    if (glXQueryContext(display, context, GLX_FBCONFIG_ID, &configId) != Success)
        return "the window's pixel format is unknown";
    const int wanted[] = {GLX_FBCONFIG_ID, configId, None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), wanted, &count);
    if (!configs || count == 0) {
        if (configs)
            XFree(configs);
        return "the window's pixel format is unknown";
    }
    const GLXFBConfig config = configs[0];
    XFree(configs);
    int drawableTypes = 0;
    glXGetFBConfigAttrib(display, config, GLX_DRAWABLE_TYPE, &drawableTypes);
    if (!(drawableTypes & GLX_PBUFFER_BIT))
        return "the window's pixel format cannot draw offscreen";
    const int size[] = {GLX_PBUFFER_WIDTH, width, GLX_PBUFFER_HEIGHT, height, None};
    const GLXPbuffer pbuffer = glXCreatePbuffer(display, config, size);
    if (!pbuffer)
        return "no offscreen buffer of the window's size";
    if (!glXMakeContextCurrent(display, pbuffer, pbuffer, context)) {
        glXDestroyPbuffer(display, pbuffer);
        return "cannot draw into an offscreen buffer";
    }
    draw();
    glXMakeContextCurrent(display, window, window, context);
    glXDestroyPbuffer(display, pbuffer);
    return std::string();
}
