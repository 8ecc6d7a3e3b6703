// The command line: GLUT's options skipped, Tolvane's own read with CLI11, and the usage text.
#include "core/options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <memory>

#include "core/keys.h"
#include "core/turntable.h"
#include "core/options_table.h"

#ifndef TOLVANE_VERSION
#define TOLVANE_VERSION "unknown"
#endif
#ifndef TOLVANE_DATA_DIR
#define TOLVANE_DATA_DIR "/usr/share/tolvane"  // where the bundled textures are installed
#endif

namespace {

bool isGlutFlag(const std::string& arg)
{
    return arg == "-direct" || arg == "-indirect" || arg == "-iconic" || arg == "-gldebug" ||
           arg == "-sync";
}

// X's geometry string asks for a size when it starts (after an optional '=') with WxH.
bool geometryHasSize(const std::string& geometry)
{
    size_t i = geometry.rfind('=', 0) == 0 ? 1 : 0;
    const size_t widthStart = i;
    while (i < geometry.size() && std::isdigit(static_cast<unsigned char>(geometry[i])))
        ++i;
    if (i == widthStart || i >= geometry.size() || (geometry[i] != 'x' && geometry[i] != 'X'))
        return false;
    return i + 1 < geometry.size() && std::isdigit(static_cast<unsigned char>(geometry[i + 1]));
}

bool parseSize(const std::string& text, int& width, int& height)
{
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return false;
    constexpr int kLargest = 16384;  // pixels a side; beyond what most GL drivers render
    return parseWhole(text.substr(0, x), width) && parseWhole(text.substr(x + 1), height) &&
           width > 0 && height > 0 && width <= kLargest && height <= kLargest;
}

// Control characters typed into an argument would break the message's one line.
// The usage lines, in place of CLI11's own "Usage: tolvane [OPTIONS] ...".
class UsageFormatter : public CLI::Formatter {
  public:
    std::string make_usage(const CLI::App*, std::string) const override
    {
        // One line per form, so that help2man's synopsis keeps both.
        return "Usage: tolvane [GLUT options] [--scene FILE] [--set NAME=VALUE]... "
               "[--output-dir DIR] [--quiet] [texture-list-file]\n"
               "   or: tolvane --render FILE.png|FILE.jpg [--size WxH] [--scene FILE] "
               "[--set NAME=VALUE]... [--quiet] [texture-list-file]\n"
               "   or: tolvane --render FILE.mp4|FILE.webm|FILE.gif|frame-%04d.png [--frames N] "
               "[--fps F] [--size WxH] [--scene FILE] [--set NAME=VALUE]... [--quiet] "
               "[texture-list-file]\n";
    }
};

CommandLine failure(CommandLine line, const std::string& message)
{
    line.action = CommandAction::Error;
    line.text = printable("tolvane: " + message);
    return line;
}

}  // namespace

std::string bundledTextureList()
{
    return TOLVANE_DATA_DIR "/textureList.txt";
}

// The picture format --render writes, from the name's extension (any case); empty if none.
std::string renderFormatOf(const std::string& path)
{
    const std::string extension = lowerExtension(path);
    if (extension == "png")
        return "png";
    if (extension == "jpg" || extension == "jpeg")
        return "jpeg";
    return std::string();
}

