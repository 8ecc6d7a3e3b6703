// Frames that cost what changed: the still life less the globe's sphere kept in a framebuffer
// object, copied into the window while only the globe turns.
#include "gl/kept_picture.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>
#include <cstring>

#include "core/globe_rect.h"
#include "core/kept_picture.h"
#include "core/settings.h"
#include "core/scene_state.h"
#include "gl/framebuffer_calls.h"
#include "gl/frame.h"
#include "gl/overlays.h"
#include "gl/vase_draw.h"

namespace {


enum class Support { Undecided, Yes, No };

struct KeptPicture {
    Support support = Support::Undecided;
    FramebufferCalls gl;
    GLenum colourFormat = 0;  // matches the window's colour bits
    GLenum depthFormat = 0;   // and its depth and stencil bits, so depth copies exactly
    int depthBits = 0;        // the window's
    bool stencil = false;
    int samples = 0;      // the window's samples a pixel; the picture keeps as many
    GLuint target = 0;    // the framebuffer frames are drawn into (0: the window's)
    GLuint framebuffer = 0, colour = 0, depth = 0;
    int width = 0, height = 0;  // of the storage; 0 when there is none
    int failedWidth = -1, failedHeight = -1;  // storage refused at this size
    bool valid = false;                       // holds a picture of `basis`
    KeptPictureBasis basis;
    bool hasLast = false;
    KeptPictureBasis last;     // of the frame before, kept or not
    bool lastChanged = false;  // that frame showed a change besides the globe
    // vaseAppearance() of the kept picture and of the frame before: the vase drawn can change
    // with the settings unchanged (a mesh built meanwhile, the smaller vase of a moving view).
    unsigned long vase = 0, lastVase = 0;
    // overlayAppearance() of the same two: the mesh's lines arrive after the vase they cover.
    unsigned long lines = 0, lastLines = 0;
    // The last frame was the kept picture and the sphere over it: the target then holds the
    // kept picture but inside the sphere's rectangle.
    bool lastDrawnFromKept = false;
};
KeptPicture kept;
KeptFrame lastFrame = KeptFrame::Whole;
bool lastWhole = true;  // the last frame changed the whole window
PixelRect lastRect;     // else only this

bool switchedOff()
{
    const char* value = std::getenv("TOLVANE_KEPT_PICTURE");
    return value != nullptr && std::strcmp(value, "0") == 0;
}

void drainErrors()
{
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// Formats that hold the window's pixels exactly: 8 bits a colour channel (a copy between two
// such formats loses nothing) and the window's own depth and stencil sizes (GL copies depth
// only between equal formats). A multisampled window is kept in storage of its own sample
// count, whose samples GL copies one for one.
bool chooseFormats(KeptPicture& k)
{
    GLint red = 0, green = 0, blue = 0, alpha = 0, depth = 0, stencil = 0, samples = 0;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    glGetIntegerv(GL_ALPHA_BITS, &alpha);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetIntegerv(GL_SAMPLE_BUFFERS, &samples);
    if (samples != 0) {
        glGetIntegerv(GL_SAMPLES, &samples);
        if (!k.gl.renderbufferStorageMultisample)
            return false;
    }
    k.samples = samples;
    if (red != 8 || green != 8 || blue != 8 || (alpha != 0 && alpha != 8))
        return false;
    k.colourFormat = alpha == 8 ? GL_RGBA8 : GL_RGB8;
    k.stencil = stencil != 0;
    k.depthBits = depth;
    // A software renderer's window may have a 32-bit depth buffer (llvmpipe under Xvfb does),
    // fixed point unless GL says it is float.
    GLint depthType = GL_UNSIGNED_NORMALIZED;
    if (k.gl.getAttachmentParameter) {
        drainErrors();
        k.gl.getAttachmentParameter(GL_DRAW_FRAMEBUFFER,
                                    k.target == 0 ? GL_DEPTH : GL_DEPTH_ATTACHMENT,
                                    GL_FRAMEBUFFER_ATTACHMENT_COMPONENT_TYPE, &depthType);
        if (glGetError() != GL_NO_ERROR)
            depthType = GL_UNSIGNED_NORMALIZED;
    }
    // At most 4 bytes a pixel for depth, as for colour.
    if (depth == 24 && stencil == 8)
        k.depthFormat = GL_DEPTH24_STENCIL8;
    else if (stencil != 0)
        return false;
    else if (depth == 32)
        k.depthFormat = depthType == GL_FLOAT ? GL_DEPTH_COMPONENT32F : GL_DEPTH_COMPONENT32;
    else if (depth == 24)
        k.depthFormat = GL_DEPTH_COMPONENT24;
    else if (depth == 16)
        k.depthFormat = GL_DEPTH_COMPONENT16;
    else
        return false;
    return true;
}

// Storage of width x height, multisampled as the window is.
void store(const KeptPicture& k, GLenum format, int width, int height)
{
    if (k.samples > 0)
        k.gl.renderbufferStorageMultisample(GL_RENDERBUFFER, k.samples, format, width, height);
    else
        k.gl.renderbufferStorage(GL_RENDERBUFFER, format, width, height);
}

void releaseStorage(KeptPicture& k)
{
    k.gl.bindRenderbuffer(GL_RENDERBUFFER, k.colour);
    k.gl.renderbufferStorage(GL_RENDERBUFFER, k.colourFormat, 1, 1);
    k.gl.bindRenderbuffer(GL_RENDERBUFFER, k.depth);
    k.gl.renderbufferStorage(GL_RENDERBUFFER, k.depthFormat, 1, 1);
    k.gl.bindRenderbuffer(GL_RENDERBUFFER, 0);
    drainErrors();
    k.width = k.height = 0;
}

// Storage of width x height for colour and depth; false (and none kept) if GL refuses it.
bool ensureStorage(KeptPicture& k, int width, int height)
{
    if (k.width == width && k.height == height)
        return true;
    if (k.failedWidth == width && k.failedHeight == height)
        return false;
    FramebufferCalls& gl = k.gl;
    drainErrors();
    if (k.framebuffer == 0) {
        gl.genFramebuffers(1, &k.framebuffer);
        gl.genRenderbuffers(1, &k.colour);
        gl.genRenderbuffers(1, &k.depth);
    }
    k.valid = false;
    // Storage at the new size replaces the old; the old size's is released first, so a
    // resize never holds two pictures at once.
    GLint samples = 0;
    gl.bindRenderbuffer(GL_RENDERBUFFER, k.colour);
    gl.renderbufferStorage(GL_RENDERBUFFER, k.colourFormat, 1, 1);
    store(k, k.colourFormat, width, height);
    gl.getRenderbufferParameter(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &samples);
    gl.bindRenderbuffer(GL_RENDERBUFFER, k.depth);
    gl.renderbufferStorage(GL_RENDERBUFFER, k.depthFormat, 1, 1);
    store(k, k.depthFormat, width, height);
    // GL may store a format it lacks in a deeper one, or round a sample count up; a copy
    // needs the window's depth and samples.
    GLint depthBits = 0;
    gl.getRenderbufferParameter(GL_RENDERBUFFER, GL_RENDERBUFFER_DEPTH_SIZE, &depthBits);
    gl.bindRenderbuffer(GL_RENDERBUFFER, 0);
    gl.bindFramebuffer(GL_FRAMEBUFFER, k.framebuffer);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, k.colour);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, k.depth);
    if (k.stencil)
        gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                   k.depth);
    const bool complete = gl.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    gl.bindFramebuffer(GL_FRAMEBUFFER, k.target);
    if (!complete || depthBits != k.depthBits || samples != k.samples ||
        glGetError() != GL_NO_ERROR) {
        // Give back what was granted; try again only at another size.
        releaseStorage(k);
        k.failedWidth = width;
        k.failedHeight = height;
        return false;
    }
    k.width = width;
    k.height = height;
    return true;
}

