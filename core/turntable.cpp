// The turntable's rules: which file kind, what is allowed, frame i's pose, the progress texts.
#include "core/turntable.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "core/scene_state.h"
#include "core/view_math.h"

namespace {

bool isPictureExtension(const std::string& extension)
{
    return extension == "png" || extension == "jpg" || extension == "jpeg";
}

// Where the conversion at `at` (a '%' not doubled) ends, one past its 'd'; 0 when it is none
// of the conversions a sequence takes.
size_t conversionEnd(const std::string& text, size_t at)
{
    size_t i = at + 1;
    if (i < text.size() && text[i] == '0') {
        ++i;
        if (i >= text.size() || text[i] < '1' || text[i] > '9')
            return 0;
        ++i;
    }
    return i < text.size() && text[i] == 'd' ? i + 1 : 0;
}

std::string whole(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

TurntableKind turntableKindOf(const std::string& path)
{
    const std::string extension = lowerExtension(path);
    if (extension == "mp4")
        return TurntableKind::Mp4;
    if (extension == "webm")
        return TurntableKind::Webm;
    if (extension == "gif")
        return TurntableKind::Gif;
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (isPictureExtension(extension) && name.find('%') != std::string::npos)
        return TurntableKind::Sequence;
    return TurntableKind::None;
}

int frameNumberConversions(const std::string& pattern)
{
    int count = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%')
            continue;
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            ++i;
            continue;
        }
        const size_t end = conversionEnd(pattern, i);
        if (end == 0)
            return -1;  // a '%' that is no frame number: the name is refused as it stands
        ++count;
        i = end - 1;
    }
    return count;
}

std::string sequenceFrameName(const std::string& pattern, int index)
{
    std::string name;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            name += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            name += '%';
            ++i;
            continue;
        }
        const size_t end = conversionEnd(pattern, i);
        if (end == 0) {
            name += '%';
            continue;
        }
        const int digits = end - i == 4 ? pattern[i + 2] - '0' : 0;
        char number[32];
        std::snprintf(number, sizeof number, "%0*d", digits, index);
        name += number;
        i = end - 1;
    }
    return name;
}

TurntablePlan planTurntable(const std::string& path, int frames, bool framesGiven, double fps,
                            bool fpsGiven, int width, int height)
{
    TurntablePlan plan;
    plan.kind = turntableKindOf(path);
    const auto refuse = [&plan](const std::string& why) {
        plan.message = why;
        return plan;
    };
    if (plan.kind == TurntableKind::None) {
        if (framesGiven || fpsGiven)
            return refuse(std::string(framesGiven ? "--frames" : "--fps") +
                          " needs --render of a turntable: a name ending in .mp4, .webm or .gif, "
                          "or numbered pictures such as frame-%04d.png");
        plan.frames = 1;
        plan.fps = 0;
        return plan;
    }
    if (framesGiven && (frames < 1 || frames > kMaxTurntableFrames))
        return refuse("--frames " + std::to_string(frames) + ": give from 1 to " +
                      std::to_string(kMaxTurntableFrames) + " frames");
    plan.frames = framesGiven ? frames : kDefaultTurntableFrames;
    if (plan.kind == TurntableKind::Sequence) {
        const int conversions = frameNumberConversions(path);
        if (conversions != 1)
            return refuse("--render " + path +
                          ": a name for numbered pictures holds exactly one frame number, %d or "
                          "%0Nd (such as frame-%04d.png); write a literal % as %%");
        if (fpsGiven)
            return refuse("--fps applies to videos; numbered pictures have no rate");
        plan.fps = 0;
        return plan;
    }
    const int highest = plan.kind == TurntableKind::Gif ? kDefaultGifFps : kMaxTurntableFps;
    if (fpsGiven && !(fps >= 1 && fps <= highest))
        return refuse("--fps " + whole(fps) + ": give from 1 to " + std::to_string(highest) +
                      " frames a second" +
                      (plan.kind == TurntableKind::Gif
                           ? " for a GIF (its players show faster frames at 10 a second)"
                           : ""));
    plan.fps = fpsGiven ? fps : plan.kind == TurntableKind::Gif ? kDefaultGifFps
                                                                : kDefaultVideoFps;
    if (plan.kind == TurntableKind::Mp4 && (width % 2 != 0 || height % 2 != 0))
        return refuse("--size " + std::to_string(width) + "x" + std::to_string(height) +
                      ": H.264 in MP4 (yuv420p) needs an even width and height; give --size " +
                      std::to_string(width + width % 2) + "x" + std::to_string(height + height % 2) +
                      " or write .webm");
    return plan;
}

TurntablePose turntablePose(const SceneState& start, int index, int frames)
{
    TurntablePose pose;
    const double turned = frames > 0 ? 360.0 * index / frames : 0.0;
    pose.rotationY = wrapDegrees(static_cast<float>(start.rotation[1] + turned));
    pose.globeAngle = start.globeAngle;
    if (start.spinGlobe == 1) {
        const int steps = static_cast<int>(std::lround(turned));
        pose.globeAngle = ((start.globeAngle + steps) % 360 + 360) % 360;
    }
    return pose;
}

void applyTurntablePose(SceneState& state, const TurntablePose& pose)
{
    state.rotation[1] = pose.rotationY;
    state.globeAngle = pose.globeAngle;
}

std::string turntableStatusText(int done, int total)
{
    return "Saving turntable... " + std::to_string(done) + "/" + std::to_string(total);
}

std::string turntableDoneText(const std::string& name)
{
    return "Saved " + name;
}

std::string turntableFailedText(const std::string& why)
{
    return "Could not save a turntable: " + why;
}

const char* const kTurntableCancelled = "Turntable cancelled: nothing saved";
const char* const kTurntableNeedsEncoder =
    "Save turntable needs the browser's video encoder (WebCodecs), which this browser does not "
    "offer";

std::string turntableProgressBar(int done, int total, int barWidth)
{
    const int filled = total > 0 ? static_cast<int>(static_cast<long long>(barWidth) * done / total)
                                 : barWidth;
    std::string bar = "\r[";
    for (int i = 0; i < barWidth; ++i)
        bar += i < filled ? '=' : i == filled ? '>' : ' ';
    return bar + "] " + std::to_string(done) + "/" + std::to_string(total);
}

std::string turntableSummary(const std::string& path, const TurntablePlan& plan, int width,
                             int height, double seconds)
{
    char took[32];
    std::snprintf(took, sizeof took, "%.1f s", seconds);
    std::string line = "Wrote " + path + ": " + std::to_string(plan.frames) +
                       (plan.frames == 1 ? " frame, " : " frames, ") + std::to_string(width) +
                       "x" + std::to_string(height) + ", ";
    if (plan.kind != TurntableKind::Sequence)
        line += whole(plan.fps) + " fps, ";
    return line + took;
}

const char* turntableExtension(TurntableKind kind)
{
    switch (kind) {
    case TurntableKind::Mp4: return ".mp4";
    case TurntableKind::Webm: return ".webm";
    case TurntableKind::Gif: return ".gif";
    default: return ".png";
    }
}

std::string lowerExtension(const std::string& path)
{
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}
