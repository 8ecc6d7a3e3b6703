// A scene read back from a saved picture's arguments or a page link's query, kept to settings.
#include "core/scene_file.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

#include "core/image/image_file.h"
#include "core/image/image_structure.h"
#include "core/options.h"
#include "core/picture_text.h"
#include "core/scene_state.h"

#ifndef TOLVANE_VERSION
#define TOLVANE_VERSION "unknown"  // builds outside CMake (the fuzzers)
#endif

namespace {

// The JPEG comment Tolvane writes: the keyword, ": ", then the arguments.
const std::string kCommentPrefix = std::string(kArgumentsKeyword) + ": ";

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// application/x-www-form-urlencoded, as the page's URLSearchParams writes it.
std::string formDecode(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '%' && i + 2 < text.size();
        const int high = escape ? hexDigit(text[i + 1]) : -1;
        const int low = escape ? hexDigit(text[i + 2]) : -1;
        if (high >= 0 && low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

bool parseSide(const std::string& text, int& side)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    side = std::stoi(text);
    return side >= 1 && side <= 16384;  // as --size allows
}

SceneArguments refused(const std::string& source, const std::string& what)
{
    SceneArguments result;
    result.message = printable(source + ": " + what);
    return result;
}

}  // namespace

std::vector<PngText> pictureTexts(const std::string& arguments)
{
    return {{"Software", "Tolvane " TOLVANE_VERSION}, {kArgumentsKeyword, arguments}};
}

std::string pictureComment(const std::string& arguments)
{
    return kCommentPrefix + arguments;
}

std::vector<unsigned char> pictureTextChunks(const std::string& arguments)
{
    std::vector<unsigned char> chunks;
    for (const PngText& text : pictureTexts(arguments)) {
        const std::vector<unsigned char> chunk = pngTextChunk(text);
        chunks.insert(chunks.end(), chunk.begin(), chunk.end());
    }
    return chunks;
}

bool splitShellWords(const std::string& text, std::vector<std::string>& words)
{
    words.clear();
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        bool closed = true;
        if (c == '\'') {
            const size_t close = text.find('\'', i + 1);
            closed = close != std::string::npos;
            if (closed) {
                word += text.substr(i + 1, close - i - 1);
                i = close;
            }
        } else if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size() &&
                    std::strchr("\"\\$`", text[i + 1]) != nullptr)
                    ++i;
                word += text[i];
            }
            closed = i < text.size();
        } else if (c == '\\') {
            closed = ++i < text.size();
            if (closed)
                word += text[i];
        } else {
            word += c;
        }
        if (!closed) {
            words.clear();
            return false;
        }
    }
    if (inWord)
        words.push_back(word);
    return true;
}

bool isPageLink(const std::string& source)
{
    if (!source.empty() && source[0] == '?')
        return true;
    for (const char* scheme : {"http://", "https://", "file://"})
        if (source.compare(0, std::strlen(scheme), scheme) == 0)
            return true;
    return false;
}

std::vector<std::string> linkArguments(const std::string& link)
{
    std::vector<std::string> words;
    // The query runs from the first '?' to the fragment's '#'; a '?' inside the fragment
    // starts none.
    const size_t hash = link.find('#');
    const size_t question = link.substr(0, hash).find('?');
    if (question == std::string::npos)
        return words;
    const std::string query = link.substr(question + 1, hash == std::string::npos
                                                            ? std::string::npos
                                                            : hash - question - 1);
    size_t start = 0;
    while (start <= query.size()) {
        size_t amp = query.find('&', start);
        if (amp == std::string::npos)
            amp = query.size();
        const std::string pair = query.substr(start, amp - start);
        if (!pair.empty()) {
            const size_t equals = pair.find('=');
            const std::string name = formDecode(pair.substr(0, equals));
            words.push_back("--set");
            words.push_back(equals == std::string::npos
                                ? name
                                : name + "=" + formDecode(pair.substr(equals + 1)));
        }
        start = amp + 1;
    }
    return words;
}

SceneArguments keepSceneSettings(const std::vector<std::string>& words, const std::string& source,
                                 int textureCount)
{
    SceneArguments result;
    SceneState trial;  // settings are checked by assigning them to a state of no consequence
    const std::string why = " (a scene takes only --set and --size)";
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        std::string name = word, value;
        const size_t equals = word.find('=');
        if (word.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            name = word.substr(0, equals);
            value = word.substr(equals + 1);
        } else if (word == "--set" || word == "--size") {
            if (i + 1 == words.size())
                return refused(source, "refused " + word + " with no value");
            value = words[++i];
        }
        if (name == "--set") {
            const std::string error = applySetting(trial, value, textureCount);
            if (!error.empty())
                return refused(source, "refused " + error);
            result.settings.push_back(value);
        } else if (name == "--size") {
            const size_t x = value.find_first_of("xX");
            if (x == std::string::npos || !parseSide(value.substr(0, x), result.width) ||
                !parseSide(value.substr(x + 1), result.height))
                return refused(source, "refused --size " + value +
                                           " (width and height from 1 to 16384, as WxH)");
        } else if (name.compare(0, 1, "-") == 0) {
            return refused(source, "refused " + name + why);
        } else {
            return refused(source, "refused the texture list file '" + word + "'" + why);
        }
    }
    result.ok = true;
    return result;
}