// Where the kept picture holds window pixel (x, y): a multisampled copy must map every
// rectangle onto itself, so that storage spans the window from its origin; a single-sampled
// one holds the viewport alone, from its own origin.
int keptX(const KeptPicture& k, const Viewport& v, int x)
{
    return k.samples > 0 ? x : x - v.x;
}
int keptY(const KeptPicture& k, const Viewport& v, int y)
{
    return k.samples > 0 ? y : y - v.y;
}

// Copies the kept picture's pixels of window rectangle r, colour and depth, into the target.
void copyKeptRect(const KeptPicture& k, const Viewport& v, const PixelRect& r)
{
    k.gl.bindFramebuffer(GL_READ_FRAMEBUFFER, k.framebuffer);
    k.gl.blitFramebuffer(keptX(k, v, r.x), keptY(k, v, r.y), keptX(k, v, r.x + r.width),
                         keptY(k, v, r.y + r.height), r.x, r.y, r.x + r.width, r.y + r.height,
                         GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    k.gl.bindFramebuffer(GL_READ_FRAMEBUFFER, k.target);
}

// Copies the kept picture into the viewport of the target over a cleared target (the margins
// beside the viewport stay cleared).
void copyKeptPicture(const KeptPicture& k, const Viewport& v)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    copyKeptRect(k, v, PixelRect{v.x, v.y, v.width, v.height});
}

