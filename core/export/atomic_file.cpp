// Temporary file, write, close, rename: a reader never sees a partly written file.
#include "core/export/atomic_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

// errno as text, or `fallback` when the failing step left no errno behind.
std::string causeOf(int err, const char* fallback)
{
    return err != 0 ? std::strerror(err) : fallback;
}

WriteResult failure(const std::string& what, const std::string& path, const std::string& cause)
{
    return WriteResult{false, what + " " + path + ": " + cause};
}

// Moves the finished temporary file to `path`. Without `replace`, a hard link claims the name
// only if it is free; a file system without hard links falls back to a checked rename.
int moveIntoPlace(const std::string& temp, const std::string& path, bool replace)
{
    if (replace)
        return std::rename(temp.c_str(), path.c_str());
    if (link(temp.c_str(), path.c_str()) == 0) {
        std::remove(temp.c_str());  // the name is claimed; a leftover link would be harmless
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return -1;
    if (access(path.c_str(), F_OK) == 0) {
        errno = EEXIST;
        return -1;
    }
    return std::rename(temp.c_str(), path.c_str());
}

WriteResult writeVia(const std::string& path, const std::function<bool(std::ostream&)>& writeBody,
                     bool replace)
{
    // The suffix is unique to this process, and no name the program writes ends with it.
    const std::string temp = path + ".tmp-" + std::to_string(static_cast<long>(getpid()));
    errno = 0;
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out)
        return failure("cannot create", path, causeOf(errno, "cannot open a temporary file"));

    bool bodyOk = false;
    errno = 0;
    try {
        bodyOk = writeBody(out) && out.flush();
    } catch (...) {
        out.close();
        std::remove(temp.c_str());
        throw;
    }
    int err = errno;
    // Closing writes what is still buffered, so it can fail on a full disk too.
    const bool streamOk = !out.fail();
    errno = 0;
    out.close();
    if (streamOk && out.fail())
        err = errno;
    if (!bodyOk || out.fail()) {
        std::remove(temp.c_str());
        if (streamOk && !out.fail())
            return failure("cannot write", path, "the contents could not be produced");
        return failure("cannot write", path, causeOf(err, "write failed"));
    }
    errno = 0;
    if (moveIntoPlace(temp, path, replace) != 0) {
        err = errno;
        std::remove(temp.c_str());
        WriteResult result =
            failure("cannot rename into place", path, causeOf(err, "rename failed"));
        result.exists = err == EEXIST;
        return result;
    }
    return WriteResult{true, ""};
}

}  // namespace

WriteResult writeFileAtomically(const std::string& path,
                                const std::function<bool(std::ostream&)>& writeBody)
{
    return writeVia(path, writeBody, true);
}

WriteResult writeNewFileAtomically(const std::string& path,
                                   const std::function<bool(std::ostream&)>& writeBody)
{
    return writeVia(path, writeBody, false);
}

WriteResult writeFileAtomically(const std::string& path, const void* data, std::size_t size)
{
    return writeFileAtomically(path, [data, size](std::ostream& out) {
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        return static_cast<bool>(out);
    });
}
