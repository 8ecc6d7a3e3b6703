// libFuzzer target: arbitrary bytes as a texture file, through the dispatcher that reads the
// first bytes of a file and hands the rest to one reader, alone and followed by 70 KiB of blanks
// (past the P6 header's cap). The file's verdict must be the one the same bytes in memory get,
// and no input may hang it (libFuzzer's -timeout) or let an exception out.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/image/image_file.h"

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

// A file in memory holding `bytes`, by a path readImageFile can open.
struct MemoryFile {
    explicit MemoryFile(const std::string& bytes) : fd(memfd_create("texture", 0))
    {
        check(fd >= 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
        path = "/proc/self/fd/" + std::to_string(fd);
    }
    ~MemoryFile() { close(fd); }
    int fd;
    std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Headers past this size ask for a few hundred MB of pixels: the decoders' own targets
    // cover those with a low pixel limit.
    if (size > 4096)
        return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const std::string& content : {bytes, bytes + std::string(70 << 10, ' ')}) {
        const MemoryFile file(content);
        const ImageResult fromFile = readImageFile(file.path);
        const ImageResult inMemory = readImageBytes(
            reinterpret_cast<const unsigned char*>(content.data()), content.size());
        check(fromFile.error == inMemory.error);
        check(fromFile.ok() || (!fromFile.message.empty() &&
                                fromFile.message.find('\n') == std::string::npos &&
                                fromFile.image.pixels.empty()));
        check(!fromFile.ok() || fromFile.image.pixels == inMemory.image.pixels);
    }
    return 0;
}
