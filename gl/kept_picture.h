// Frames that cost what changed: while only the globe turns, the rest of the still life is
// copied from a picture kept offscreen and the sphere drawn over it.
#pragma once

#include "core/globe_rect.h"
struct SceneState;

// How the last drawKeepingStill frame was made.
enum class KeptFrame {
    Whole,    // every part drawn: no kept picture here, it is off, or it could not be kept
    Renewed,  // something besides the globe changed: the rest drawn, kept, the sphere over it
    FromKept  // only the globe's angle changed: the kept picture copied in, the sphere over it
};

// Draws the scene window's frame of `state` into the current draw buffer with the pixels
// drawFrame() would give. Keeps the viewport's pixels in a framebuffer object (GL 3.0,
// ARB_framebuffer_object, or EXT_framebuffer_object with EXT_framebuffer_blit) when the
// window's pixel format can be copied exactly (8-bit RGB, 16-, 24- or 32-bit depth, and a
// multisampled window's own sample count); else, or with TOLVANE_KEPT_PICTURE=0 in the
// environment, draws every frame whole. The draw framebuffer bound at the first call is the
// one every call draws into, and is left bound for reading and drawing. For one context only:
// pictures drawn in another context (offscreen) use drawFrame().
// `targetHoldsLastFrame`: the target still holds every pixel of the frame this drew last
// (nothing drew into it since, and presenting it left it as it was); then a frame that only
// turns the globe restores and draws the sphere's screen rectangle alone.
void drawFrameKeepingStill(const SceneState& state, bool targetHoldsLastFrame = false);

// Whether the last frame may have changed any pixel of the window; when not, it changed only
// those of lastFrameChangedRect() (window pixels, lower-left origin), all that needs presenting.
bool lastFrameChangedWholeWindow();
PixelRect lastFrameChangedRect();

KeptFrame lastKeptFrame();

// Bytes the kept picture's colour and depth storage take (0 when there is none).
unsigned long keptPictureBytes();
