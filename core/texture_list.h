// The texture list file: a count (decimal, 0-octal or 0x-hex) followed by that many image names.
#pragma once

#include <istream>
#include <string>
#include <vector>

enum class TextureListError {
    None,
    OpenFailed,     // the list file cannot be opened
    BadCount,       // the file does not begin with an integer, or it does not fit an int
    NegativeCount,  // the count is below 0
    MissingNames,   // fewer names than the count
};

struct TextureListResult {
    std::vector<std::string> names;  // exactly `count` names when ok(); a count of 0 is valid
    TextureListError error = TextureListError::None;
    int count = 0;        // the count read from the file (when it could be read)
    int namesFound = 0;   // how many names were read before the file ended
    std::string message;  // one line describing the failure, without the list's path
    bool ok() const { return error == TextureListError::None; }
};

// Reads the count and the names; nothing after the last expected name is read. A UTF-8
// byte-order mark at the start is skipped.
TextureListResult readTextureList(std::istream& in);

// Opens `path` as text and reads it; OpenFailed when it cannot be opened, with the operating
// system's reason as the message.
TextureListResult readTextureListFile(const std::string& path);

// What the viewer says when the list cannot be opened: how a list is written.
const char* textureListUsage();

// `name` taken relative to the folder holding `listPath`; empty when that is no different
// from `name` itself (an absolute name, or a list in the working directory).
std::string pathBesideList(const std::string& listPath, const std::string& name);
