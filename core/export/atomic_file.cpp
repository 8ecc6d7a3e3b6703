// Exclusive temporary file, write, sync, rename: a reader never sees a partly written file, a
// planted link cannot redirect the write, and a power cut cannot leave an empty file behind.
#include "core/export/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/syscall.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <stdexcept>
#include <streambuf>
#include <vector>

namespace {

// errno as text, or `fallback` when the failing step left no errno behind.
std::string causeOf(int err, const char* fallback)
{
    return err != 0 ? std::strerror(err) : fallback;
}

WriteResult failure(const std::string& what, const std::string& path, const std::string& cause)
{
    return WriteResult{false, what + " " + path + ": " + cause, false, ""};
}

// An output buffer over a file descriptor that keeps the errno of the first failed write.
class FdBuffer : public std::streambuf {
  public:
    explicit FdBuffer(int fd) : fd_(fd), buffer_(1 << 16)
    {
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    }
    int error() const { return error_; }

  protected:
    int_type overflow(int_type c) override
    {
        if (!drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return drain() ? 0 : -1; }

  private:
    bool drain()
    {
        if (error_ != 0)
            return false;
        for (const char* p = pbase(); p < pptr();) {
            const ssize_t n = ::write(fd_, p, static_cast<size_t>(pptr() - p));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error_ = n < 0 ? errno : EIO;
                return false;
            }
            p += n;
        }
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        return true;
    }
    int fd_;
    std::vector<char> buffer_;
    int error_ = 0;
};

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Gives `path` the name of `temp` only while `path` is free, atomically. Where the kernel or
// the file system has no RENAME_NOREPLACE (EINVAL, ENOSYS), a hard link claims the name, as
// atomically; a file system with neither fails with its own reason.
int renameNoReplace(const std::string& temp, const std::string& path)
{
#if defined(__linux__) && defined(SYS_renameat2)
    constexpr unsigned kNoReplace = 1;  // RENAME_NOREPLACE
    if (syscall(SYS_renameat2, AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), kNoReplace) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
#endif
#if defined(__EMSCRIPTEN__)
    // The page's in-memory files have no hard links, and no other process or thread writes
    // them, so nothing can take the name between this check and the rename.
    struct stat existing;
    if (lstat(path.c_str(), &existing) == 0) {
        errno = EEXIST;
        return -1;
    }
    return std::rename(temp.c_str(), path.c_str());
#endif
    if (link(temp.c_str(), path.c_str()) != 0)
        return -1;
    unlink(temp.c_str());  // the name is claimed; a leftover second link would be harmless
    return 0;
}

// Makes the rename itself durable. File systems that cannot sync a folder say EINVAL. A folder
// that may be written but not read (mode 300) cannot be opened to be synced: the file is in
// place by then, so that is no failure.
int syncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const int result = fsync(fd) != 0 && errno != EINVAL ? -1 : 0;
    const int err = errno;
    close(fd);
    errno = err;
    return result;
}

// The mode a plain open(O_CREAT, 0666) would give, since mkstemp makes the file private.
mode_t defaultFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    // A mask that would leave the owner unable to read the file is no real umask (the page's
    // in-memory files report 0777): keep the file readable and writable by its owner.
    return (0666 & ~mask) | 0600;
}

}  // namespace

TemporaryFile openTemporaryFile(const std::string& name)
{
    TemporaryFile temp;
    // O_EXCL: never an existing file, and never through a link (O_NOFOLLOW says so twice).
    errno = 0;
    temp.fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (temp.fd < 0) {
        temp.error = errno;
        return temp;
    }
    temp.path = name;
    fchmod(temp.fd, defaultFileMode());
    return temp;
}

TemporaryFile createTemporaryFile(const std::string& path)
{
    // A random suffix cannot be planted in advance; a name that is taken is passed over.
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof letters) - 2);
    TemporaryFile temp;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = path + ".tmp-";
        for (int k = 0; k < 6; ++k)
            name += letters[pick(device)];
        temp = openTemporaryFile(name);
        if (temp.fd >= 0 || temp.error != EEXIST)
            return temp;
    }
    return temp;
}

namespace {

WriteResult writeVia(const std::string& path, const std::function<bool(std::ostream&)>& writeBody,
                     bool replace)
{
    const TemporaryFile temp = createTemporaryFile(path);
    if (temp.fd < 0)
        return failure("cannot create", path, causeOf(temp.error, "cannot open a temporary file"));
    const auto discard = [&temp] {
        close(temp.fd);
        unlink(temp.path.c_str());
    };

    FdBuffer buffer(temp.fd);
    std::ostream out(&buffer);
    bool bodyOk = false;
    try {
        bodyOk = writeBody(out) && out.flush();
    } catch (const std::bad_alloc&) {
        discard();
        return failure("cannot write", path, "not enough memory to produce the contents");
    } catch (const std::exception& e) {
        discard();
        return failure("cannot write", path, e.what());
    }
    if (buffer.error() != 0) {
        discard();
        return failure("cannot write", path, causeOf(buffer.error(), "write failed"));
    }
    if (!bodyOk) {
        discard();
        return failure("cannot write", path, "the contents could not be produced");
    }
    return commitTemporaryFile(temp, path, replace);
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

WriteResult commitTemporaryFile(const TemporaryFile& temp, const std::string& path, bool replace)
{
    // On disk before it takes the name: "Saved" must never stand for an empty file.
    if (fsync(temp.fd) != 0) {
        const int err = errno;
        discardTemporaryFile(temp);
        return failure("cannot write", path, causeOf(err, "sync failed"));
    }
    if (close(temp.fd) != 0) {
        const int err = errno;
        unlink(temp.path.c_str());
        return failure("cannot write", path, causeOf(err, "close failed"));
    }
    errno = 0;
    const int moved = replace ? std::rename(temp.path.c_str(), path.c_str())
                              : renameNoReplace(temp.path, path);
    if (moved != 0) {
        const int err = errno;
        unlink(temp.path.c_str());
        WriteResult result =
            failure("cannot rename into place", path, causeOf(err, "rename failed"));
        result.exists = err == EEXIST;
        return result;
    }
    // The whole file is in place by now: a folder that cannot be synced is said, not failed.
    WriteResult written{true, "", false, ""};
    if (syncFolder(folderOf(path)) != 0)
        written.note = "the folder of " + path + " could not be synced: " +
                       causeOf(errno, "sync failed");
    return written;
}

void discardTemporaryFile(const TemporaryFile& temp)
{
    if (temp.fd >= 0)
        close(temp.fd);
    if (!temp.path.empty())
        unlink(temp.path.c_str());
}

WriteResult writeFileAtomically(const std::string& path, const void* data, std::size_t size)
{
    return writeFileAtomically(path, [data, size](std::ostream& out) {
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        return static_cast<bool>(out);
    });
}