CommandLine parseCommandLine(int argc, const char* const argv[])
{
    CommandLine line;
    std::vector<std::string> args;  // Tolvane's own, last first as CLI11 expects
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-display" || arg == "-geometry") {
            if (i + 1 < argc && arg == "-geometry")
                line.geometrySize = geometryHasSize(argv[i + 1]);
            ++i;
        } else if (!isGlutFlag(arg)) {
            args.push_back(arg);
        }
    }
    std::reverse(args.begin(), args.end());

    CLI::App app{"Tolvane: an interactive still life (a table, a can, a globe and a vase)."};
    app.name("tolvane");
    app.formatter(std::make_shared<UsageFormatter>());
    // The key list indented, as the settings are, so that a man page made from --help (help2man)
    // keeps one line per key.
    std::string keys = "  " + keyListText(kDesktopKeys);
    for (size_t at = keys.find('\n'); at + 1 < keys.size(); at = keys.find('\n', at + 1))
        keys.insert(at + 1, "  ");
    app.footer(settingsHelp() +
               "\nGLUT's own options (-display NAME, -geometry WxH+X+Y, ...) are accepted too.\n"
               "\nIn the scene window, and in the panel while no field is being edited:\n" +
               keys);
    app.set_version_flag("--version", std::string("tolvane ") + TOLVANE_VERSION);
    CLI::Option* set =
        app.add_option("--set", line.settings, "set one setting before the first frame; repeatable")
            ->type_name("NAME=VALUE")
            ->allow_extra_args(false);
    // Repeats are gathered and refused below, in words of our own.
    std::vector<std::string> renders, lists, scenes;
    CLI::Option* sceneOption =
        app.add_option("--scene", scenes,
                       "start with the scene that a picture Tolvane wrote (PNG or JPEG) or a page "
                       "link records; only its --set and --size are taken, a --set after it "
                       "overrides one value")
            ->type_name("FILE")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
            ->allow_extra_args(false);
    CLI::Option* render =
        app.add_option("--render", renders,
                       "draw one frame with no window or X server into FILE (.png, or .jpg as "
                       "JPEG), then exit; a name ending in .mp4 (H.264), .webm (VP9) or .gif, or "
                       "with a frame number (frame-%04d.png, from 0), writes a turntable: the view "
                       "turned once about y over the frames, and the globe once when it spins")
            ->type_name("FILE.png")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
            ->allow_extra_args(false);
    std::string size;
    // --render's need is checked below: CLI11 would add "Needs: --render" to the help line.
    CLI::Option* sizeOption =
        app.add_option("--size", size, "size of the --render picture (default 500x500)")
            ->type_name("WxH");
    CLI::Option* framesOption =
        app.add_option("--frames", line.frames, "frames of a turntable, from --render or the panel's \"Save turntable\" (default 360)")
            ->type_name("N");
    CLI::Option* fpsOption =
        app.add_option("--fps", line.fps,
                       "frames a second of a turntable video (default 60; a GIF 50)")
            ->type_name("F");
    app.add_option("--output-dir", line.outputDir,
                   "folder for saved pictures and exported vases (default the working folder)")
        ->type_name("DIR");
    app.add_flag("--quiet", line.quiet,
                 "leave out the progress lines while textures load, and a turntable's progress bar");
    app.add_option("texture-list-file", lists,
                   "the texture list (default textureList.txt in the working folder; "
                   "the bundled textures' list is " TOLVANE_DATA_DIR "/textureList.txt)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    try {
        app.parse(args);
    } catch (const CLI::CallForHelp&) {
        line.action = CommandAction::Help;
        line.text = app.help();
        return line;
    } catch (const CLI::CallForVersion& e) {
        line.action = CommandAction::Version;
        line.text = std::string(e.what()) + "\n";
        return line;
    } catch (const CLI::ParseError& e) {
        return failure(line, std::string(e.what()) + " (tolvane --help lists the options)");
    }
    if (lists.size() > 1)
        return failure(line, "give one texture list file, not " + std::to_string(lists.size()) +
                                 " ('" + lists[0] + "', '" + lists[1] + "', ...)");
    if (!lists.empty())
        line.listFile = lists[0];
    if (scenes.size() > 1)
        return failure(line, "--scene takes one picture or link; it was given " +
                                 std::to_string(scenes.size()) + " times");
    if (!scenes.empty()) {
        line.sceneSource = scenes[0];
        if (line.sceneSource.empty())
            return failure(line, "--scene needs a picture or a page link");
        // The scene comes between the --set given before it and those given after it.
        for (const CLI::Option* given : app.parse_order()) {
            if (given == sceneOption)
                break;
            line.settingsBeforeScene += given == set ? 1 : 0;
        }
    }
    line.sizeGiven = !size.empty();
    line.framesGiven = framesOption->count() > 0;
    line.fpsGiven = fpsOption->count() > 0;
    if (render->count() == 0) {
        // Without --render they are the panel's: its "Save turntable" writes an MP4.
        line.turntable = planTurntable("panel.mp4", line.frames, line.framesGiven, line.fps,
                                       line.fpsGiven, 2, 2);
        if (!line.turntable.ok())
            return failure(line, line.turntable.message);
    }
    if (renders.size() > 1)
        return failure(line, "--render takes one file; it was given " +
                                 std::to_string(renders.size()) + " times");
    if (sizeOption->count() > 0 && render->count() == 0)
        return failure(line, "--size requires --render (tolvane --help lists the options)");
    if (!size.empty() && !parseSize(size, line.width, line.height))
        return failure(line, "--size " + size +
                                 ": give the picture's width and height in pixels as WxH, each "
                                 "from 1 to 16384");
    if (render->count() > 0) {
        line.renderPath = renders.empty() ? std::string() : renders[0];
        if (line.renderPath.empty())
            return failure(line, "--render needs a file name, such as picture.png");
        if (renderFormatOf(line.renderPath).empty() &&
            turntableKindOf(line.renderPath) == TurntableKind::None)
            return failure(line, "--render " + line.renderPath +
                                     ": give a name ending in .png (PNG) or .jpg/.jpeg (JPEG), "
                                     "or .mp4, .webm or .gif for a turntable");
        line.turntable = planTurntable(line.renderPath, line.frames, line.framesGiven, line.fps,
                                       line.fpsGiven, line.width, line.height);
        if (!line.turntable.ok())
            return failure(line, line.turntable.message);
        if (line.geometrySize)
            return failure(line, "-geometry sets a window's size, and --render opens no window: "
                                 "give the picture's size with --size WxH");
        line.action = CommandAction::Render;
    }
    return line;
}

