// The arguments text a saved picture carries, found by walking its PNG chunks or JPEG markers
// from a source that is read in order and never held whole (a file may be far larger than
// the text). No GL, no printing.
#pragma once

#include <cstddef>
#include <string>

// The arguments text of a PNG's "Tolvane arguments" tEXt/iTXt chunk or a JPEG's COM marker
// that starts "Tolvane arguments: ". `message` says why there is none (not PNG/JPEG, no chunk).
struct ArgumentTextResult {
    bool found = false;
    std::string text;
    std::string message;  // a few words, without the file name
};

// Most bytes of a picture --scene walks, and most bytes of the arguments text it takes.
constexpr unsigned long long kLargestPictureFile = 1ULL << 30;
constexpr size_t kLargestArgumentText = 1 << 20;

// Bytes read in order. read() takes exactly `n` bytes or says false at the end; skip() passes
// over `n` bytes without keeping them.
struct ByteSource {
    virtual ~ByteSource() = default;
    virtual bool read(void* out, size_t n) = 0;
    virtual bool skip(unsigned long long n) = 0;
};

// Bytes already in memory.
struct MemorySource : ByteSource {
    MemorySource(const unsigned char* bytes, size_t size) : at(bytes), left(size) {}
    bool read(void* out, size_t n) override;
    bool skip(unsigned long long n) override;
    const unsigned char* at;
    size_t left;
};

// Reads the arguments text from a source positioned at the picture's first byte.
ArgumentTextResult readArgumentTextFrom(ByteSource& source);
