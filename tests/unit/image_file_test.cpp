// Tests of image loading: kind detection, PNG and JPEG variants to RGB, damaged and oversized
// files.
#include "core/image/image_file.h"
#include "core/image/exif_orientation.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <png.h>

#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <string>

#include "support/child_process.h"
#include "support/encode_images.h"
#include "support/temp_folder.h"

namespace {

using testimg::Bytes;

Bytes bytesOf(const std::string& s)
{
    return {s.begin(), s.end()};
}

ImageResult decode(const Bytes& bytes, long long maxPixels = kPpmMaxPixels)
{
    return readImageBytes(bytes.data(), bytes.size(), maxPixels);
}

// An odd-sized picture, so rows do not line up with 4 bytes and every interlace pass has pixels.
constexpr int kWidth = 11, kHeight = 9;

// Smooth colours, so that JPEG's losses stay small: 8-bit R, G, B at (x, y).
int channel(int x, int y, int c)
{
    const int v[3] = {20 + 20 * x, 30 + 22 * y, 240 - 10 * x - 8 * y};
    return v[c];
}

Bytes expectedRgb()
{
    Bytes rgb;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c)
                rgb.push_back(static_cast<unsigned char>(channel(x, y, c)));
    return rgb;
}

// The largest difference between two equally long sample runs (256 if the lengths differ).
int largestDifference(const Bytes& a, const Bytes& b)
{
    if (a.size() != b.size())
        return 256;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

// A PNG of the test picture in one colour type and bit depth, and the RGB it must decode to.
// Grey variants carry the picture's red channel; palette variants index a made-up table whose
// transparency must be ignored; alpha is a pattern that must be dropped.
struct PngCase {
    const char* name;
    int colourType;
    int bitDepth;
    bool interlaced;
};

void buildPng(const PngCase& c, testimg::PngPicture& picture, Bytes& expected)
{
    picture = {};
    picture.width = kWidth;
    picture.height = kHeight;
    picture.colourType = c.colourType;
    picture.bitDepth = c.bitDepth;
    picture.interlaced = c.interlaced;
    const int top = (1 << c.bitDepth) - 1;
    expected.clear();
    if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i <= top; ++i) {
            picture.palette.insert(picture.palette.end(), {static_cast<unsigned char>(255 - i),
                                                           static_cast<unsigned char>(i * 7),
                                                           static_cast<unsigned char>(i * 3)});
            picture.transparency.push_back(static_cast<unsigned char>(i * 16));
        }
    }
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int alpha = (x * 37 + y * 11) % 256 * top / 255;
            if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
                const int index = (x + 3 * y) % (top + 1);
                picture.samples.push_back(index);
                expected.insert(expected.end(), picture.palette.begin() + 3 * index,
                                picture.palette.begin() + 3 * index + 3);
                continue;
            }
            const bool grey = !(c.colourType & PNG_COLOR_MASK_COLOR);
            for (int ch = 0; ch < (grey ? 1 : 3); ++ch) {
                // The 8-bit value, made representable at the bit depth, then stored at it.
                const int stored = (channel(x, y, ch) * top + 127) / 255;
                picture.samples.push_back(stored);
                const int value = (stored * 255 + top / 2) / top;
                expected.insert(expected.end(), grey ? 3 : 1, static_cast<unsigned char>(value));
            }
            if (c.colourType & PNG_COLOR_MASK_ALPHA)
                picture.samples.push_back(alpha);
        }
    }
}

testimg::JpegPicture jpegOfTestPicture(int inputSpace, int fileSpace)
{
    testimg::JpegPicture picture;
    picture.width = kWidth;
    picture.height = kHeight;
    picture.inputSpace = inputSpace;
    picture.fileSpace = fileSpace;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (inputSpace == JCS_GRAYSCALE)
                picture.samples.push_back(static_cast<unsigned char>(channel(x, y, 0)));
            for (int c = 0; inputSpace == JCS_RGB && c < 3; ++c)
                picture.samples.push_back(static_cast<unsigned char>(channel(x, y, c)));
            if (inputSpace == JCS_CMYK) {
                // Ink from the colour, with a little black: R = (255 - C) * (255 - K) / 255.
                const int k = 10;
                for (int c = 0; c < 3; ++c)
                    picture.samples.push_back(
                        static_cast<unsigned char>(255 - channel(x, y, c) * 255 / (255 - k)));
                picture.samples.push_back(k);
            }
        }
    return picture;
}

