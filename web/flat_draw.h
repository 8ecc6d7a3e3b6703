// The page's flat drawing beside the lit still life: the checkerboard behind a transparent
// background and the props' shadows on the table top, on WebGL 2.
#pragma once

#include <string>

#include "core/mat4.h"

// Compiles the flat program and makes its buffer in the current context; false with `why` set.
bool buildFlatProgram(std::string& why);
// Forgets the program and buffer of a lost context.
void resetFlatProgram();

// What a frame's empty background shows.
enum class Backdrop {
    AsShown,  // white, or the checkerboard while transparentBackground is on
    Black,    // for a transparent picture: the frame over black, then over white
    White,
};
void setBackdrop(Backdrop backdrop);
Backdrop backdrop();

// Right after the clear: the checkerboard over the viewport, writing no depth.
void drawCheckerboard();

// The shadows' three passes (see the desktop's drawTableShadows): begin with the stamp, during
// which each caster is drawn after stampCaster(its view-frame matrix); then darken the face
// once where a stamp lies and give it back its depth. `view` is the camera times the view
// rotation, `flatten` the core's shadow projection. Each leaves the lit program in use.
void beginShadowStamp(const Mat4& projection);
void stampCaster(const Mat4& view, const Mat4& flatten, const Mat4& place);
void finishShadows(const Mat4& view);
