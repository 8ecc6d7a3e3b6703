// The viewer where it once ended or hung when things went wrong outside it: here, a user
// allowed no more processes (as `ulimit -u 1` sets), so no worker thread can start.
#include <sys/stat.h>

#include <string>

#include "child_process.h"
#include "harness.h"
#include "png_decode.h"
#include "temp_folder.h"

namespace {

using namespace e2e;

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

}  // namespace
