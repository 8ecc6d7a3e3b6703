// Files that leave the viewer: the temporary file cannot be redirected, a failed export says
// the operating system's reason, the output folder is checked.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/export/atomic_file.h"
#include "core/export/numbered_file.h"
#include "core/export/vase_gltf.h"
#include "child_process.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

using testfs::contentOf;
using Folder = testfs::TempFolder;

// A link planted at the name a temporary file is opened under never carries the write elsewhere.
TEST(AtomicFile, APlantedLinkCannotRedirectTheWrite)
{
    const Folder folder;
    const std::string victim = folder / "victim", target = folder / "picture.png";
    std::ofstream(victim) << "precious";
    const std::string planted = target + ".tmp-planted";
    fs::create_symlink(victim, planted);

    const TemporaryFile atPlanted = openTemporaryFile(planted);
    EXPECT_LT(atPlanted.fd, 0);
    EXPECT_EQ(EEXIST, atPlanted.error) << std::strerror(atPlanted.error);
    if (atPlanted.fd >= 0) {
        if (write(atPlanted.fd, "x", 1) < 0)
            ADD_FAILURE() << std::strerror(errno);
        close(atPlanted.fd);
    }
    EXPECT_EQ("precious", contentOf(victim));
    EXPECT_TRUE(fs::is_symlink(planted));
    fs::remove(planted);

    const TemporaryFile temp = createTemporaryFile(target);
    ASSERT_GE(temp.fd, 0) << std::strerror(temp.error);
    struct stat info;
    ASSERT_EQ(0, lstat(temp.path.c_str(), &info));
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(0u, temp.path.rfind(target + ".tmp-", 0)) << temp.path;
    close(temp.fd);
    unlink(temp.path.c_str());

    ASSERT_TRUE(writeFileAtomically(target, "new", 3).ok);
    EXPECT_EQ("precious", contentOf(victim));
    EXPECT_EQ("new", contentOf(target));

    // A link at the final name is replaced, not followed; a new file refuses to take its name.
    fs::remove(target);
    fs::create_symlink(victim, target);
    const WriteResult refused =
        writeNewFileAtomically(target, [](std::ostream& out) { return bool(out << "x"); });
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.exists) << refused.message;
    ASSERT_TRUE(writeFileAtomically(target, "replaced", 8).ok);
    EXPECT_FALSE(fs::is_symlink(target));
    EXPECT_EQ("precious", contentOf(victim));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(folder.path), {}));  // no temporary left
}

// A folder that may be written and entered but not listed (mode 300) takes a save once, and
// says it did. Root ignores the mode, so the writer runs as another user (nobody) there.
TEST(AtomicFile, AFolderThatCannotBeListedTakesOneSave)
{
    const Folder folder;
    const std::string drop = folder / "drop";
    fs::create_directory(drop);
    const uid_t nobody = 65534;
    if (geteuid() == 0) {
        fs::permissions(folder.path, fs::perms::owner_all | fs::perms::others_exec);
        ASSERT_EQ(0, chown(drop.c_str(), nobody, nobody));
    }
    fs::permissions(drop, fs::perms::owner_write | fs::perms::owner_exec);

    int report[2];
    ASSERT_EQ(0, pipe(report));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(report[0]);
        if (geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0))
            _exit(2);
        const NumberedWriteResult r = writeNumberedFile(drop + "/tolvane", ".png", "picture", 7);
        const std::string text = r.ok ? "ok " + r.name : r.message;
        if (write(report[1], text.data(), text.size()) < 0)
            _exit(3);
        _exit(0);
    }
    close(report[1]);
    std::string said;
    char buffer[256];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<size_t>(n));
    close(report[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ("ok " + drop + "/tolvane-001.png", said);
    fs::permissions(drop, fs::perms::owner_all);
    EXPECT_EQ("picture", contentOf(drop + "/tolvane-001.png"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(drop), {}));
}

// A full disk (here a file-size limit) is reported in the operating system's words.
TEST(AtomicFile, AFailedExportNamesTheOperatingSystemsReason)
{
    const Folder folder;
    VaseSettings s;
    NumberedWriteResult r;
    {
        const testfs::FileSizeLimit limit(4096);
        r = writeNumberedVaseGlb(folder / "tolvane-vase", s, {});
    }
    EXPECT_FALSE(r.ok);
    EXPECT_NE(std::string::npos, r.message.find(std::strerror(EFBIG))) << r.message;
    EXPECT_EQ(0, std::distance(fs::directory_iterator(folder.path), {}));

    const NumberedWriteResult written = writeNumberedVaseGlb(folder / "tolvane-vase", s, {});
    EXPECT_TRUE(written.ok) << written.message;
    EXPECT_EQ(folder / "tolvane-vase-001.glb", written.name);
}

// Running out of memory while the body is made is a message like any failed write: the
// temporary file is removed and nothing escapes (in a child under an address-space limit).
TEST(AtomicFile, RunningOutOfMemoryWhileWritingIsAMessage)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit";
#endif
    const Folder folder;
    const int status = testproc::statusInChild({rlim_t{512} << 20, 30, 60}, [&] {
        const NumberedWriteResult r =
            writeNumberedFile(folder / "tolvane", ".png", [](std::ostream& out) {
                std::vector<char> huge(size_t{1} << 30, 'x');
                out.write(huge.data(), static_cast<std::streamsize>(huge.size()));
                return static_cast<bool>(out);
            });
        return r.ok ? 2 : r.message.find("not enough memory") == std::string::npos ? 3 : 0;
    });
    EXPECT_EQ(0, status) << "(2: reported written, 3: another message, 101: exception let out)";
    EXPECT_EQ(0u, folder.entries());
}

TEST(OutputFolder, MustExistBeAFolderAndTakeFiles)
{
    const Folder folder;
    EXPECT_EQ("", outputFolderProblem(folder.path.string()));
    EXPECT_EQ(std::strerror(ENOENT), outputFolderProblem(folder / "missing"));
    std::ofstream(folder / "file") << "x";
    EXPECT_EQ("not a folder", outputFolderProblem(folder / "file"));
    if (geteuid() != 0) {
        fs::permissions(folder.path, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(std::strerror(EACCES), outputFolderProblem(folder.path.string()));
        fs::permissions(folder.path, fs::perms::owner_all);
    }
}
