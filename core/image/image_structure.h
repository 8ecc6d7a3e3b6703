// The structure of PNG and JPEG files as the desktop's decoders walk it: PNG chunks and JPEG
// marker segments, for checking a file before a more lenient decoder takes it and for the text
// a picture carries. Nothing is decoded. No GL, no printing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The CRC-32 of PNG chunks (ISO 3309, as zlib's crc32).
uint32_t crc32(const unsigned char* bytes, size_t size);

constexpr size_t kPngSignatureSize = 8;

// One chunk: its length (4 bytes, big-endian), type (4 letters), data and CRC.
struct PngChunk {
    const unsigned char* type = nullptr;
    const unsigned char* data = nullptr;  // `length` bytes after the type
    uint32_t length = 0;
    size_t next = 0;  // where the chunk after it starts
    bool is(const char* name) const;
    // An upper-case first letter: a decoder must understand the chunk, and refuses it damaged.
    bool critical() const;
    bool crcRight() const;
};

// The chunk that starts at `at` of `size` bytes; false when fewer than the 12 bytes of its frame
// remain or its data runs past the end.
bool readPngChunk(const unsigned char* bytes, size_t size, size_t at, PngChunk& chunk);

// One tEXt chunk: a Latin-1 keyword of 1 to 79 characters and its text.
struct PngText {
    std::string keyword;
    std::string text;
};

// A whole tEXt chunk: keyword, a zero byte, the text (bytes as given, Latin-1), and its CRC.
std::vector<unsigned char> pngTextChunk(const PngText& text);

// Where text chunks go in `png`: right after its header chunk, as the desktop's writer puts
// them. 0 when the bytes do not begin with the signature and a whole IHDR chunk.
size_t pngTextPlace(const unsigned char* png, size_t size);

// One JPEG marker segment that has a length: the marker's code and the bytes after the length.
struct JpegSegment {
    unsigned char marker = 0;
    const unsigned char* data = nullptr;
    size_t size = 0;  // the segment's length less its own two bytes
};

enum class JpegWalkEnd { EndOfImage, CutOff, Stopped };

// Walks the marker segments after SOI as libjpeg reads them: each segment by its length, each
// scan (SOS) through its entropy-coded data, so that markers inside a segment (an APP1
// thumbnail's own scan and end) count for nothing; bytes between markers are skipped, as libjpeg
// skips them. `visit` sees every segment with a length, an SOS one before its scan is skipped,
// and stops the walk by returning false. Ends at EOI, at data that ends early, or when stopped.
JpegWalkEnd walkJpegSegments(const unsigned char* bytes, size_t size,
                             const std::function<bool(const JpegSegment&)>& visit);

// Decoders such as a browser's draw what they can of a cut-off or damaged file, and decode
// whatever size a header declares; the desktop's refuse both. Returns the desktop's message for
// a PNG whose chunks do not run whole to IEND or whose critical chunks have a wrong CRC, for a
// JPEG whose segments and scans do not run whole to its end marker, and for either whose
// header's size is above the desktop's limits (imageSizeProblem); else (and for other kinds)
// empty. Corrupt entropy-coded data inside a JPEG scan is not detected: only decoding tells it.
std::string imageStructureProblem(const unsigned char* bytes, size_t size);
