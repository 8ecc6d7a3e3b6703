// Walks a PNG's chunks or a JPEG's markers for the arguments text, holding only the text.
#include "core/picture_text.h"

#include <cstring>
#include <vector>

#include "core/options.h"

namespace {

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// The JPEG comment Tolvane writes: the keyword, ": ", then the arguments.
const std::string kCommentPrefix = std::string(kArgumentsKeyword) + ": ";

unsigned long bigEndian32(const unsigned char* p)
{
    return (static_cast<unsigned long>(p[0]) << 24) | (static_cast<unsigned long>(p[1]) << 16) |
           (static_cast<unsigned long>(p[2]) << 8) | p[3];
}

ArgumentTextResult tooLong()
{
    ArgumentTextResult result;
    result.message = "its Tolvane arguments are longer than " +
                     std::to_string(kLargestArgumentText >> 20) + " MiB";
    return result;
}

// A text segment of `length` bytes: its body when it starts with `start` and fits the cap,
// else it is passed over. `outcome`: 0 passed over, 1 read into `body`, 2 the arguments but
// too long, -1 the source ended inside it.
int readTextSegment(ByteSource& source, unsigned long long length, const std::string& start,
                    std::string& body)
{
    if (length < start.size())
        return source.skip(length) ? 0 : -1;
    body.assign(start.size(), '\0');
    if (!source.read(&body[0], start.size()))
        return -1;
    if (body != start)
        return source.skip(length - start.size()) ? 0 : -1;
    if (length > kLargestArgumentText)
        return 2;
    body.resize(static_cast<size_t>(length));
    return source.read(&body[start.size()], body.size() - start.size()) ? 1 : -1;
}

// tEXt: keyword NUL text. iTXt: keyword NUL flag method language NUL translated NUL text.
ArgumentTextResult pngText(ByteSource& source)
{
    ArgumentTextResult result;
    const std::string keyword = std::string(kArgumentsKeyword) + '\0';
    unsigned char head[8];
    while (source.read(head, sizeof head)) {
        const unsigned long length = bigEndian32(head);
        const unsigned char* type = head + 4;
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
        const bool plain = std::memcmp(type, "tEXt", 4) == 0;
        const bool international = std::memcmp(type, "iTXt", 4) == 0;
        // Only text chunks are read: image data can run to hundreds of megabytes.
        std::string body;
        const int outcome = plain || international ? readTextSegment(source, length, keyword, body)
                                                   : (source.skip(length) ? 0 : -1);
        if (outcome == 2)
            return tooLong();
        // The chunk's CRC must be there too: a chunk that runs past the end is not trusted.
        if (outcome < 0 || !source.skip(4))
            break;
        if (outcome == 0)
            continue;
        size_t textStart = keyword.size();
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

// Markers up to the first scan; Tolvane writes its comment before the frame. The source is
// just past the first marker's 0xff.
ArgumentTextResult jpegText(ByteSource& source)
{
    ArgumentTextResult result;
    for (bool first = true;; first = false) {
        unsigned char byte = 0;
        if (!first && !(source.read(&byte, 1) && byte == 0xff))
            break;
        unsigned char marker = 0;
        do {  // fill bytes before a marker
            if (!source.read(&marker, 1))
                marker = 0xd9;
        } while (marker == 0xff);
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7))  // no length
            continue;
        if (marker == 0xd9 || marker == 0xda)
            break;
        unsigned char size[2];
        if (!source.read(size, 2))
            break;
        const size_t length = (static_cast<size_t>(size[0]) << 8) | size[1];
        if (length < 2)
            break;
        std::string body;
        const int outcome = marker == 0xfe
                                ? readTextSegment(source, length - 2, kCommentPrefix, body)
                                : (source.skip(length - 2) ? 0 : -1);
        if (outcome < 0)
            break;
        if (outcome == 2)
            return tooLong();
        if (outcome == 1) {
            result.found = true;
            result.text = body.substr(kCommentPrefix.size());
            return result;
        }
    }
    result.message = "it is a JPEG without Tolvane arguments (not a picture Tolvane saved)";
    return result;
}

}  // namespace

bool MemorySource::read(void* out, size_t n)
{
    if (n > left)
        return false;
    std::memcpy(out, at, n);
    at += n;
    left -= n;
    return true;
}

bool MemorySource::skip(unsigned long long n)
{
    if (n > left)
        return false;
    at += n;
    left -= static_cast<size_t>(n);
    return true;
}

ArgumentTextResult readArgumentTextFrom(ByteSource& source)
{
    unsigned char head[8] = {};
    const bool three = source.read(head, 3);
    if (three && head[0] == 0xff && head[1] == 0xd8 && head[2] == 0xff) {
        return jpegText(source);  // the third byte began the first marker
    }
    if (three && source.read(head + 3, 5) && std::memcmp(head, kPngSignature, 8) == 0)
        return pngText(source);
    ArgumentTextResult result;
    result.message = "it is neither a PNG nor a JPEG picture";
    return result;
}

ArgumentTextResult readArgumentText(const unsigned char* bytes, size_t size)
{
    MemorySource source(bytes, size);
    return readArgumentTextFrom(source);
}
