// What "Save picture" and "Export vase" say on both front ends, what their files are named, and
// which clicks on them a burst swallows; how long a brief message stays. No GL, no printing.
#pragma once

#include <string>

enum class SaveWork { Picture, Vase };

// The numbered file: tolvane-NNN.png, tolvane-vase-NNN.glb.
const char* workStem(SaveWork work);
const char* workExtension(SaveWork work);
// The work's file with `number` (numberedName).
std::string workFileName(SaveWork work, int number);

// The status line while the work runs ("Saving... tolvane-001.png", "Exporting...
// tolvane-vase-001.glb"), once it is done ("Saved ...", "Exported ..."), and why it failed
// ("Could not save a picture: WHY").
std::string workBusyText(SaveWork work, const std::string& name);
std::string workDoneText(SaveWork work, const std::string& name);
std::string workFailedText(SaveWork work, const std::string& why);
// A vase of no steps has no triangles to write.
extern const char* const kNothingToExport;

// A brief message (a refused or clamped value, a busy line) goes after this long, unless
// another replaces it first; milliseconds.
constexpr int kBriefMessageMs = 4000;

// Presses made while a save or export runs, and those after it less than kBurstGapMs apart, are
// one burst with the click that started the work: only that click does anything.
constexpr int kBurstGapMs = 500;
struct BurstGate {
    long long lastPressMs = -(1LL << 40);  // the last press of the burst, in the front end's clock
};

// Whether a press at `nowMs` belongs to a burst and is dropped: one made while `working`, or
// less than kBurstGapMs after the burst's last press. A dropped press carries the burst on, so
// impatient clicks make one file however long the work took; a click after the work ended,
// with none during it, is a new one.
bool burstDropsPress(BurstGate& gate, bool working, long long nowMs);
// Presses found queued when the work ended carry the burst on from `nowMs`.
void continueBurst(BurstGate& gate, long long nowMs);
// After a frame of `frameMs` that ended at `nowMs`: a press queued behind it (a 1000 x 1000 vase
// drawn whole) that began within the burst still belongs to it, as gaps count only time in
// which clicks could be taken.
void noteFrameInBurst(BurstGate& gate, long long nowMs, double frameMs);
