// The page's WebGL 2 renderer: each frame drawn into a framebuffer, the still life less the
// globe's sphere kept in a second one and copied in while only the globe turns.
#include "web/renderer.h"

#include <GLES3/gl3.h>

#include "core/kept_picture.h"
#include "web/flat_draw.h"
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

bool makeTarget(Target& t, int width, int height)
{
    glGenFramebuffers(1, &t.framebuffer);
    glGenRenderbuffers(1, &t.colour);
    glGenRenderbuffers(1, &t.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, t.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, t.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
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

}  // namespace

bool initRenderer(std::string& why)
{
    if (!buildProgram(why) || !buildFlatProgram(why))
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
    resetFlatProgram();
    resetSceneBuffers();
    const bool enabled = kept.enabled;
    kept = KeptPicture{};
    kept.enabled = enabled;
}

void drawScene(const SceneState& state, int width, int height)
{
    KeptPicture& k = kept;
    const bool empty = width <= 0 || height <= 0;
    if (k.enabled && !k.failed && !empty && !ensureTargets(k, width, height))
        giveUp(k);
    if (!k.enabled || k.failed || empty || !framesMayBeKept(state)) {
        drawParts(state, width, height, Parts::All);
        k.lastFromKept = false;
        return;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, k.work.framebuffer);
    const KeptPictureBasis now{state, squareViewport(width, height)};
    const bool changed = !k.hasLast || keptPictureStale(k.last, now);
    const bool smaller = smallerVaseNow(state);
    const bool fromKept =
        k.valid && !keptPictureStale(k.basis, now) && k.basisSmallerVase == smaller;
    if (fromKept) {
        blit(k.kept, k.work.framebuffer, width, height, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else {
        drawParts(state, width, height, Parts::AllButGlobe);
        // While the scene changes frame after frame (a drag), a picture kept would be stale
        // at once and its copy only slows each frame: keep the first frame of a change and
        // the first after it.
        k.valid = false;
        if (!(changed && k.lastChanged)) {
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
    if (!enabled)
        releaseTargets(kept);
    kept.enabled = enabled;
}

bool lastFrameFromKeptPicture()
{
    return kept.lastFromKept;
}