testimg::Bytes samplePng()
{
    testimg::PngPicture picture;
    Bytes expected;
    buildPng({"rgb", PNG_COLOR_TYPE_RGB, 8, false}, picture, expected);
    return testimg::encodePng(picture);
}

// Big-endian 32-bit value at `at`.
void putU32(Bytes& bytes, size_t at, unsigned value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// PNG's chunk checksum (CRC-32, as zlib computes it) over `length` bytes from `at`.
unsigned crc32Of(const Bytes& bytes, size_t at, size_t length)
{
    unsigned crc = 0xffffffffu;
    for (size_t i = at; i < at + length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// The first offset of `marker` (0xFF then its code) in a JPEG.
size_t jpegMarker(const Bytes& jpeg, unsigned char code)
{
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xff && jpeg[i + 1] == code)
            return i;
    return std::string::npos;
}

}  // namespace

TEST(ImageKind, DecidedByLeadingBytesAlone)
{
    const Bytes png = samplePng();
    const struct {
        std::string bytes;
        ImageKind kind;
    } cases[] = {
        {std::string(png.begin(), png.begin() + 8), ImageKind::Png},
        {"\xff\xd8\xff\xe0", ImageKind::Jpeg},
        {"P6\n1 1 255\n", ImageKind::Ppm},
        {" \t\r\nP6", ImageKind::Ppm},
        {std::string(png.begin(), png.begin() + 7), ImageKind::Unknown},
        {"\xff\xd8", ImageKind::Unknown},
        {"P3\n1 1 255\n", ImageKind::Unknown},
        {"BM\x3a\0\0\0", ImageKind::Unknown},
        {"", ImageKind::Unknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const Bytes bytes = bytesOf(c.bytes);
        EXPECT_EQ(detectImageKind(bytes.data(), bytes.size()), c.kind);
    }

    // Unknown kinds and P6 faults keep the P6 reader's verdicts.
    EXPECT_EQ(decode(bytesOf("GIF89a")).error, ImageError::UnknownKind);
    EXPECT_EQ(decode(bytesOf("P6 2 1 255\nabc")).error, ImageError::ShortRaster);
    const ImageResult ppm = decode(bytesOf(std::string("P6\n# c\n1 1 15\n\x0f\x00\x07", 17)));
    ASSERT_TRUE(ppm.ok()) << ppm.message;
    EXPECT_EQ(ppm.kind, ImageKind::Ppm);
    EXPECT_EQ(ppm.image.pixels, (Bytes{255, 0, 119}));
}

TEST(PngDecoding, EveryColourTypeAndDepthBecomesRgb)
{
    const PngCase cases[] = {
        {"RGB 8", PNG_COLOR_TYPE_RGB, 8, false},
        {"RGB 16", PNG_COLOR_TYPE_RGB, 16, false},
        {"RGBA 8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false},
        {"RGBA 16 interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 16, true},
        {"grey 1", PNG_COLOR_TYPE_GRAY, 1, false},
        {"grey 4 interlaced", PNG_COLOR_TYPE_GRAY, 4, true},
        {"grey 8", PNG_COLOR_TYPE_GRAY, 8, false},
        {"grey 16", PNG_COLOR_TYPE_GRAY, 16, false},
        {"grey+alpha 8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false},
        {"grey+alpha 16 interlaced", PNG_COLOR_TYPE_GRAY_ALPHA, 16, true},
        {"palette 2 with tRNS", PNG_COLOR_TYPE_PALETTE, 2, false},
        {"palette 8 with tRNS, interlaced", PNG_COLOR_TYPE_PALETTE, 8, true},
        {"RGB 8 interlaced", PNG_COLOR_TYPE_RGB, 8, true},
    };
    for (const PngCase& c : cases) {
        SCOPED_TRACE(c.name);
        testimg::PngPicture picture;
        Bytes expected;
        buildPng(c, picture, expected);
        const ImageResult r = decode(testimg::encodePng(picture));
        ASSERT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(r.kind, ImageKind::Png);
        EXPECT_EQ(r.image.width, kWidth);
        EXPECT_EQ(r.image.height, kHeight);
        EXPECT_EQ(r.image.pixels, expected);
    }
}

TEST(JpegDecoding, EveryColourModelBecomesRgb)
{
    Bytes grey;
    for (size_t i = 0; i < expectedRgb().size(); i += 3)
        grey.insert(grey.end(), 3, expectedRgb()[i]);
    struct Case {
        const char* name;
        testimg::JpegPicture picture;
        Bytes expected;
    };
    std::vector<Case> cases = {
        {"baseline", jpegOfTestPicture(JCS_RGB, JCS_YCbCr), expectedRgb()},
        {"progressive", jpegOfTestPicture(JCS_RGB, JCS_YCbCr), expectedRgb()},
        {"greyscale", jpegOfTestPicture(JCS_GRAYSCALE, JCS_GRAYSCALE), grey},
        {"CMYK without Adobe marker", jpegOfTestPicture(JCS_CMYK, JCS_CMYK), expectedRgb()},
        {"Adobe CMYK, stored inverted", jpegOfTestPicture(JCS_CMYK, JCS_CMYK), expectedRgb()},
        {"Adobe YCCK, from inverted CMYK", jpegOfTestPicture(JCS_CMYK, JCS_YCCK), expectedRgb()},
    };
    cases[1].picture.progressive = true;
    cases[3].picture.adobeMarker = false;
    for (size_t adobe : {4, 5})
        for (unsigned char& sample : cases[adobe].picture.samples)
            sample = static_cast<unsigned char>(255 - sample);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageResult r = decode(testimg::encodeJpeg(c.picture));
        ASSERT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(r.kind, ImageKind::Jpeg);
        EXPECT_EQ(r.image.width, kWidth);
        EXPECT_EQ(r.image.height, kHeight);
        // Lossy, and colour is stored at half resolution: smooth colours at quality 95 come back
        // within a few levels, far closer than a wrong channel order or ink convention would.
        EXPECT_LE(largestDifference(r.image.pixels, c.expected), 24);
    }
}

TEST(DamagedImages, AreRefusedWithTheirErrorAndNoPixels)
{
    const Bytes png = samplePng();
    testimg::JpegPicture baseline = jpegOfTestPicture(JCS_RGB, JCS_YCbCr);
    const Bytes jpeg = testimg::encodeJpeg(baseline);
    baseline.progressive = true;
    const Bytes progressive = testimg::encodeJpeg(baseline);

    auto cut = [](const Bytes& b, size_t keep) { return Bytes(b.begin(), b.begin() + keep); };
    // Ones fill the middle of the scan: all-ones is never a valid Huffman code.
    auto scrambled = [](Bytes b) {
        const size_t from = jpegMarker(b, 0xda) + 20;
        for (size_t i = from; i < from + 16; i += 2) {
            b[i] = 0xff;
            b[i + 1] = 0x00;
        }
        return b;
    };
    Bytes badCrc = png;
    badCrc[png.size() - 20] ^= 0x01;  // inside the last IDAT

    const struct {
        const char* name;
        Bytes bytes;
        ImageError error;
    } cases[] = {
        {"PNG cut after the header", cut(png, 33), ImageError::Truncated},
        {"PNG cut inside the pixels", cut(png, png.size() / 2), ImageError::Truncated},
        {"PNG without its end chunk", cut(png, png.size() - 12), ImageError::Truncated},
        {"PNG with a damaged pixel chunk", badCrc, ImageError::Corrupt},
        {"JPEG cut inside the header", cut(jpeg, 30), ImageError::Truncated},
        {"JPEG cut inside the scan", cut(jpeg, jpeg.size() - 40), ImageError::Truncated},
        {"JPEG without its end marker", cut(jpeg, jpeg.size() - 2), ImageError::Truncated},
        {"progressive JPEG cut after its first scans", cut(progressive, progressive.size() / 2),
         ImageError::Truncated},
        {"JPEG with a damaged scan", scrambled(jpeg), ImageError::Corrupt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageResult r = decode(c.bytes);
        EXPECT_EQ(r.error, c.error) << r.message;
        EXPECT_FALSE(r.message.empty());
        EXPECT_EQ(r.message.find('\n'), std::string::npos);
        EXPECT_TRUE(r.image.pixels.empty());
        EXPECT_EQ(r.image.width, 0);
    }
}

TEST(OversizedImages, AreRefusedFromTheHeaderAlone)
{
    // Headers only, cut right where the pixel data begins: a decoder that allocated first would
    // report the missing pixels, not the size.
    Bytes png = samplePng();
    png.resize(33 + 8);  // signature, IHDR, then the first IDAT's length and type
    auto pngOfSize = [&](unsigned width, unsigned height) {
        Bytes b = png;
        putU32(b, 16, width);
        putU32(b, 20, height);
        putU32(b, 29, crc32Of(b, 12, 17));
        return b;
    };
    const Bytes jpegFull = testimg::encodeJpeg(jpegOfTestPicture(JCS_RGB, JCS_YCbCr));
    const size_t sof = jpegMarker(jpegFull, 0xc0);
    const Bytes jpeg(jpegFull.begin(), jpegFull.begin() + jpegMarker(jpegFull, 0xda) + 16);
    auto jpegOfSize = [&](unsigned width, unsigned height) {
        Bytes b = jpeg;
        b[sof + 5] = static_cast<unsigned char>(height >> 8);
        b[sof + 6] = static_cast<unsigned char>(height);
        b[sof + 7] = static_cast<unsigned char>(width >> 8);
        b[sof + 8] = static_cast<unsigned char>(width);
        return b;
    };

    EXPECT_EQ(decode(pngOfSize(kWidth, kHeight)).error, ImageError::Truncated);
    EXPECT_EQ(decode(pngOfSize(kPpmMaxDimension + 1, 1)).error, ImageError::TooLarge);
    EXPECT_EQ(decode(pngOfSize(1, kPpmMaxDimension + 1)).error, ImageError::TooLarge);
    EXPECT_EQ(decode(pngOfSize(20000, 20000)).error, ImageError::TooLarge);
    EXPECT_EQ(decode(jpegOfSize(kWidth, kHeight)).error, ImageError::Truncated);
    EXPECT_EQ(decode(jpegOfSize(kPpmMaxDimension + 1, 1)).error, ImageError::TooLarge);
    EXPECT_EQ(decode(jpegOfSize(20000, 20000)).error, ImageError::TooLarge);

    // A caller's lower pixel limit counts too.
    const Bytes whole = samplePng();
    EXPECT_EQ(decode(whole, kWidth * kHeight - 1).error, ImageError::TooLarge);
    EXPECT_TRUE(decode(whole, kWidth * kHeight).ok());
    EXPECT_EQ(decode(jpegFull, kWidth * kHeight - 1).error, ImageError::TooLarge);
}

// A small progressive JPEG that declares 16384 x 16384 and is cut off is refused in a process
// whose address space is far smaller than that image's pixels, without running out.
TEST(OversizedImages, ACutOffProgressiveJpegIsRefusedWithinAMemoryLimit)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit";
#endif
    testimg::JpegPicture picture = jpegOfTestPicture(JCS_RGB, JCS_YCbCr);
    picture.progressive = true;
    Bytes jpeg = testimg::encodeJpeg(picture);
    const size_t sof = jpegMarker(jpeg, 0xc2);
    for (size_t at : {sof + 5, sof + 7}) {
        jpeg[at] = 0x40;  // 16384, big-endian
        jpeg[at + 1] = 0;
    }
    jpeg.resize(jpeg.size() / 2);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlim_t limit = rlim_t{512} << 20;
        const rlimit small{limit, limit};
        setrlimit(RLIMIT_AS, &small);
        try {
            const ImageResult r = decode(jpeg);
            _exit(r.message.find('\n') == std::string::npos ? static_cast<int>(r.error) : 99);
        } catch (const std::bad_alloc&) {
            _exit(100);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(static_cast<int>(ImageError::Truncated), WEXITSTATUS(status))
        << "(100: ran out of memory first)";
}

// The eight EXIF orientations on a 3 x 2 image whose pixels are numbered, and the tag read from
// both byte orders; a camera file's stray bytes between markers are no reason to refuse it.
TEST(JpegOrientation, TheEightExifValuesTurnThePixelsAsAViewerShowsThem)
{
    // Stored:  0 1 2
    //          3 4 5
    PpmImage stored;
    stored.width = 3;
    stored.height = 2;
    for (unsigned char k = 0; k < 6; ++k)
        stored.pixels.insert(stored.pixels.end(), {k, k, k});
    const auto shown = [&](int orientation) {
        const PpmImage image = orientImage(stored, orientation);
        std::string text = std::to_string(image.width) + "x" + std::to_string(image.height) + ":";
        for (size_t i = 0; i < image.pixels.size(); i += 3)
            text += static_cast<char>('0' + image.pixels[i]);
        return text;
    };
    EXPECT_EQ("3x2:012345", shown(1));
    EXPECT_EQ("3x2:210543", shown(2));
    EXPECT_EQ("3x2:543210", shown(3));
    EXPECT_EQ("3x2:345012", shown(4));
    EXPECT_EQ("2x3:031425", shown(5));
    EXPECT_EQ("2x3:304152", shown(6));  // 90 degrees clockwise
    EXPECT_EQ("2x3:524130", shown(7));
    EXPECT_EQ("2x3:251403", shown(8));  // 90 degrees anticlockwise
    EXPECT_EQ("3x2:012345", shown(9));

    // "Exif\0\0", a TIFF header, IFD0 with one entry: Orientation, SHORT, count 1, value.
    const auto app1 = [](bool bigEndian, int value, int type = 3) {
        Bytes b = bytesOf(std::string("Exif\0\0", 6));
        const Bytes little = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01,
                              static_cast<unsigned char>(type), 0, 1, 0, 0, 0,
                              static_cast<unsigned char>(value), 0, 0, 0};
        const Bytes big = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12,
                           0, static_cast<unsigned char>(type), 0, 0, 0, 1,
                           0, static_cast<unsigned char>(value), 0, 0};
        const Bytes& tiff = bigEndian ? big : little;
        b.insert(b.end(), tiff.begin(), tiff.end());
        return b;
    };
    for (bool bigEndian : {false, true}) {
        const Bytes six = app1(bigEndian, 6);
        EXPECT_EQ(6, exifOrientation(six.data(), six.size()));
        const Bytes outOfRange = app1(bigEndian, 9), notShort = app1(bigEndian, 6, 4);
        EXPECT_EQ(1, exifOrientation(outOfRange.data(), outOfRange.size()));
        EXPECT_EQ(1, exifOrientation(notShort.data(), notShort.size()));
        EXPECT_EQ(1, exifOrientation(six.data(), six.size() - 4));  // cut inside the entry
    }

    // Through the decoder: a phone photo stored on its side comes out upright.
    testimg::JpegPicture photo = jpegOfTestPicture(JCS_RGB, JCS_YCbCr);
    photo.app1 = app1(false, 6);
    const ImageResult turned = decode(testimg::encodeJpeg(photo));
    ASSERT_TRUE(turned.ok()) << turned.message;
    EXPECT_EQ(kHeight, turned.image.width);
    EXPECT_EQ(kWidth, turned.image.height);

    Bytes camera = testimg::encodeJpeg(jpegOfTestPicture(JCS_RGB, JCS_YCbCr));
    const size_t scan = jpegMarker(camera, 0xda);
    camera.insert(camera.begin() + static_cast<long>(scan), {0x00, 0x00, 0x00});
    const ImageResult extraneous = decode(camera);
    EXPECT_TRUE(extraneous.ok()) << extraneous.message;
}

// Files that never end (a device, a FIFO fed for ever) or that are huge and of another kind are
// refused from their first bytes, under a CPU limit of a second (an alarm ends one that blocks).
TEST(EndlessImages, AreRefusedFromTheirFirstBytes)
{
    testfs::TempFolder folder;
    const std::string gif = folder / "big.gif";
    {
        std::ofstream out(gif, std::ios::binary);
        out << "GIF89a";
    }
    std::filesystem::resize_file(gif, std::uintmax_t{2} << 30);  // sparse: no disk taken
    const struct {
        std::string what, head, filler;
        ImageError error;
    } fifos[] = {
        {"blanks", "", " \n", ImageError::UnknownKind},
        {"a magic word without end", "P6", "6", ImageError::BadHeader},
        {"a comment without end", "P6\n#", "x", ImageError::BadHeader},
        {"a width without end", "P6\n", "1", ImageError::BadHeader},
    };
    const auto refusedAs = [](const std::string& path) {
        return testproc::statusInChild({RLIM_INFINITY, 1, 5}, [&] {
            return static_cast<int>(readImageFile(path).error);
        });
    };
    EXPECT_EQ(static_cast<int>(ImageError::UnknownKind), refusedAs("/dev/zero"));
    EXPECT_EQ(static_cast<int>(ImageError::UnknownKind), refusedAs(gif));
    for (const auto& f : fifos) {
        SCOPED_TRACE(f.what);
        const std::string path = folder / "endless";
        testproc::EndlessFifo fifo(path, f.head, f.filler);
        EXPECT_EQ(static_cast<int>(f.error), refusedAs(path)) << "(152: out of CPU time)";
        std::filesystem::remove(path);
    }
    EXPECT_EQ("a device", describeOtherFile("/dev/zero"));
}