// Keeps the viewport of the target, which holds everything but the sphere.
// The picture is drawn in the window and only copied: a software renderer may round a
// colour differently in another pixel format, and a copy between two 8-bit formats cannot.
void keepPicture(KeptPicture& k, const KeptPictureBasis& now)
{
    const Viewport& v = now.viewport;
    k.valid = false;
    const int width = k.samples > 0 ? v.x + v.width : v.width;
    const int height = k.samples > 0 ? v.y + v.height : v.height;
    if (v.width <= 0 || v.height <= 0 || !ensureStorage(k, width, height))
        return;
    drainErrors();
    k.gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, k.framebuffer);
    k.gl.blitFramebuffer(v.x, v.y, v.x + v.width, v.y + v.height, keptX(k, v, v.x),
                         keptY(k, v, v.y), keptX(k, v, v.x + v.width),
                         keptY(k, v, v.y + v.height),
                         GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    k.gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, k.target);
    if (glGetError() != GL_NO_ERROR) {
        // GL will not copy between these formats: draw every frame whole from now on.
        k.support = Support::No;
        releaseStorage(k);
        return;
    }
    k.basis = now;
    k.valid = true;
}

// The vase's settings show only through vaseAppearance(): until the mesh for new ones is built,
// the old vase is drawn, and a picture kept of it still holds.
bool staleButForVase(const KeptPictureBasis& kept, KeptPictureBasis now)
{
    copyPart(PicturePart::Vase, kept.state, now.state);
    return keptPictureStale(kept, now);
}

Viewport currentViewport()
{
    GLint v[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, v);
    return Viewport{v[0], v[1], v[2], v[3]};
}

GLuint boundDrawFramebuffer()
{
    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    return static_cast<GLuint>(bound);
}

// The sphere over what the target holds, inside its screen rectangle only: it changes no pixel
// outside, and the renderer then skips the rest of the window.
void drawGlobeInside(const SceneState& state, const PixelRect& r)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(r.x, r.y, r.width, r.height);
    drawFrameParts(state, FrameParts::GlobeOnly);
    glDisable(GL_SCISSOR_TEST);
}

}  // namespace

void drawFrameKeepingStill(const SceneState& state, bool targetHoldsLastFrame)
{
    KeptPicture& k = kept;
    if (k.support == Support::Undecided) {
        k.target = boundDrawFramebuffer();
        k.support = !switchedOff() && findFramebufferCalls(k.gl) && chooseFormats(k)
                        ? Support::Yes
                        : Support::No;
    }
    lastWhole = true;
    if (k.support == Support::No) {
        drawFrame(state);
        lastFrame = KeptFrame::Whole;
        return;
    }
    KeptPictureBasis now{state, currentViewport()};
    const unsigned long vase = vaseAppearance(state);
    const unsigned long lines = overlayAppearance(state);
    const bool changed = !k.hasLast || staleButForVase(k.last, now) || vase != k.lastVase ||
                         lines != k.lastLines;
    const bool matches =
        k.valid && !staleButForVase(k.basis, now) && vase == k.vase && lines == k.lines;
    const KeptFrameChoice choice = chooseKeptFrame(matches, changed, k.lastChanged);
    const PixelRect globe = globeScreenRect(state, now.viewport);
    if (choice == KeptFrameChoice::CopyKept) {
        // A copied frame follows a kept or copied one of the same picture, whose pixels
        // differ from the kept picture only inside this same rectangle (the sphere is round:
        // its rectangle holds at every angle).
        if (targetHoldsLastFrame && k.lastDrawnFromKept) {
            copyKeptRect(k, now.viewport, globe);
            lastWhole = false;
            lastRect = globe;
        } else {
            copyKeptPicture(k, now.viewport);
        }
        lastFrame = KeptFrame::FromKept;
    } else {
        drawFrameParts(state, FrameParts::AllButGlobe);
        k.valid = false;
        if (choice == KeptFrameChoice::DrawAndKeep) {
            keepPicture(k, now);
            k.vase = vase;
            k.lines = lines;
        }
        lastFrame = k.valid ? KeptFrame::Renewed : KeptFrame::Whole;
    }
    k.hasLast = true;
    k.last = now;
    k.lastVase = vase;
    k.lastLines = lines;
    k.lastChanged = changed;
    k.lastDrawnFromKept = k.valid;
    if (k.valid)
        drawGlobeInside(state, globe);
    else
        drawFrameParts(state, FrameParts::GlobeOnly);
}

bool lastFrameChangedWholeWindow()
{
    return lastWhole;
}

PixelRect lastFrameChangedRect()
{
    return lastRect;
}

KeptFrame lastKeptFrame()
{
    return lastFrame;
}

unsigned long keptPictureBytes()
{
    // 4 bytes a pixel each: drivers keep 8-bit RGB, and 24-bit depth, in 32-bit words; as many
    // times over as the window has samples.
    const unsigned long samples = kept.samples > 0 ? static_cast<unsigned long>(kept.samples) : 1;
    return static_cast<unsigned long>(kept.width) * static_cast<unsigned long>(kept.height) * 8 *
           samples;
}
