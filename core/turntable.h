// A turntable: the still life turning once about y (and the globe once, when it spins) over N
// frames, written as a video, a GIF or numbered pictures. The rules, free of GL and encoders.
#pragma once

#include <string>

struct SceneState;

enum class TurntableKind {
    None,      // not a turntable: a single picture (or a name no writer takes)
    Sequence,  // numbered pictures, PNG or JPEG, from a name with one frame number
    Mp4,       // H.264, yuv420p, in MP4
    Webm,      // VP9, yuv420p, in WebM
    Gif,       // one palette for the whole loop, dithered, looping for ever
};

constexpr int kDefaultTurntableFrames = 360;  // one degree a frame, as the `y` turn steps
constexpr int kMaxTurntableFrames = 3600;
constexpr int kMaxTurntableFps = 120;
// The viewer's pace on a 60 Hz display: one step a refresh. A GIF counts its delays in
// hundredths of a second, and players show delays under 2/100 s as 1/10 s, so 50 there.
constexpr int kDefaultVideoFps = 60;
constexpr int kDefaultGifFps = 50;

// The kind --render writes for `path`: by extension (any case), and a picture's extension with
// a '%' conversion in its name is a sequence. None for a plain .png/.jpg and for other names.
TurntableKind turntableKindOf(const std::string& path);

// The extension of `path`'s last component in lower case, without its dot; empty when none.
std::string lowerExtension(const std::string& path);

// What a turntable is to be: checked from the command line's words before anything is drawn.
struct TurntablePlan {
    TurntableKind kind = TurntableKind::None;
    int frames = kDefaultTurntableFrames;
    double fps = kDefaultVideoFps;  // frames a second of the video; 0 for a sequence
    std::string message;  // one line saying why not, when the plan is refused; else empty
    bool ok() const { return message.empty(); }
};

// Checks `path` (already known to end in a turntable's or a picture's extension), the frames
// and rate asked for (framesGiven/fpsGiven: whether the option was given at all) and the
// picture's size: frames 1..3600, fps 1..120 (a GIF: 1..50, its delays whole hundredths),
// even sizes for H.264, exactly one frame number in a sequence's name. --frames or --fps
// with a single picture is refused; so is --fps with a sequence, which has no rate.
TurntablePlan planTurntable(const std::string& path, int frames, bool framesGiven, double fps,
                            bool fpsGiven, int width, int height);

// The frame number conversion of a sequence's name: its count of '%' conversions ("%%" is a
// literal '%'); a conversion is %d or %0Nd with N from 1 to 9.
int frameNumberConversions(const std::string& pattern);
// The name of frame `index` (0-based: frame 0 is the scene as it stands) of `pattern`.
std::string sequenceFrameName(const std::string& pattern, int index);

// The view and the globe at frame `index` of `frames`, starting from `start`: the view turned
// by 360 * index / frames degrees about y, in the `y` turn's direction, and, when the globe
// spins (spinGlobe == 1), the globe by the same angle to the nearest degree. Applied to a copy
// of `start`, every other field stays as it is.
struct TurntablePose {
    float rotationY = 0.0f;  // degrees, within (-360, 360) as wrapDegrees leaves it
    int globeAngle = 0;      // degrees, 0..359
};
TurntablePose turntablePose(const SceneState& start, int index, int frames);
void applyTurntablePose(SceneState& state, const TurntablePose& pose);

// The panel's status line while frames are written: "Saving turntable... 120/360".
std::string turntableStatusText(int done, int total);
// The panel's and the page's other lines: the file written, why none was, a cancel, and (the
// page) a browser without a video encoder.
std::string turntableDoneText(const std::string& name);
std::string turntableFailedText(const std::string& why);
extern const char* const kTurntableCancelled;
extern const char* const kTurntableNeedsEncoder;
// A progress bar `barWidth` characters wide for a terminal, drawn over itself with '\r':
// "\r[=======>        ] 120/360".
std::string turntableProgressBar(int done, int total, int barWidth);
// The closing line: "Wrote turn.mp4: 360 frames, 500x500, 60 fps, 12.3 s" (no rate for a
// sequence, whose "file" is its pattern).
std::string turntableSummary(const std::string& path, const TurntablePlan& plan, int width,
                             int height, double seconds);

// The extension a kind's files end in (".mp4", ".webm", ".gif"; ".png" for a sequence), for
// the names the panel numbers.
const char* turntableExtension(TurntableKind kind);
