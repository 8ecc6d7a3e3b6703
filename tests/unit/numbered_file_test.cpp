// The first-free-number rule for saved files, and that no existing file is ever replaced.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "core/export/numbered_file.h"

namespace {

// Runs each test in a fresh folder: the rule works in the working folder.
class NumberedFile : public ::testing::Test {
  protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tolvane-numbered-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        folder = pattern;
        ASSERT_NE(nullptr, getcwd(previous, sizeof previous));
        ASSERT_EQ(0, chdir(folder.c_str()));
    }
    void TearDown() override
    {
        EXPECT_EQ(0, chdir(previous));
        std::system(("rm -rf " + folder).c_str());
    }
    static std::string contents(const std::string& name)
    {
        std::ifstream in(name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string folder;
    char previous[4096] = {};
};

}  // namespace

TEST_F(NumberedFile, TakesTheFirstFreeNumberAndReplacesNothing)
{
    EXPECT_EQ("tolvane-1000.png", numberedName("tolvane", 1000, ".png"));
    EXPECT_EQ("tolvane-001.png", writeNumberedFile("tolvane", ".png", "a", 1).name);
    std::ofstream("tolvane-003.png") << "kept";
    EXPECT_EQ("tolvane-002.png", writeNumberedFile("tolvane", ".png", "b", 1).name);
    EXPECT_EQ("tolvane-004.png", writeNumberedFile("tolvane", ".png", "c", 1).name);
    EXPECT_EQ("tolvane-vase-001.glb", writeNumberedFile("tolvane-vase", ".glb", "d", 1).name);
    EXPECT_EQ("kept", contents("tolvane-003.png"));

    // A file that appears under the chosen name while the body is written is kept as it is.
    const NumberedWriteResult raced = writeNumberedFile("tolvane", ".png", [](std::ostream& out) {
        std::ofstream("tolvane-005.png") << "someone else's";
        return static_cast<bool>(out << "mine");
    });
    EXPECT_TRUE(raced.ok);
    EXPECT_EQ("tolvane-006.png", raced.name);
    EXPECT_EQ("someone else's", contents("tolvane-005.png"));
    EXPECT_EQ("mine", contents("tolvane-006.png"));
}

TEST_F(NumberedFile, AFailedBodyLeavesNothing)
{
    const NumberedWriteResult failed =
        writeNumberedFile("tolvane", ".png", [](std::ostream&) { return false; });
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.message.empty());
    EXPECT_EQ(0, system("test -z \"$(ls -A)\""));  // not even a temporary file
}
