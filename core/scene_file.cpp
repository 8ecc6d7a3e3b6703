// A scene read back from a saved picture's arguments or a page link's query, kept to settings.
#include "core/scene_file.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/image/image_file.h"
#include "core/image/image_structure.h"
#include "core/options.h"
#include "core/scene_state.h"

#ifndef TOLVANE_VERSION
#define TOLVANE_VERSION "unknown"  // builds outside CMake (the fuzzers)
#endif

namespace {

// The JPEG comment Tolvane writes: the keyword, ": ", then the arguments.
const std::string kCommentPrefix = std::string(kArgumentsKeyword) + ": ";
constexpr long long kLargestPictureFile = 1LL << 30;  // bytes --scene reads at most

// tEXt: keyword NUL text. iTXt: keyword NUL flag method language NUL translated NUL text.
ArgumentTextResult pngText(const unsigned char* bytes, size_t size)
{
    ArgumentTextResult result;
    const std::string keyword = kArgumentsKeyword;
    PngChunk chunk;
    // A chunk that runs past the end ends the search: nothing after it can be trusted.
    for (size_t at = kPngSignatureSize; readPngChunk(bytes, size, at, chunk); at = chunk.next) {
        if (chunk.is("IEND"))
            break;
        const bool plain = chunk.is("tEXt");
        const bool international = chunk.is("iTXt");
        if (!plain && !international)
            continue;  // only text chunks are copied: image data can run to hundreds of megabytes
        const std::string body(reinterpret_cast<const char*>(chunk.data), chunk.length);
        if (body.size() <= keyword.size() || body.compare(0, keyword.size() + 1, keyword + '\0') != 0)
            continue;
        size_t textStart = keyword.size() + 1;
        if (international) {
            if (body.size() < textStart + 2 || body[textStart] != 0) {
                result.message = "its Tolvane arguments are compressed, which Tolvane never "
                                 "writes";
                return result;
            }
            textStart += 2;
            for (int field = 0; field < 2; ++field) {  // language tag, translated keyword
                const size_t nul = body.find('\0', textStart);
                if (nul == std::string::npos) {
                    result.message = "its Tolvane arguments chunk is damaged";
                    return result;
                }
                textStart = nul + 1;
            }
        }
        result.found = true;
        result.text = body.substr(textStart);
        return result;
    }
    result.message = "it is a PNG without Tolvane arguments (not a picture Tolvane saved)";
    return result;
}

// Segments up to the first scan; Tolvane writes its comment before the frame.
ArgumentTextResult jpegText(const unsigned char* bytes, size_t size)
{
    ArgumentTextResult result;
    walkJpegSegments(bytes, size, [&](const JpegSegment& s) {
        if (s.marker == 0xda)
            return false;
        const std::string body(reinterpret_cast<const char*>(s.data), s.size);
        if (s.marker == 0xfe && body.compare(0, kCommentPrefix.size(), kCommentPrefix) == 0) {
            result.found = true;
            result.text = body.substr(kCommentPrefix.size());
            return false;
        }
        return true;
    });
    if (!result.found)
        result.message = "it is a JPEG without Tolvane arguments (not a picture Tolvane saved)";
    return result;
}

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

ArgumentTextResult readArgumentText(const unsigned char* bytes, size_t size)
{
    switch (detectImageKind(bytes, size)) {
    case ImageKind::Png: return pngText(bytes, size);
    case ImageKind::Jpeg: return jpegText(bytes, size);
    case ImageKind::Ppm:
    case ImageKind::Unknown: break;
    }
    ArgumentTextResult result;
    result.message = "it is neither a PNG nor a JPEG picture";
    return result;
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
    const size_t question = link.find('?');
    if (question == std::string::npos)
        return words;
    const std::string query = link.substr(question + 1, link.find('#', question) - question - 1);
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

SceneArguments readSceneBytes(const unsigned char* bytes, size_t size, const std::string& source,
                              int textureCount)
{
    const ArgumentTextResult text = readArgumentText(bytes, size);
    if (!text.found)
        return refused(source, text.message);
    std::vector<std::string> words;
    if (!splitShellWords(text.text, words))
        return refused(source, "its Tolvane arguments end inside a quote");
    return keepSceneSettings(words, source, textureCount);
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
    std::ifstream in(source, std::ios::binary);
    if (!in)
        return refused(source, "cannot be opened");
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0)
        return refused(source, "cannot be read");
    if (length > kLargestPictureFile)
        return refused(source, "is larger than any picture Tolvane reads back (1 GiB)");
    in.seekg(0);
    std::vector<char> bytes(static_cast<size_t>(length));
    if (!in.read(bytes.data(), length))
        return refused(source, "cannot be read");
    return readSceneBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                          source, textureCount);
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
