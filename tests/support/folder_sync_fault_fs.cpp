// A FUSE file system for the fault tests: BACKING passed through at MOUNTPOINT, except that
// syncing a folder (fsync of a directory, FUSE_FSYNCDIR) fails with EIO, as a failing disk
// does. What a file write needs (create, write, sync, rename, link, chmod) reaches the backing
// folder, so what is written can be read there; setting times is not passed through.
//   tolvane_folder_sync_fault_fs BACKING MOUNTPOINT
// Runs in the foreground, single-threaded, until unmounted or sent SIGTERM (it then unmounts).
// Exit status 77: the mount itself was refused (no /dev/fuse, no permission).
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

int backing = -1;  // the backing folder; every path is taken relative to it

// "/a/b" as "a/b", and the root as ".".
const char* inside(const char* path)
{
    return path[1] == '\0' ? "." : path + 1;
}

int status(int result)
{
    return result < 0 ? -errno : 0;
}

int getAttributes(const char* path, struct stat* st, fuse_file_info* file)
{
    if (file)
        return status(fstat(static_cast<int>(file->fh), st));
    return status(fstatat(backing, inside(path), st, AT_SYMLINK_NOFOLLOW));
}

int readFolder(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
               fuse_readdir_flags)
{
    const int fd = openat(backing, inside(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    DIR* folder = fdopendir(fd);
    if (!folder) {
        close(fd);
        return -ENOMEM;
    }
    for (dirent* entry; (entry = readdir(folder));)
        fill(buffer, entry->d_name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    closedir(folder);
    return 0;
}

int makeFolder(const char* path, mode_t mode)
{
    return status(mkdirat(backing, inside(path), mode));
}

int removeFile(const char* path)
{
    return status(unlinkat(backing, inside(path), 0));
}

int removeFolder(const char* path)
{
    return status(unlinkat(backing, inside(path), AT_REMOVEDIR));
}

int renameEntry(const char* from, const char* to, unsigned flags)
{
    return status(renameat2(backing, inside(from), backing, inside(to), flags));
}

int linkEntry(const char* from, const char* to)
{
    return status(linkat(backing, inside(from), backing, inside(to), 0));
}

int changeMode(const char* path, mode_t mode, fuse_file_info* file)
{
    if (file)
        return status(fchmod(static_cast<int>(file->fh), mode));
    return status(fchmodat(backing, inside(path), mode, 0));
}

int truncateFile(const char* path, off_t size, fuse_file_info* file)
{
    if (file)
        return status(ftruncate(static_cast<int>(file->fh), size));
    const int fd = openat(backing, inside(path), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    const int result = status(ftruncate(fd, size));
    close(fd);
    return result;
}

int createFile(const char* path, mode_t mode, fuse_file_info* file)
{
    const int fd = openat(backing, inside(path), file->flags | O_CLOEXEC, mode);
    if (fd < 0)
        return -errno;
    file->fh = static_cast<uint64_t>(fd);
    return 0;
}

int openFile(const char* path, fuse_file_info* file)
{
    const int fd = openat(backing, inside(path), file->flags | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    file->fh = static_cast<uint64_t>(fd);
    return 0;
}

int readFile(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* file)
{
    const ssize_t n = pread(static_cast<int>(file->fh), buffer, size, offset);
    return n < 0 ? -errno : static_cast<int>(n);
}

int writeFile(const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* file)
{
    const ssize_t n = pwrite(static_cast<int>(file->fh), buffer, size, offset);
    return n < 0 ? -errno : static_cast<int>(n);
}

int fileSystemStatus(const char*, struct statvfs* st)
{
    return status(fstatvfs(backing, st));
}

int releaseFile(const char*, fuse_file_info* file)
{
    close(static_cast<int>(file->fh));
    return 0;
}

int syncFile(const char*, int dataOnly, fuse_file_info* file)
{
    const int fd = static_cast<int>(file->fh);
    return status(dataOnly ? fdatasync(fd) : fsync(fd));
}

// The one fault.
int syncFolder(const char*, int, fuse_file_info*)
{
    return -EIO;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s BACKING MOUNTPOINT\n", argv[0]);
        return 2;
    }
    backing = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (backing < 0) {
        std::fprintf(stderr, "%s: %s\n", argv[1], std::strerror(errno));
        return 2;
    }
    if (access("/dev/fuse", R_OK | W_OK) != 0) {
        std::fprintf(stderr, "/dev/fuse: %s\n", std::strerror(errno));
        return 77;
    }
    fuse_operations ops{};
    ops.getattr = getAttributes;
    ops.readdir = readFolder;
    ops.mkdir = makeFolder;
    ops.unlink = removeFile;
    ops.rmdir = removeFolder;
    ops.rename = renameEntry;
    ops.link = linkEntry;
    ops.chmod = changeMode;
    ops.truncate = truncateFile;
    ops.create = createFile;
    ops.open = openFile;
    ops.read = readFile;
    ops.write = writeFile;
    ops.statfs = fileSystemStatus;
    ops.release = releaseFile;
    ops.fsync = syncFile;
    ops.fsyncdir = syncFolder;

    char* fuseArgv[] = {argv[0], nullptr};
    fuse_args args = FUSE_ARGS_INIT(1, fuseArgv);
    fuse* fs = fuse_new(&args, &ops, sizeof ops, nullptr);
    if (!fs)
        return 1;
    if (fuse_mount(fs, argv[2]) != 0) {
        fuse_destroy(fs);
        return 77;
    }
    fuse_set_signal_handlers(fuse_get_session(fs));
    const int result = fuse_loop(fs);
    fuse_remove_signal_handlers(fuse_get_session(fs));
    fuse_unmount(fs);
    fuse_destroy(fs);
    return result == 0 ? 0 : 1;
}
