// The texture list file: the count read as scanf's %i would, then that many image names.
#include "core/texture_list.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>

namespace {

bool isSpaceByte(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Value of `c` as a digit in `base` (8, 10 or 16), or -1.
int digitValue(int c, int base)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

TextureListResult failure(TextureListResult result, TextureListError error, std::string message)
{
    result.error = error;
    result.message = std::move(message);
    return result;
}

// Reads an int as %i does: whitespace, an optional sign, then decimal, 0-octal or 0x-hex.
// Returns false when no digits follow or the value does not fit an int.
bool readCount(std::istream& in, int& count)
{
    while (isSpaceByte(in.peek()))
        in.get();
    bool negative = false;
    if (in.peek() == '+' || in.peek() == '-')
        negative = in.get() == '-';
    int base = 10;
    bool haveDigits = false;
    if (in.peek() == '0') {
        in.get();
        base = 8;
        haveDigits = true;
        if (in.peek() == 'x' || in.peek() == 'X') {
            in.get();
            base = 16;
            haveDigits = false;
        }
    }
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (int d; (d = digitValue(in.peek(), base)) >= 0;) {
        in.get();
        haveDigits = true;
        magnitude = magnitude * base + d;
        if (magnitude > limit)
            return false;
    }
    if (!haveDigits)
        return false;
    count = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

}  // namespace

TextureListResult readTextureList(std::istream& in)
{
    TextureListResult result;
    // Some editors begin a UTF-8 file with a byte-order mark; it is no part of the count.
    if (in.peek() == 0xEF) {
        in.get();
        if (in.get() != 0xBB || in.get() != 0xBF)
            return failure(result, TextureListError::BadCount,
                           "does not begin with a texture count that fits an int");
    }
    if (!readCount(in, result.count))
        return failure(result, TextureListError::BadCount,
                       "does not begin with a texture count that fits an int");
    if (result.count < 0)
        return failure(result, TextureListError::NegativeCount,
                       "texture count " + std::to_string(result.count) + " is negative");
    // Names are appended as they are read: the count alone never decides an allocation.
    std::string name;
    while (result.namesFound < result.count && in >> name) {
        result.names.push_back(name);
        ++result.namesFound;
    }
    if (result.namesFound < result.count)
        return failure(result, TextureListError::MissingNames,
                       "found " + std::to_string(result.namesFound) + " of " +
                           std::to_string(result.count) + " texture names");
    return result;
}

TextureListResult readTextureListFile(const std::string& path)
{
    errno = 0;
    std::ifstream in(path);
    if (!in.is_open()) {
        TextureListResult result;
        return failure(result, TextureListError::OpenFailed,
                       errno != 0 ? std::strerror(errno) : "cannot be opened");
    }
    // A folder opens as a stream and only its first read fails: say what it is.
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        TextureListResult result;
        return failure(result, TextureListError::OpenFailed,
                       "it is a folder; give the texture list file in it");
    }
    return readTextureList(in);
}

std::string pathBesideList(const std::string& listPath, const std::string& name)
{
    if (name.empty() || name[0] == '/')
        return std::string();
    const size_t slash = listPath.find_last_of('/');
    if (slash == std::string::npos)
        return std::string();
    const std::string folder = listPath.substr(0, slash + 1);
    if (folder == "./")
        return std::string();
    return folder + name;
}

const char* textureListUsage()
{
    return "\n\n  Usage: ./tolvane <input_file>\n\n"
           "   <input_file> has to be of the form:\n\n"
           "      <number of textures>\n"
           "      <table texture file>\n"
           "      <pop can texutre file>\n"
           "      <earth texture file>\n"
           "      <vase texture file>\n"
           "      ...\n\n";
}
