// The PNG encoder, checked by libpng's own reader: rows in order, text chunks, refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/image/png_write.h"
#include "png_decode.h"

TEST(PngWrite, RowsAndTextsReadBackUnchanged)
{
    PpmImage image;
    image.width = 3;
    image.height = 2;
    for (int i = 0; i < 18; ++i)
        image.pixels.push_back(static_cast<unsigned char>(i * 14));
    const PngEncodeResult png =
        encodePng(image, {{"Software", "Tolvane"}, {"Tolvane arguments", "--set 'a b'=1"}});
    ASSERT_TRUE(png.ok()) << png.message;

    const std::string path = ::testing::TempDir() + "png_write_test.png";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    ASSERT_EQ(png.bytes.size(), std::fwrite(png.bytes.data(), 1, png.bytes.size(), file));
    std::fclose(file);
    const testimg::DecodedPng decoded = testimg::decodePngFile(path);
    std::remove(path.c_str());
    ASSERT_EQ("", decoded.error);
    EXPECT_EQ(3, decoded.width);
    EXPECT_EQ(2, decoded.height);
    EXPECT_EQ(image.pixels, decoded.rgb);  // the first row stays on top
    EXPECT_EQ("Tolvane", decoded.texts.at("Software"));
    EXPECT_EQ("--set 'a b'=1", decoded.texts.at("Tolvane arguments"));
}

TEST(PngWrite, RefusesWhatIsNoImage)
{
    PpmImage empty;
    EXPECT_FALSE(encodePng(empty).ok());
    PpmImage torn;
    torn.width = 2;
    torn.height = 2;
    torn.pixels.assign(11, 0);  // one byte short
    EXPECT_FALSE(encodePng(torn).ok());
    PpmImage pixel;
    pixel.width = pixel.height = 1;
    pixel.pixels.assign(3, 0);
    EXPECT_FALSE(encodePng(pixel, {{"", "no keyword"}}).ok());
    EXPECT_FALSE(encodePng(pixel, {{std::string(80, 'k'), "keyword too long"}}).ok());
}
