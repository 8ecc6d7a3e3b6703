// --render of a turntable: every frame drawn whole in one offscreen context (the vase and the
// props built once), then encoded in-process or written as numbered pictures.
#include "desktop/turntable.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "core/export/gif_palette.h"
#include "core/export/video_file.h"
#include "core/options.h"
#include "core/scene_state.h"
#include "core/texture_list.h"
#include "core/turntable.h"
#include "desktop/render.h"
#include "desktop/scene.h"

namespace {

// Frames of a GIF's first pass that choose its palette, spread evenly over the loop: a few
// dozen pictures of the same still life hold its colours, at a fraction of drawing them all.
constexpr int kPaletteSampleFrames = 60;

struct Progress {
    bool shown = false;  // a terminal on stderr, and no --quiet
    int total = 0;
    void step(int done) const
    {
        if (!shown)
            return;
        std::fputs(turntableProgressBar(done, total, 40).c_str(), stderr);
        if (done == total)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }
};

PpmImage drawTurned(const SceneState& start, int index, const CommandLine& line)
{
    applyTurntablePose(scene, turntablePose(start, index, line.turntable.frames));
    return drawPicture(line.width, line.height);
}

std::string writeSequence(const CommandLine& line, const SceneState& start, const Progress& bar)
{
    std::vector<std::string> written;
    for (int i = 0; i < line.turntable.frames; ++i) {
        const std::string name = sequenceFrameName(line.renderPath, i);
        // Each picture as --render draws one: transparent where its format allows.
        applyTurntablePose(scene, turntablePose(start, i, line.turntable.frames));
        const std::string error =
            writePictureFile(name, drawPictureFor(name, line.width, line.height));
        if (!error.empty()) {
            for (const std::string& done : written)
                unlink(done.c_str());  // a failed turntable leaves none of its frames
            return error;
        }
        written.push_back(name);
        bar.step(i + 1);
    }
    return std::string();
}

std::string writeVideo(const CommandLine& line, const SceneState& start, const Progress& bar,
                       TurntableTimes& times)
{
    const int frames = line.turntable.frames;
    VideoParams params;
    params.kind = line.turntable.kind;
    params.width = line.width;
    params.height = line.height;
    params.fps = line.turntable.fps;
    params.comment = reproducingArguments(scene, static_cast<int>(scene.textures.size()),
                                        line.width, line.height);
    if (!whiteBackgroundNote("A video").empty())
        std::fprintf(stderr, "tolvane: %s\n", whiteBackgroundNote("A video").c_str());
    // Opened first: a folder that cannot take the file is said before any frame is drawn.
    const VideoOpenResult opened = openVideo(line.renderPath, params);
    if (!opened.video)
        return opened.message;
    try {
        if (params.kind == TurntableKind::Gif) {
            GifHistogram histogram;
            const int samples = frames < kPaletteSampleFrames ? frames : kPaletteSampleFrames;
            for (int k = 0; k < samples; ++k)
                addToHistogram(histogram, drawTurned(start, k * frames / samples, line));
            setVideoPalette(opened.video, buildGifPalette(histogram));
        }
        for (int i = 0; i < frames; ++i) {
            const std::string error = writeVideoFrame(opened.video, drawTurned(start, i, line));
            if (!error.empty()) {
                abandonVideo(opened.video);
                return error;
            }
            bar.step(i + 1);
        }
    } catch (...) {
        abandonVideo(opened.video);  // no temporary file outlives a frame that ran out of memory
        throw;
    }
    times.encodeSeconds = videoEncodeSeconds(opened.video);
    return finishVideo(opened.video);
}

}  // namespace

std::string renderTurntable(CommandLine& line, const TextureListResult& list, TurntableTimes* times)
{
    // Planned again: a --scene without --size has given its picture's size since parsing.
    line.turntable = planTurntable(line.renderPath, line.frames, line.framesGiven, line.fps,
                                   line.fpsGiven, line.width, line.height);
    if (!line.turntable.ok())
        return line.turntable.message;
    const auto start = std::chrono::steady_clock::now();
    const std::string problem = openPictureScene(line, list);
    if (!problem.empty())
        return problem;
    const SceneState first = scene;  // frame 0: the scene as set, after the texture limits
    Progress bar;
    bar.shown = !line.quiet && isatty(STDERR_FILENO);
    bar.total = line.turntable.frames;
    TurntableTimes spent;
    std::string error;
    try {
        error = line.turntable.kind == TurntableKind::Sequence ? writeSequence(line, first, bar)
                                                                : writeVideo(line, first, bar, spent);
    } catch (const std::bad_alloc&) {
        error = "cannot render " + line.renderPath + ": not enough memory for a " +
                std::to_string(line.width) + "x" + std::to_string(line.height) + " frame";
    }
    applyTurntablePose(scene, turntablePose(first, 0, 1));
    if (!error.empty())
        return error;
    spent.totalSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (times)
        *times = spent;
    // For the benchmark: the encoder's share of the time.
    if (std::getenv("TOLVANE_TRACE_TURNTABLE"))
        std::printf("encoder %.3f s of %.3f s\n", spent.encodeSeconds, spent.totalSeconds);
    std::printf("%s\n", turntableSummary(line.renderPath, line.turntable, line.width, line.height,
                                         spent.totalSeconds)
                            .c_str());
    return std::string();
}
