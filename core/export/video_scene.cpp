// --scene of a video: its comment's arguments, kept to settings as a picture's are.
#include "core/export/video_scene.h"

#include "core/export/video_file.h"
#include "core/turntable.h"

namespace {

// A message of one line: control characters in a file's name or comment made '?'.
SceneArguments refusal(std::string message)
{
    for (char& c : message)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    SceneArguments refused;
    refused.message = message;
    return refused;
}

}  // namespace

SceneArguments readSceneOrVideo(const std::string& source, int textureCount)
{
    const TurntableKind kind = turntableKindOf(source);
    if (isPageLink(source) || kind == TurntableKind::None || kind == TurntableKind::Sequence)
        return readSceneSource(source, textureCount);
    const VideoCommentResult comment = readVideoComment(source);
    if (!comment.found)
        return refusal(source + ": " + comment.message);
    std::vector<std::string> words;
    if (!splitShellWords(comment.text, words))
        return refusal(source + ": its Tolvane arguments end inside a quote");
    return keepSceneSettings(words, source, textureCount);
}
