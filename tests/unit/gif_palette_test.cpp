// A GIF loop's palette: few colours come back as they are, many are cut to 256, and dithering
// keeps a gradient's mean where a nearest-colour mapping would band it.
#include <gtest/gtest.h>

#include <set>

#include "core/export/gif_palette.h"

namespace {

PpmImage imageOf(int width, int height, unsigned char (*colour)(int x, int y, int channel))
{
    PpmImage image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < 3; ++k)
                image.pixels.push_back(colour(x, y, k));
    return image;
}

}  // namespace

TEST(GifPalette, FewColoursAreKeptAndManyAreCutTo256)
{
    // Two flat colours (on 5-bit bins' middles): the palette holds exactly them.
    const PpmImage flags = imageOf(8, 8, [](int x, int, int k) -> unsigned char {
        return static_cast<unsigned char>(x < 4 ? (k == 0 ? 204 : 12) : (k == 2 ? 244 : 36));
    });
    GifHistogram histogram;
    addToHistogram(histogram, flags);
    const GifPalette two = buildGifPalette(histogram);
    ASSERT_EQ(2u, two.colours.size());
    EXPECT_EQ(std::set<std::uint32_t>({0xcc0c0cu, 0x2424f4u}),
              std::set<std::uint32_t>(two.colours.begin(), two.colours.end()));
    const std::vector<std::uint8_t> indices = ditherToPalette(flags, two);
    ASSERT_EQ(64u, indices.size());
    EXPECT_NE(indices[0], indices[7]);  // exact colours need no dithering
    EXPECT_EQ(indices[0], indices[63 - 7]);

    // Every 5-bit colour once: cut to 256, every entry a colour that was seen.
    const PpmImage all = imageOf(32 * 32, 32, [](int x, int y, int k) -> unsigned char {
        const int level = k == 0 ? x / 32 : k == 1 ? x % 32 : y;
        return static_cast<unsigned char>(level * 8 + 4);
    });
    GifHistogram many;
    addToHistogram(many, all);
    EXPECT_EQ(256u, buildGifPalette(many).colours.size());
}

TEST(GifPalette, DitheringKeepsAGradientsMean)
{
    // Grey 0..255 across, palette of black and white only.
    const PpmImage ramp = imageOf(256, 16, [](int x, int, int) -> unsigned char {
        return static_cast<unsigned char>(x);
    });
    GifHistogram histogram;
    addToHistogram(histogram, imageOf(2, 1, [](int x, int, int) -> unsigned char {
        return static_cast<unsigned char>(x ? 252 : 4);
    }));
    const GifPalette palette = buildGifPalette(histogram);
    ASSERT_EQ(2u, palette.colours.size());
    const std::vector<std::uint8_t> indices = ditherToPalette(ramp, palette);
    // The quarter-grey columns come out about a quarter white, not all black.
    int white = 0, count = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 48; x < 80; ++x, ++count)
            white += (palette.colours[indices[y * 256 + x]] & 0xff) > 128;
    EXPECT_NEAR(0.25, static_cast<double>(white) / count, 0.08);
}
