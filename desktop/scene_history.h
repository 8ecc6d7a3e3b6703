// The desktop's one undo history: steps begun and ended by the scene window's and the panel's
// input, the keys that walk it, and the page link printed on a key.
#pragma once

// A drag: begun on the press, ended on the release.
void beginViewStep();
void endViewStep();
// One notch of the wheel; a burst ends as one step once the wheel has been still a moment.
void noteWheelStep();
// A change made at once (a key such as c or s, a button such as "Reset view"): call before,
// then after it.
void beginInstantStep();
void endInstantStep(unsigned scope);

// The panel's frames: a change of its controls is a step once no mouse button is held in it
// (an arrow held down repeats within one step).
void beginPanelFrameStep();
void endPanelFrameStep(bool mouseHeld);

// Undoes (or redoes) the newest step, the panel's unrecorded change first; the scene and panel
// are redrawn after a change.
void undoOrRedo(bool redo);

// Remembers the view as it is now as the one `r` and "Reset view" go back to.
void rememberStartView();
// "Reset view" and `r`, as one undo step: rotation, zoom and the turn about Y back to the
// remembered view.
void resetViewAsStep();
// The panel's hooks into this history (setPanelHistoryHooks).
void connectPanelHistory();

// `p`: the current scene's page link on standard output (TOLVANE_PAGE names the page's
// address, default kDefaultPageAddress).
void printPageLink();
