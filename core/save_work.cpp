// What "Save picture" and "Export vase" say, their file names, and the burst gate of their clicks.
#include "core/save_work.h"

#include "core/export/numbered_file.h"

const char* const kNothingToExport = "Nothing to export: the vase has no steps";

const char* workStem(SaveWork work)
{
    return work == SaveWork::Picture ? "tolvane" : "tolvane-vase";
}

const char* workExtension(SaveWork work)
{
    return work == SaveWork::Picture ? ".png" : ".glb";
}

std::string workFileName(SaveWork work, int number)
{
    return numberedName(workStem(work), number, workExtension(work));
}

std::string workBusyText(SaveWork work, const std::string& name)
{
    return (work == SaveWork::Picture ? "Saving... " : "Exporting... ") + name;
}

std::string workDoneText(SaveWork work, const std::string& name)
{
    return (work == SaveWork::Picture ? "Saved " : "Exported ") + name;
}

std::string workFailedText(SaveWork work, const std::string& why)
{
    return (work == SaveWork::Picture ? "Could not save a picture: " : "Could not export the vase: ") +
           why;
}

bool burstDropsPress(BurstGate& gate, bool working, long long nowMs)
{
    if (!working && nowMs - gate.lastPressMs >= kBurstGapMs)
        return false;
    gate.lastPressMs = nowMs;
    return true;
}

void continueBurst(BurstGate& gate, long long nowMs)
{
    gate.lastPressMs = nowMs;
}

void noteFrameInBurst(BurstGate& gate, long long nowMs, double frameMs)
{
    if (nowMs - static_cast<long long>(frameMs) - gate.lastPressMs < kBurstGapMs)
        gate.lastPressMs = nowMs;
}
