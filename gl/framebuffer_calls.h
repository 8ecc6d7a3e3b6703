// Framebuffer-object entry points found at run time, for the kept picture and multisampled
// pictures: GL 3.0 and ARB_framebuffer_object, or the EXT extensions.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

// GL 3.0 and ARB_framebuffer_object share names and enums; EXT_framebuffer_object and
// EXT_framebuffer_blit add "EXT" to the names, same enums.
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
    PFNGLGETRENDERBUFFERPARAMETERIVPROC getRenderbufferParameter = nullptr;
    // GL 3.0 and ARB only: EXT cannot ask about the window's own buffers.
    PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVPROC getAttachmentParameter = nullptr;
    // Null where neither GL 3.0, ARB nor EXT_framebuffer_multisample offers it.
    PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC renderbufferStorageMultisample = nullptr;
};

// Fills `gl` in the current context; false when it lacks any call but the two optional ones.
bool findFramebufferCalls(FramebufferCalls& gl);
