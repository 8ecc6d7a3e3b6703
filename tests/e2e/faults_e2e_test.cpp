// The viewer where it once ended, hung or failed when things went wrong outside it: a user
// allowed no more processes (as `ulimit -u 1` sets), so no worker thread can start; a disk
// that cannot sync a folder.
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "child_process.h"
#include "harness.h"
#include "png_decode.h"
#include "temp_folder.h"

namespace {

using namespace e2e;

#ifdef FOLDER_SYNC_FAULT_FS
constexpr const char* folderSyncFaultFs = FOLDER_SYNC_FAULT_FS;
#else
constexpr const char* folderSyncFaultFs = "";  // built without libfuse3
#endif

// While it lives, `backing` is seen at `mountPoint` through a file system whose only fault is
// that a folder cannot be synced (EIO; tests/support/folder_sync_fault_fs.cpp).
class FolderSyncFaultMount {
  public:
    FolderSyncFaultMount(const std::string& backing, const std::string& mountPoint,
                         const std::string& log)
        : mountPoint_(mountPoint)
    {
        const pid_t parent = getpid();
        helper_ = fork();
        if (helper_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);  // a test that dies leaves no mount behind
            if (getppid() == parent && freopen(log.c_str(), "w", stderr))
                execl(folderSyncFaultFs, folderSyncFaultFs, backing.c_str(), mountPoint.c_str(),
                      static_cast<char*>(nullptr));
            _exit(127);
        }
        waitUntil([&] { return mounted() || ended(); }, 20.0);
    }
    ~FolderSyncFaultMount()
    {
        // SIGTERM: the helper unmounts and ends; a mount it leaves is taken down here.
        if (helper_ > 0)
            kill(helper_, SIGTERM);
        waitUntil([&] { return ended(); }, 10.0);
        if (mounted() && umount2(mountPoint_.c_str(), MNT_DETACH) != 0)
            testproc::statusInChild({}, [&] {
                execlp("fusermount3", "fusermount3", "-u", "-z", mountPoint_.c_str(),
                       static_cast<char*>(nullptr));
                return 127;
            });
        if (!ended()) {
            kill(helper_, SIGKILL);
            waitpid(helper_, nullptr, 0);
        }
    }
    FolderSyncFaultMount(const FolderSyncFaultMount&) = delete;
    FolderSyncFaultMount& operator=(const FolderSyncFaultMount&) = delete;

    bool mounted() const
    {
        std::ifstream mounts("/proc/mounts");
        for (std::string line; std::getline(mounts, line);) {
            std::istringstream fields(line);
            std::string device, where;
            if (fields >> device >> where && where == mountPoint_)
                return true;
        }
        return false;
    }
    // The helper's exit status once it has ended: 77 when the mount was refused.
    int exitStatus() const { return exitStatus_; }

  private:
    bool ended()
    {
        int status = 0;
        if (helper_ > 0 && waitpid(helper_, &status, WNOHANG) == helper_) {
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            helper_ = -1;
        }
        return helper_ <= 0;
    }
    std::string mountPoint_;
    pid_t helper_ = -1;
    int exitStatus_ = -1;
};

// --render as an unprivileged user with no processes to spare: the vase is built in the
// foreground, the picture written (status 0) and one line says so.
TEST(Faults, WithoutThreadsAPictureIsStillWrittenWithOneLineSaid)
{
    const testfs::TempFolder folder;
    const std::string dir = folder.path.string();
    writeStandardTextures(dir);
    chmod(dir.c_str(), 0777);
    const std::string said = folder / "stderr.txt";
    const int status = testproc::statusInChild({RLIM_INFINITY, 120, 120}, [&] {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            return 77;
        const rlimit none{1, 1};
        setrlimit(RLIMIT_NPROC, &none);
        if (chdir(dir.c_str()) != 0 || !freopen(said.c_str(), "w", stderr) ||
            !freopen("/dev/null", "w", stdout))
            return 78;
        unsetenv("DISPLAY");
        setenv("LP_NUM_THREADS", "0", 1);  // llvmpipe itself waits for threads it cannot have
        execl(TOLVANE_BINARY, TOLVANE_BINARY, "--render", "picture.png", "--set",
              "vaseVerticalSteps=600", "textureList.txt", static_cast<char*>(nullptr));
        return 79;
    });
    if (status == 77)
        GTEST_SKIP() << "cannot become an unprivileged user";
    const std::string lines = testfs::contentOf(said);
    EXPECT_EQ(0, status) << lines << "(134: an uncaught exception)";
    EXPECT_EQ("", testimg::decodePngFile(folder / "picture.png").error);
    EXPECT_NE(std::string::npos, lines.find("built in the foreground")) << lines;
    EXPECT_EQ(lines.size() - 1, lines.find('\n')) << "one line: " << lines;
}

// The folder sync comes after the rename, so the picture is whole and in place when it fails:
// --render says so and that the folder could not be synced, and ends with status 0.
TEST(Faults, AFolderThatCannotBeSyncedStillKeepsTheWrittenPicture)
{
    if (*folderSyncFaultFs == '\0')
        GTEST_SKIP() << "built without libfuse3 (libfuse3-dev)";
    const testfs::TempFolder folder;
    writeStandardTextures(folder.path.string());
    const std::string backing = folder / "backing", mountPoint = folder / "mount";
    std::filesystem::create_directory(backing);
    std::filesystem::create_directory(mountPoint);
    const std::string log = folder / "fuse.txt", said = folder / "stderr.txt";
    const FolderSyncFaultMount mount(backing, mountPoint, log);
    if (!mount.mounted() && mount.exitStatus() == 77)
        GTEST_SKIP() << "FUSE cannot be mounted here: " << testfs::contentOf(log);
    ASSERT_TRUE(mount.mounted()) << "status " << mount.exitStatus() << ": "
                                 << testfs::contentOf(log);

    const int status = testproc::statusInChild({RLIM_INFINITY, 120, 120}, [&] {
        if (chdir(folder.path.c_str()) != 0 || !freopen(said.c_str(), "w", stderr) ||
            !freopen("/dev/null", "w", stdout))
            return 78;
        unsetenv("DISPLAY");
        execl(TOLVANE_BINARY, TOLVANE_BINARY, "--render", "mount/picture.png",
              "textureList.txt", static_cast<char*>(nullptr));
        return 79;
    });
    const std::string lines = testfs::contentOf(said);
    EXPECT_EQ(0, status) << lines;
    EXPECT_EQ("", testimg::decodePngFile(backing + "/picture.png").error);
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(backing), {}))
        << "no temporary file is left beside the picture";
    EXPECT_NE(std::string::npos,
              lines.find("the folder of mount/picture.png could not be synced: " +
                         std::string(std::strerror(EIO))))
        << lines;
}

}  // namespace
