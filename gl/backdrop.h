// The light checkerboard a window shows behind the still life while the background of its
// pictures is transparent.
#pragma once

struct SceneState;

// Whether frames drawn from now on show the checkerboard when transparentBackground is on:
// a window's frames do, a picture's never (off until a front end turns it on).
void showCheckerboard(bool shown);
bool checkerboardShown();

// Right after a frame's clear: fills the viewport with the checkerboard, writing no depth,
// when it is shown and transparentBackground is on; else draws nothing. GL state ends as it
// began.
void drawBackdrop(const SceneState& state);
