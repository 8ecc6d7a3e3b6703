// The page's WebGL 2 renderer: each frame drawn into a framebuffer, the still life less the
// globe's sphere kept in a second one and copied in while only the globe turns.
#include "web/renderer.h"

#include <GLES3/gl3.h>

#include "core/globe_rect.h"
#include "core/kept_picture.h"
#include "core/scene_state.h"
#include "core/view_math.h"
#include "web/scene_draw.h"
#include "web/shader.h"

namespace {

// ---- The kept picture: the still life less the sphere, copied in while only the globe turns

// A framebuffer object with 8-bit RGBA colour and 24-bit depth: copies between two of them
// lose nothing, depth included (WebGL copies depth only between equal formats).
struct Target {
    GLuint framebuffer = 0, colour = 0, depth = 0;
};

struct KeptPicture {
    bool enabled = true;  // a switch for measuring whole frames
    bool failed = false;  // GL refused: whole frames straight to the canvas from now on
    // Frames are drawn in `work`, then copied to the canvas; `kept` holds the picture.
    Target work, kept;
    int width = 0, height = 0;  // of both; 0 when there are none
    bool copyChecked = false;   // a frame copied from `kept` showed no GL error
    bool valid = false;         // `kept` holds a picture of `basis`
    KeptPictureBasis basis;
    bool basisSmallerVase = false;  // `kept` shows the vase drawn while the view moves
    bool hasLast = false;
    KeptPictureBasis last;     // of the frame before, kept or not
    bool lastChanged = false;  // that frame showed a change besides the globe
    bool lastFromKept = false;
} kept;

// ---- Antialiasing: frames drawn into a multisampled framebuffer and resolved onto the canvas.
// WebGL 2 copies nothing into a multisampled framebuffer, so no picture of the still life can
// be kept sample for sample; the canvas keeps its last frame instead (its drawing buffer is
// preserved), and while only the globe turns just the sphere's rectangle is drawn anew, every
// piece clipped to it, and resolved onto the canvas.
struct Smoothed {
    int samples = 0;            // asked for; 0: the canvas is drawn directly
    int given = 0;              // the framebuffer's own count
    Target frame;     // multisampled, the canvas's size
    // One sample, the same format: a multisampled source resolves only into its own format,
    // which the canvas (no alpha) does not have, so it resolves here and is copied on.
    Target resolved;
    int width = 0, height = 0;  // of both; 0 when there are none
    bool valid = false;         // the canvas and `frame` hold the whole frame of `basis`
    KeptPictureBasis basis;
    bool basisSmallerVase = false;
} smoothed;

void drainErrors()
{
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

void releaseTargets(KeptPicture& k)
{
    for (Target* t : {&k.work, &k.kept}) {
        glDeleteFramebuffers(1, &t->framebuffer);
        glDeleteRenderbuffers(1, &t->colour);
        glDeleteRenderbuffers(1, &t->depth);
        *t = Target{};
    }
    k.width = k.height = 0;
    k.valid = false;
    k.hasLast = false;
    k.copyChecked = false;
}

void giveUp(KeptPicture& k)
{
    releaseTargets(k);
    k.failed = true;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    drainErrors();
}

// Colour and depth of width x height, multisampled when `samples` is above 0.
bool makeTarget(Target& t, int width, int height, int samples = 0)
{
    glGenFramebuffers(1, &t.framebuffer);
    glGenRenderbuffers(1, &t.colour);
    glGenRenderbuffers(1, &t.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, t.colour);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, t.depth);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, width,
                                     height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, t.colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, t.depth);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return complete;
}

// Both framebuffers at the canvas's size, made anew when it changes; false if GL refuses.
bool ensureTargets(KeptPicture& k, int width, int height)
{
    if (k.width == width && k.height == height)
        return true;
    // The old size's storage goes first, so that a resize never holds four pictures.
    releaseTargets(k);
    drainErrors();
    if (!makeTarget(k.work, width, height) || !makeTarget(k.kept, width, height) || glGetError() != GL_NO_ERROR)
        return false;
    k.width = width;
    k.height = height;
    return true;
}

// Copies `mask` of the whole of `from` into framebuffer `to` (0: the canvas), both of
// width x height; leaves no framebuffer bound for reading.
void blit(const Target& from, GLuint to, int width, int height, GLbitfield mask)
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, mask, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}

void releaseSmoothed(Smoothed& m)
{
    for (Target* t : {&m.frame, &m.resolved}) {
        glDeleteFramebuffers(1, &t->framebuffer);
        glDeleteRenderbuffers(1, &t->colour);
        glDeleteRenderbuffers(1, &t->depth);
        *t = Target{};
    }
    m.width = m.height = 0;
    m.valid = false;
}

// The multisampled framebuffer at the canvas's size; false if GL refuses it.
bool ensureSmoothed(Smoothed& m, int width, int height)
{
    if (m.width == width && m.height == height)
        return true;
    releaseSmoothed(m);
    drainErrors();
    if (!makeTarget(m.frame, width, height, m.samples) ||
        !makeTarget(m.resolved, width, height) || glGetError() != GL_NO_ERROR) {
        releaseSmoothed(m);
        return false;
    }
    m.width = width;
    m.height = height;
    return true;
}

