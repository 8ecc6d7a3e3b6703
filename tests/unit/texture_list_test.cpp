// Tests of the texture list reader: count forms, names, short lists, bad counts, paths beside the
// list.
#include "core/texture_list.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TextureListResult parse(const std::string& text)
{
    std::istringstream in(text);
    return readTextureList(in);
}

}  // namespace

TEST(TextureList, ReadsTheCountAsPercentI)
{
    const struct {
        const char* head;
        int count;
    } cases[] = {{"5", 5},      {"0x5", 5}, {"0X5", 5},  {"05", 5},
                 {"  \n+5", 5}, {"010", 8}, {"0xa", 10}, {"0", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.head);
        TextureListResult r = parse(std::string(c.head) + " a b c d e f g h i j k");
        ASSERT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(r.count, c.count);
        EXPECT_EQ(r.names.size(), static_cast<size_t>(c.count));
    }
}

TEST(TextureList, ReadsExactlyCountNamesAcrossLines)
{
    std::istringstream in("3\ntable.ppm can.ppm\n\n\t earth.ppm\nvase.ppm");
    TextureListResult r = readTextureList(in);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.names, (std::vector<std::string>{"table.ppm", "can.ppm", "earth.ppm"}));
    std::string rest;
    in >> rest;
    EXPECT_EQ(rest, "vase.ppm");

    const std::string longName(10000, 'n');
    r = parse("1 " + longName);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.names, std::vector<std::string>{longName});
}

TEST(TextureList, ReportsHowManyNamesAShortListHolds)
{
    TextureListResult r = parse("4\na.ppm\nb.ppm\n");
    EXPECT_EQ(r.error, TextureListError::MissingNames);
    EXPECT_EQ(r.count, 4);
    EXPECT_EQ(r.namesFound, 2);
    EXPECT_NE(r.message.find("2 of 4"), std::string::npos) << r.message;

    // A huge count with one name reserves nothing from the count.
    r = parse("2147483647 only.ppm");
    EXPECT_EQ(r.error, TextureListError::MissingNames);
    EXPECT_EQ(r.namesFound, 1);
}

TEST(TextureList, RejectsCountsThatAreNotNonNegativeInts)
{
    for (const char* text : {"", "   ", "abc 1 a", "# 1 a", "0x", "0xg", "-", "+ 1", "2147483648",
                             "0x80000000", "-2147483649", "99999999999999999999999"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parse(text).error, TextureListError::BadCount);
    }
    for (const char* text : {"-1 a", "-0x2", "-2147483648"}) {
        SCOPED_TRACE(text);
        TextureListResult r = parse(text);
        EXPECT_EQ(r.error, TextureListError::NegativeCount);
        EXPECT_LT(r.count, 0);
    }
    EXPECT_EQ(readTextureListFile("/nonexistent/tolvane/textureList.txt").error,
              TextureListError::OpenFailed);
}

TEST(TextureList, PathBesideListUsesTheListsFolder)
{
    EXPECT_EQ(pathBesideList("assets/textureList.txt", "wood.ppm"), "assets/wood.ppm");
    EXPECT_EQ(pathBesideList("/srv/tex/list.txt", "sub/can.ppm"), "/srv/tex/sub/can.ppm");
    EXPECT_EQ(pathBesideList("/list.txt", "a.ppm"), "/a.ppm");
    // Nothing different to try: a list in the working directory, or an absolute name.
    EXPECT_EQ(pathBesideList("textureList.txt", "a.ppm"), "");
    EXPECT_EQ(pathBesideList("./textureList.txt", "a.ppm"), "");
    EXPECT_EQ(pathBesideList("assets/textureList.txt", "/abs/a.ppm"), "");
}

TEST(TextureList, SkipsAUtf8ByteOrderMark)
{
    const TextureListResult r = parse("\xEF\xBB\xBF" "2\na.ppm\nb.ppm\n");
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ((std::vector<std::string>{"a.ppm", "b.ppm"}), r.names);
    EXPECT_EQ(TextureListError::BadCount, parse("\xEF\xBB" "2 a b").error);
}