namespace {

SceneArguments argumentsOfText(const ArgumentTextResult& text, const std::string& source,
                               int textureCount)
{
    if (!text.found)
        return refused(source, text.message);
    std::vector<std::string> words;
    if (!splitShellWords(text.text, words))
        return refused(source, "its Tolvane arguments end inside a quote");
    return keepSceneSettings(words, source, textureCount);
}

// A file read in order: regular files skip by seeking, FIFOs and devices by reading, and no more
// than kLargestPictureFile bytes are passed over in all.
struct FileSource : ByteSource {
    explicit FileSource(std::FILE* f) : file(f)
    {
        struct stat info;
        regular = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
        size = regular ? static_cast<unsigned long long>(info.st_size) : 0;
    }
    ~FileSource() override { std::fclose(file); }
    bool read(void* out, size_t n) override
    {
        if (!pass(n))
            return false;
        const bool whole = std::fread(out, 1, n, file) == n;
        failed = failed || std::ferror(file);
        return whole;
    }
    bool skip(unsigned long long n) override
    {
        if (!pass(n))
            return false;
        if (regular)
            return passed <= size && fseeko(file, static_cast<off_t>(n), SEEK_CUR) == 0;
        char sink[1 << 16];
        for (; n > 0;) {
            const size_t part = n < sizeof sink ? static_cast<size_t>(n) : sizeof sink;
            if (std::fread(sink, 1, part, file) != part) {
                failed = failed || std::ferror(file);
                return false;
            }
            n -= part;
        }
        return true;
    }
    bool pass(unsigned long long n)
    {
        passed += n;
        return passed <= kLargestPictureFile;
    }
    std::FILE* file;
    bool regular = false;
    unsigned long long size = 0;    // bytes, of a regular file
    unsigned long long passed = 0;  // bytes read or skipped so far
    bool failed = false;            // a read error, not the end
};

}  // namespace

SceneArguments readSceneBytes(const unsigned char* bytes, size_t size, const std::string& source,
                              int textureCount)
{
    return argumentsOfText(readArgumentText(bytes, size), source, textureCount);
}

SceneArguments readSceneLink(const std::string& link, int textureCount)
{
    return keepSceneSettings(linkArguments(link), link, textureCount);
}

SceneArguments readSceneSource(const std::string& source, int textureCount)
{
    if (isPageLink(source))
        return readSceneLink(source, textureCount);
    std::error_code error;
    if (std::filesystem::is_directory(source, error))
        return refused(source, "is a folder, not a picture");
    std::FILE* file = std::fopen(source.c_str(), "rb");
    if (!file)
        return refused(source, "cannot be opened");
    FileSource bytes(file);
    if (bytes.size > kLargestPictureFile)
        return refused(source, "is larger than any picture Tolvane reads back (1 GiB)");
    const ArgumentTextResult text = readArgumentTextFrom(bytes);
    if (bytes.failed)
        return refused(source, "cannot be read");
    if (bytes.passed > kLargestPictureFile)
        return refused(source, "is larger than any picture Tolvane reads back (1 GiB)");
    return argumentsOfText(text, source, textureCount);
}

std::string addressRefusal(const std::string& setRefusal)
{
    std::string text = setRefusal;
    const std::string set = "--set ";
    if (text.compare(0, set.size(), set) == 0)
        text = "In the address, " + text.substr(set.size());
    const std::string help = " (tolvane --help lists them)";
    if (text.size() >= help.size() && text.compare(text.size() - help.size(), help.size(), help) == 0)
        text.erase(text.size() - help.size());
    return text;
}

std::string pageLinkOf(const SceneState& state, int textureCount, const std::string& pageAddress)
{
    std::string link = pageAddress.substr(0, pageAddress.find_first_of("?#"));
    char separator = '?';
    const char* hex = "0123456789ABCDEF";
    for (const std::string& setting : namedSettings(state, textureCount, true)) {
        link += separator;
        separator = '&';
        for (unsigned char c : setting) {
            if (std::isalnum(c) || std::strchr("*-._,=", c) != nullptr)
                link += static_cast<char>(c);
            else if (c == ' ')
                link += '+';
            else
                link += {'%', hex[c >> 4], hex[c & 15]};
        }
    }
    return link;
}
