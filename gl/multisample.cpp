// Multisampled drawing for pictures: framebuffer objects found at run time.
#include "gl/multisample.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "gl/framebuffer_calls.h"

namespace {

FramebufferCalls gl;
GLuint framebuffer = 0;
int pictureWidth = 0, pictureHeight = 0;

// A complete framebuffer with `samples`; the samples the colour buffer got, 0 on failure.
int tryFramebuffer(int width, int height, int samples)
{
    GLuint buffers[2] = {0, 0};
    gl.genFramebuffers(1, &framebuffer);
    gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    gl.genRenderbuffers(2, buffers);
    const GLenum formats[2] = {GL_RGB8, GL_DEPTH_COMPONENT24};
    const GLenum attachments[2] = {GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT};
    for (int k = 0; k < 2; ++k) {
        gl.bindRenderbuffer(GL_RENDERBUFFER, buffers[k]);
        gl.renderbufferStorageMultisample(GL_RENDERBUFFER, samples, formats[k], width, height);
        gl.framebufferRenderbuffer(GL_FRAMEBUFFER, attachments[k], GL_RENDERBUFFER, buffers[k]);
    }
    GLint given = 0;
    gl.bindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    gl.getRenderbufferParameter(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &given);
    if (glGetError() != GL_NO_ERROR ||
        gl.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE || given <= 0) {
        gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
        framebuffer = 0;  // the process ends after its picture; nothing is worth freeing
        return 0;
    }
    return given;
}

}  // namespace

int beginMultisampledPicture(int width, int height, int samples)
{
    if (samples <= 0 || !findFramebufferCalls(gl) || !gl.renderbufferStorageMultisample)
        return 0;
    while (glGetError() != GL_NO_ERROR) {
    }
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    int n = samples;
    while (n > most)
        n /= 2;
    for (; n > 0; n /= 2) {
        // A GL may round a count up (llvmpipe makes 4 of 2): more than asked for is refused.
        const int given = tryFramebuffer(width, height, n);
        if (given > 0 && given <= samples) {
            pictureWidth = width;
            pictureHeight = height;
            return given;
        }
        if (given > 0) {
            gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
            framebuffer = 0;
        }
    }
    return 0;
}

void resolveMultisampledPicture()
{
    if (framebuffer == 0)
        return;
    gl.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    gl.blitFramebuffer(0, 0, pictureWidth, pictureHeight, 0, 0, pictureWidth, pictureHeight,
                       GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
}

void rebindMultisampledPicture()
{
    if (framebuffer != 0)
        gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}
