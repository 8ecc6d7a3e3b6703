// Framebuffer-object entry points by name, with the suffix the current GL's version and
// extensions call for.
#include "gl/framebuffer_calls.h"

#include <cstdio>

#include "gl/extensions.h"

namespace {

template <typename Function>
void entry(Function& f, const char* name, const char* suffix)
{
    char full[64];
    std::snprintf(full, sizeof full, "%s%s", name, suffix);
    f = glEntryPointAs<Function>(full);
}

}  // namespace

bool findFramebufferCalls(FramebufferCalls& gl)
{
    gl = FramebufferCalls{};
    int major = 0, minor = 0;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version || std::sscanf(version, "%d.%d", &major, &minor) != 2)
        major = 0;
    const char* extensions = glExtensionList();
    const char* suffix = nullptr;
    if (major >= 3 || extensionListHas(extensions, "GL_ARB_framebuffer_object"))
        suffix = "";
    else if (extensionListHas(extensions, "GL_EXT_framebuffer_object") &&
             extensionListHas(extensions, "GL_EXT_framebuffer_blit"))
        suffix = "EXT";
    if (suffix == nullptr)
        return false;
    entry(gl.genFramebuffers, "glGenFramebuffers", suffix);
    entry(gl.bindFramebuffer, "glBindFramebuffer", suffix);
    entry(gl.genRenderbuffers, "glGenRenderbuffers", suffix);
    entry(gl.bindRenderbuffer, "glBindRenderbuffer", suffix);
    entry(gl.renderbufferStorage, "glRenderbufferStorage", suffix);
    entry(gl.framebufferRenderbuffer, "glFramebufferRenderbuffer", suffix);
    entry(gl.checkFramebufferStatus, "glCheckFramebufferStatus", suffix);
    entry(gl.blitFramebuffer, "glBlitFramebuffer", suffix);
    entry(gl.getRenderbufferParameter, "glGetRenderbufferParameteriv", suffix);
    if (*suffix == '\0')
        entry(gl.getAttachmentParameter, "glGetFramebufferAttachmentParameteriv", suffix);
    // A stub is handed out for any name (glvnd): ask for it only where GL says it has it.
    if (*suffix == '\0' || extensionListHas(extensions, "GL_EXT_framebuffer_multisample"))
        entry(gl.renderbufferStorageMultisample, "glRenderbufferStorageMultisample", suffix);
    return gl.genFramebuffers && gl.bindFramebuffer && gl.genRenderbuffers &&
           gl.bindRenderbuffer && gl.renderbufferStorage && gl.framebufferRenderbuffer &&
           gl.checkFramebufferStatus && gl.blitFramebuffer && gl.getRenderbufferParameter;
}
