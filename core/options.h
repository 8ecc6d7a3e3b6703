// The command line (GLUT's options, Tolvane's own, the texture list) and the named settings
// that --set assigns and saved pictures record. No GL, no GLUT.
#pragma once

#include <string>
#include <vector>

#include "core/turntable.h"

struct SceneState;

// The PNG text keyword under which saved pictures carry reproducingArguments.
constexpr const char* kArgumentsKeyword = "Tolvane arguments";

enum class CommandAction {
    View,     // open the windows, as with no option at all
    Render,   // draw one frame offscreen into renderPath (or a turntable, see below) and exit
    Help,     // print text and exit 0
    Version,  // print text and exit 0
    Error,    // print text (one line) and exit 1
};

struct CommandLine {
    CommandAction action = CommandAction::View;
    std::string listFile = "textureList.txt";  // the texture list, default in the working folder
    std::vector<std::string> settings;         // NAME=VALUE, in the order given
    std::string sceneSource;  // --scene: a picture's path or a page link; empty without it
    int settingsBeforeScene = 0;  // how many of `settings` were given before --scene
    std::string renderPath;  // --render FILE.png or FILE.jpg, or a turntable's video or pattern
    // --frames and --fps, checked against the default size; the turntable is planned again
    // once a --scene has given its size. kind None: a single picture.
    int frames = 0;
    bool framesGiven = false;
    double fps = 0;
    bool fpsGiven = false;
    TurntablePlan turntable;
    int width = 500;                           // --size, pixels
    int height = 500;
    bool sizeGiven = false;  // --size was given (else a --scene picture's size applies)
    std::string outputDir;  // --output-dir: where saves go; empty is the working folder
    bool quiet = false;     // --quiet: no progress lines while textures load
    bool geometrySize = false;  // GLUT's -geometry asked for a window size
    std::string text;           // help or version text, or the error line
};

// Skips GLUT's own options (-display NAME, -geometry WxH+X+Y, -direct, -indirect, -iconic,
// -gldebug, -sync), which glutInit removes, then reads Tolvane's options and at most one list.
CommandLine parseCommandLine(int argc, const char* const argv[]);

// Assigns one NAME=VALUE to `state`. Returns an empty string, or one line naming the setting
// and what it allows. Limits are the panel's own; textureCount < 0 means the count is unknown
// and texture indices are not range-checked.
std::string applySetting(SceneState& state, const std::string& assignment, int textureCount);

// The bundled textures' list where the package installs it.
std::string bundledTextureList();

// Side of a picture when neither the window nor --size says otherwise, pixels.
constexpr int kDefaultPictureSide = 500;

// "png" or "jpeg": the format that --render writes for `path`'s extension; empty for others.
std::string renderFormatOf(const std::string& path);

// The arguments, shell-quoted and space-separated, that reproduce a `width` x `height` picture
// of `state` drawn with a list of `textureCount` images (< 0: unknown): "--size WxH" unless it
// is 500x500, then --set for every panel setting and the view (rotation, zoom, globe angle),
// leaving out texture indices that such a list would refuse.
std::string reproducingArguments(const SceneState& state, int textureCount = -1,
                                 int width = kDefaultPictureSide,
                                 int height = kDefaultPictureSide);

// The settings that a picture's arguments name, as NAME=VALUE in the table's order, or those a
// page link names (`forLink`: the animation's switches too, when on).
std::vector<std::string> namedSettings(const SceneState& state, int textureCount, bool forLink);

// `text` with control characters made '?': a line that quotes outside input (a file name, an
// argument) stays one line and carries no escape sequence to the terminal.
std::string printable(std::string text);

// Quotes `word` for a POSIX shell when it holds anything but safe characters.
std::string shellQuote(const std::string& word);

// What a front end says once when the `given` samples a pixel differ from the `requested`
// antialiasing (e.g. "antialiasing=8 is not offered here; drawing with 4 samples"); empty
// when they agree.
std::string antialiasingNote(int requested, int given);
