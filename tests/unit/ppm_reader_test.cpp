// Tests of the P6 reader: the header layouts it accepts, sample scaling, and each rejection.
#include "core/image/ppm.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

PpmResult parse(const std::string& bytes)
{
    std::istringstream in(bytes);
    return readPpmImage(in);
}

std::vector<unsigned char> bytesOf(const std::string& s)
{
    return {s.begin(), s.end()};
}

}  // namespace

TEST(PpmReader, AcceptsCommentLinesOnlyAfterTheMagic)
{
    std::string raster;
    for (int i = 0; i < 24; ++i)
        raster.push_back(static_cast<char>(i * 10));
    // Two comment lines in a row, the first only '#'; long comments and magic tokens of any length.
    for (const std::string& header : {std::string("P6\n# made by hand\n4 2\n255\n"),
                                      "P6\n#\n#" + std::string(5000, 'c') + "\n \t4 2 255 ",
                                      "  P6" + std::string(300, 'z') + "\r\n4\t2\n255\r"}) {
        PpmResult r = parse(header + raster);
        ASSERT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(r.image.width, 4);
        EXPECT_EQ(r.image.height, 2);
        EXPECT_EQ(r.image.pixels, bytesOf(raster));
    }
}

TEST(PpmReader, ExactlyOneWhitespaceByteEndsTheHeader)
{
    for (char first : {'\x20', '\x0a'}) {
        PpmResult r = parse(std::string("P6 1 1 255\n") + first + "\x0a\x41");
        ASSERT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(r.image.pixels, bytesOf(std::string{first, '\x0a', '\x41'}));
    }
}

TEST(PpmReader, ScalesSamplesToTheMaximumValue)
{
    // Rounded to nearest; a sample above the maximum counts as the maximum. Above 255 each
    // sample is two bytes, most significant first (1000, 500, 0, 1, 999, 3 below).
    const struct {
        std::string input;
        std::vector<unsigned char> pixels;
    } cases[] = {
        {"P6 2 1 15\n" + std::string("\x00\x0f\x07\x08\x01\x10", 6), {0, 255, 119, 136, 17, 255}},
        {"P6 2 1 1000\n" + std::string("\x03\xe8\x01\xf4\x00\x00\x00\x01\x03\xe7\x00\x03", 12),
         {255, 128, 0, 0, 255, 1}},
        {"P6 1 1 65535\n" + std::string("\xff\xff\x80\x00\x00\xff", 6), {255, 128, 1}},
    };
    for (const auto& c : cases) {
        PpmResult r = parse(c.input);
        ASSERT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(r.image.pixels, c.pixels);
    }
}

TEST(PpmReader, RejectsBrokenHeadersWithTheirError)
{
    const std::string pixel = "abc";
    const struct {
        std::string input;
        PpmError error;
    } cases[] = {
        {"", PpmError::NotP6},
        {"P3\n1 1 255\n" + pixel, PpmError::NotP6},
        {"P 6 1 1 255\n" + pixel, PpmError::NotP6},
        {"P6", PpmError::BadHeader},
        {"P6\n# no line break", PpmError::BadHeader},
        {"P6\n# comment\n", PpmError::BadHeader},
        {"P6 1\n# comment\n1 255\n" + pixel, PpmError::BadHeader},
        {"P6 1 1\n# comment\n255\n" + pixel, PpmError::BadHeader},
        {"P6 one 1 255\n" + pixel, PpmError::BadHeader},
        {"P6 1 1", PpmError::BadHeader},
        {"P6 1 1 255", PpmError::BadHeader},
        {"P6 1 1 255abc", PpmError::BadHeader},
        {"P6 99999999999 1 255\n" + pixel, PpmError::BadHeader},
        {"P6 0 1 255\n", PpmError::BadSize},
        {"P6 1 0 255\n", PpmError::BadSize},
        {"P6 -4 2 255\n", PpmError::BadSize},
        {"P6 32769 1 255\n", PpmError::BadSize},
        {"P6 32768 32768 255\n", PpmError::BadSize},
        {"P6 1 1 0\n" + pixel, PpmError::BadMaxValue},
        {"P6 1 1 65536\n" + pixel, PpmError::BadMaxValue},
        {"P6 2 1 255\n" + pixel, PpmError::ShortRaster},
        {"P6 1 1 256\n" + pixel, PpmError::ShortRaster},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        PpmResult r = parse(c.input);
        EXPECT_EQ(r.error, c.error) << r.message;
        EXPECT_FALSE(r.message.empty());
    }
}

TEST(PpmReader, ShortRasterSaysHowManyBytesArrived)
{
    PpmResult r = parse("P6 4 2 255\n" + std::string(10, 'x'));
    EXPECT_EQ(r.error, PpmError::ShortRaster);
    EXPECT_EQ(r.message, "raster holds 10 of 24 bytes");
    // The largest size allowed, claimed by a tiny file, is refused without reserving it.
    r = parse("P6 16384 16384 65535\n" + std::string(100, 'x'));
    EXPECT_EQ(r.error, PpmError::ShortRaster);
    EXPECT_EQ(r.message, "raster holds 100 of 1610612736 bytes");
    EXPECT_EQ(readPpmFile("/nonexistent/tolvane/none.ppm").error, PpmError::OpenFailed);
}
