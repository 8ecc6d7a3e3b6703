// Frames that cost what changed: while only the globe turns, the rest of the still life is
// copied from a picture kept offscreen and the sphere drawn over it.
#pragma once

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
// window's pixel format can be copied exactly (8-bit RGB, 16- or 24-bit depth, one sample);
// else, or with TOLVANE_KEPT_PICTURE=0 in the environment, draws every frame whole. Leaves
// the window's framebuffer bound for reading and drawing. For the scene window's context
// only: pictures drawn in another context (offscreen) use drawFrame().
void drawFrameKeepingStill(const SceneState& state);

KeptFrame lastKeptFrame();

// Bytes the kept picture's colour and depth storage take (0 when there is none).
unsigned long keptPictureBytes();
