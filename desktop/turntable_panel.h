// The panel's "Save turntable": frames drawn offscreen one an idle step, so the windows keep
// answering, encoded as an MP4 of the scene window's size; a second click or Esc cancels.
#pragma once

#include <string>

// Frames and rate of the panel's turntables (--frames, --fps; defaults 360 and 60).
void setPanelTurntableOptions(int frames, double fps);

// The button's action: starts a turntable of the scene as it is now and returns the status
// line, or cancels the one running (the status line says so) and returns an empty string.
std::string requestTurntableSave();
bool turntableRunning();

// Cancels a running turntable, leaving no file; false when none runs (Esc then quits).
bool cancelTurntable();

// The idle handler while the viewer runs: one turntable frame, then the scene's own idle work.
// Returns whether either has more.
bool idleWithTurntable();
