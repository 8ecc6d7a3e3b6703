// A scene read back from outside: the arguments a saved picture carries (PNG text chunk, JPEG
// comment) or a page link's query, kept to the settings and checked. No GL, no printing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/image/image_structure.h"
#include "core/picture_text.h"

struct SceneState;

// What a saved picture carries, as readArgumentText finds it again: a PNG's text chunks (the
// software that made it, then `arguments`), a JPEG's comment.
std::vector<PngText> pictureTexts(const std::string& arguments);
std::string pictureComment(const std::string& arguments);

// pictureTexts as whole chunks, all together, for a PNG another encoder made (the browser's):
// they go at pngTextPlace.
std::vector<unsigned char> pictureTextChunks(const std::string& arguments);

// The arguments text a picture's bytes carry (readArgumentTextFrom over them).
ArgumentTextResult readArgumentText(const unsigned char* bytes, size_t size);

// The words of `text` as a POSIX shell splits them: blanks separate, single quotes keep
// everything, double quotes and backslashes escape. False (and no words) when a quote is left
// open.
bool splitShellWords(const std::string& text, std::vector<std::string>& words);

// Whether `source` names a page link rather than a file: it starts with a scheme ("http://",
// "https://", "file://") or with '?'.
bool isPageLink(const std::string& source);

// A page link's query (after '?', before '#'), percent-decoded, as "--set", "NAME=VALUE" pairs
// in the order given. The rest of the link is never looked at.
std::vector<std::string> linkArguments(const std::string& link);

struct SceneArguments {
    bool ok = false;
    std::vector<std::string> settings;  // NAME=VALUE, each already checked, in order
    int width = 0;                      // pixels, from --size; 0 when none was recorded
    int height = 0;
    std::string message;  // one line naming the source and what was refused or missing
};

// Keeps only --set and --size of `words` (a picture's or link's arguments). Anything else
// (--render, --output-dir, a list file, GLUT options, unknown names, values out of range
// for a list of `textureCount` images; < 0: unknown) refuses the whole scene, naming `source`.
SceneArguments keepSceneSettings(const std::vector<std::string>& words, const std::string& source,
                                 int textureCount);

// A picture's bytes, or a link, to its checked settings.
SceneArguments readSceneBytes(const unsigned char* bytes, size_t size, const std::string& source,
                              int textureCount);
SceneArguments readSceneLink(const std::string& link, int textureCount);

// --scene's argument: a page link, or a PNG or JPEG file read from disk.
SceneArguments readSceneSource(const std::string& source, int textureCount);

// applySetting's refusal of a setting in the page's own address, in the page's words: "In the
// address, NAME=VALUE: why", without the pointer to --help, which the page has none of.
std::string addressRefusal(const std::string& setRefusal);

// Where the desktop's page links point unless TOLVANE_PAGE names another address: the page as
// `make web-run` serves it.
constexpr const char* kDefaultPageAddress = "http://127.0.0.1:8080/";

// The page link of `state`'s scene: `pageAddress` (anything after a '?' or '#' in it dropped),
// then '?' and every setting a link names (namedSettings) as NAME=VALUE, form-encoded (commas
// kept). The desktop's p and the page's "Copy link" both write it; a turning view's link turns.
std::string pageLinkOf(const SceneState& state, int textureCount, const std::string& pageAddress);
