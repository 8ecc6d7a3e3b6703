// Files that leave the viewer: the temporary file cannot be redirected, a failed export says
// the operating system's reason, the output folder is checked.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/export/atomic_file.h"
#include "core/export/numbered_file.h"
#include "core/export/vase_gltf.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

using testfs::contentOf;
using Folder = testfs::TempFolder;

// A link planted under any name the writer might use never carries the write elsewhere.
TEST(AtomicFile, APlantedLinkCannotRedirectTheWrite)
{
    const Folder folder;
    const std::string victim = folder / "victim", target = folder / "picture.png";
    std::ofstream(victim) << "precious";
    // The name an earlier version used, and the final name itself.
    fs::create_symlink(victim, target + ".tmp-" + std::to_string(getpid()));

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
    EXPECT_EQ(3, std::distance(fs::directory_iterator(folder.path), {}));  // no temporary left
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
