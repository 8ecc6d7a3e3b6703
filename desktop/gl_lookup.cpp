// How the desktop's GL contexts, windowed and offscreen, find entry points by name.
#include "desktop/gl_lookup.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include "gl/extensions.h"

namespace {

void (*glxEntryPoint(const char* name))()
{
    return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
}

}  // namespace

void useGlxEntryPoints()
{
    setGlEntryPointLookup(glxEntryPoint);
}