// Draws `state` into the multisampled framebuffer and resolves it onto the canvas: only the
// sphere's rectangle when the canvas holds the last frame and only the globe turned since.
void drawSmoothed(const SceneState& state, int width, int height)
{
    Smoothed& m = smoothed;
    const KeptPictureBasis now{state, squareViewport(width, height)};
    const bool smaller = smallerVaseNow(state);
    const bool onlyGlobe = kept.enabled && m.valid && !keptPictureStale(m.basis, now) &&
                           m.basisSmallerVase == smaller;
    const Viewport& v = now.viewport;
    PixelRect r{0, 0, width, height};
    glBindFramebuffer(GL_FRAMEBUFFER, m.frame.framebuffer);
    if (onlyGlobe) {
        r = globeScreenRect(state, v);
        glEnable(GL_SCISSOR_TEST);
        glScissor(r.x, r.y, r.width, r.height);
    }
    drawParts(state, width, height, Parts::All);
    glDisable(GL_SCISSOR_TEST);
    // A multisampled source maps each rectangle onto itself.
    for (GLuint from : {m.frame.framebuffer, m.resolved.framebuffer}) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, from == m.frame.framebuffer ? m.resolved.framebuffer : 0);
        glBlitFramebuffer(r.x, r.y, r.x + r.width, r.y + r.height, r.x, r.y, r.x + r.width,
                          r.y + r.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    m.valid = true;
    m.basis = now;
    m.basisSmallerVase = smaller;
    kept.lastFromKept = onlyGlobe;
}

}  // namespace

int setRendererSamples(int samples)
{
    Smoothed& m = smoothed;
    releaseSmoothed(m);
    m.samples = m.given = 0;
    if (samples <= 0)
        return 0;
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    int n = samples < most ? samples : most;
    for (; n > 0; n /= 2) {
        Target probe;
        drainErrors();
        const bool made = makeTarget(probe, 1, 1, n) && glGetError() == GL_NO_ERROR;
        GLint given = 0;
        if (made) {
            glBindRenderbuffer(GL_RENDERBUFFER, probe.colour);
            glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &given);
            glBindRenderbuffer(GL_RENDERBUFFER, 0);
        }
        glDeleteFramebuffers(1, &probe.framebuffer);
        glDeleteRenderbuffers(1, &probe.colour);
        glDeleteRenderbuffers(1, &probe.depth);
        if (made && given > 0 && given <= samples) {
            m.samples = n;
            m.given = given;
            return given;
        }
    }
    return 0;
}

bool initRenderer(std::string& why)
{
    if (!buildProgram(why))
        return false;
    initSceneBuffers();

    glEnable(GL_DEPTH_TEST);
    // Opaque, as the canvas is: what is copied to it is what it shows.
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (GLuint a : {kTexCoord, kNormal, kPosition})
        glEnableVertexAttribArray(a);
    return true;
}

void resetRenderer()
{
    program = Program{};
    resetSceneBuffers();
    const bool enabled = kept.enabled;
    kept = KeptPicture{};
    kept.enabled = enabled;
    const int samples = smoothed.samples, given = smoothed.given;
    smoothed = Smoothed{};
    smoothed.samples = samples;
    smoothed.given = given;
}

void drawScene(const SceneState& state, int width, int height)
{
    KeptPicture& k = kept;
    const bool empty = width <= 0 || height <= 0;
    if (smoothed.samples > 0 && !empty) {
        if (ensureSmoothed(smoothed, width, height)) {
            drawSmoothed(state, width, height);
            return;
        }
        smoothed.samples = smoothed.given = 0;  // refused at this size: drawn plainly from now on
    }
    if (k.enabled && !k.failed && !empty && !ensureTargets(k, width, height))
        giveUp(k);
    if (!k.enabled || k.failed || empty) {
        drawParts(state, width, height, Parts::All);
        k.lastFromKept = false;
        return;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, k.work.framebuffer);
    const KeptPictureBasis now{state, squareViewport(width, height)};
    const bool changed = !k.hasLast || keptPictureStale(k.last, now);
    const bool smaller = smallerVaseNow(state);
    const KeptFrameChoice choice = chooseKeptFrame(
        k.valid && !keptPictureStale(k.basis, now) && k.basisSmallerVase == smaller, changed,
        k.lastChanged);
    const bool fromKept = choice == KeptFrameChoice::CopyKept;
    if (fromKept) {
        blit(k.kept, k.work.framebuffer, width, height, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else {
        drawParts(state, width, height, Parts::AllButGlobe);
        k.valid = false;
        if (choice == KeptFrameChoice::DrawAndKeep) {
            blit(k.work, k.kept.framebuffer, width, height,
                 GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            k.basis = now;
            k.basisSmallerVase = smaller;
            k.valid = true;
        }
    }
    k.hasLast = true;
    k.last = now;
    k.lastChanged = changed;
    glBindFramebuffer(GL_FRAMEBUFFER, k.work.framebuffer);
    drawParts(state, width, height, Parts::GlobeOnly);
    blit(k.work, 0, width, height, GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // Asking GL for errors waits for it: asked on frames that drew or kept the picture, and
    // on the first copied one after each allocation.
    if (!fromKept || !k.copyChecked) {
        if (glGetError() != GL_NO_ERROR) {
            giveUp(k);
            drawParts(state, width, height, Parts::All);
            k.lastFromKept = false;
            return;
        }
        k.copyChecked = k.copyChecked || fromKept;
    }
    k.lastFromKept = fromKept;
}

void setKeptPictureEnabled(bool enabled)
{
    smoothed.valid = false;
    if (!enabled)
        releaseTargets(kept);
    kept.enabled = enabled;
}

bool lastFrameFromKeptPicture()
{
    return kept.lastFromKept;
}
