// The one line said when background work first falls back to the foreground or runs out.
#include "core/background_work.h"

#include <mutex>

namespace {

std::mutex noticeLock;
std::string notice;  // waiting to be said
bool said = false;   // a line was noted already: later ones would repeat it

}  // namespace

void noteBackgroundWork(const std::string& line)
{
    const std::lock_guard<std::mutex> hold(noticeLock);
    if (!said) {
        notice = line;
        said = true;
    }
}

std::string takeBackgroundWorkNotice()
{
    const std::lock_guard<std::mutex> hold(noticeLock);
    std::string line;
    line.swap(notice);
    return line;
}
