// Binary PPM (P6) reader: parses the header byte by byte, then reads and scales the raster.
#include "core/image/ppm.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <fstream>

namespace {

// The C locale's whitespace: space, tab, line feed, vertical tab, form feed, carriage return.
bool isSpaceByte(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigitByte(int c)
{
    return c >= '0' && c <= '9';
}

// The header is read through a budget of kPpmMaxHeaderBytes: a stream that never ends (a
// device, a FIFO fed for ever) looks as if it ended there, so no header read runs for ever.
class Header {
  public:
    explicit Header(std::istream& in) : in_(in) {}
    int peek() { return used_ < kPpmMaxHeaderBytes ? in_.peek() : std::char_traits<char>::eof(); }
    int get()
    {
        if (used_ >= kPpmMaxHeaderBytes)
            return std::char_traits<char>::eof();
        ++used_;
        return in_.get();
    }
    bool overrun() const { return used_ >= kPpmMaxHeaderBytes; }

  private:
    std::istream& in_;
    long long used_ = 0;
};

void skipSpace(Header& in)
{
    while (isSpaceByte(in.peek()))
        in.get();
}

PpmResult failure(PpmError error, std::string message)
{
    PpmResult result;
    result.error = error;
    result.message = std::move(message);
    return result;
}

PpmResult headerFailure(const Header& in, std::string message)
{
    if (in.overrun())
        message = "the header runs past " + std::to_string(kPpmMaxHeaderBytes) + " bytes";
    return failure(PpmError::BadHeader, std::move(message));
}

// Reads one decimal integer as scanf's %d would: leading whitespace, an optional sign, digits.
// Returns an empty string on success, else why `name` could not be read (no undefined
// behaviour on overflow: digits are accumulated in a wider type and checked as they come).
std::string readHeaderInt(Header& in, const char* name, int& value)
{
    skipSpace(in);
    if (in.peek() == std::char_traits<char>::eof())
        return std::string("header ends before the ") + name;
    bool negative = false;
    if (in.peek() == '+' || in.peek() == '-')
        negative = in.get() == '-';
    if (!isDigitByte(in.peek()))
        return std::string("the ") + name + " is not a number";
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    while (isDigitByte(in.peek())) {
        magnitude = magnitude * 10 + (in.get() - '0');
        if (magnitude > limit)
            return std::string("the ") + name + " does not fit an int";
    }
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return std::string();
}

// Reads a width or height and checks it lies in 1..kPpmMaxDimension; on failure fills `bad`.
bool readDimension(Header& in, const char* name, int& value, PpmResult& bad)
{
    const std::string why = readHeaderInt(in, name, value);
    if (!why.empty())
        bad = headerFailure(in, why);
    else if (value <= 0)
        bad = failure(PpmError::BadSize,
                      std::string(name) + " " + std::to_string(value) + " is not positive");
    else if (value > kPpmMaxDimension)
        bad = failure(PpmError::BadSize, std::string(name) + " " + std::to_string(value) +
                                             " is above " + std::to_string(kPpmMaxDimension));
    else
        return true;
    return false;
}

// Appends up to `total` bytes to `out`, growing it with what actually arrives rather than
// with what the header claims, so a short file never causes a huge allocation.
void readRaster(std::istream& in, std::uint64_t total, std::vector<unsigned char>& out)
{
    const std::uint64_t firstChunk = 64 * 1024;
    while (out.size() < total && in) {
        std::uint64_t chunk = std::min<std::uint64_t>(
            std::max<std::uint64_t>(firstChunk, out.size()), total - out.size());
        size_t start = out.size();
        out.resize(start + chunk);
        in.read(reinterpret_cast<char*>(out.data() + start), static_cast<std::streamsize>(chunk));
        out.resize(start + static_cast<size_t>(in.gcount()));
    }
}

// value * 255 / maxValue, rounded to nearest; samples above the maximum count as the maximum.
unsigned char scaleSample(int value, int maxValue)
{
    value = std::min(value, maxValue);
    return static_cast<unsigned char>((value * 255 + maxValue / 2) / maxValue);
}

}  // namespace

PpmResult readPpmImage(std::istream& stream)
{
    Header in(stream);
    // Magic: the first whitespace-delimited token; only its first two bytes count, and the
    // rest of it is read only once they are "P6".
    skipSpace(in);
    std::string magic;
    while (in.peek() != std::char_traits<char>::eof() && !isSpaceByte(in.peek())) {
        const int c = in.get();
        if (magic.size() < 2)
            magic.push_back(static_cast<char>(c));
        if (magic.size() == 2 && magic != "P6")
            break;
    }
    if (magic != "P6")
        return failure(PpmError::NotP6, "not a P6 PPM file");
    skipSpace(in);

    // Comment lines are accepted only here, between the magic and the width.
    while (in.peek() == '#') {
        int c = in.get();
        while (c != '\n' && c != std::char_traits<char>::eof())
            c = in.get();
        skipSpace(in);
    }

    PpmImage image;
    int maxValue = 0;
    std::string why;
    PpmResult bad;
    if (!readDimension(in, "width", image.width, bad) ||
        !readDimension(in, "height", image.height, bad))
        return bad;
    const long long pixelCount = static_cast<long long>(image.width) * image.height;
    if (pixelCount > kPpmMaxPixels)
        return failure(PpmError::BadSize,
                       std::to_string(image.width) + " x " + std::to_string(image.height) +
                           " pixels is more than " + std::to_string(kPpmMaxPixels));
    if (!(why = readHeaderInt(in, "maximum value", maxValue)).empty())
        return headerFailure(in, why);
    if (maxValue < 1 || maxValue > 65535)
        return failure(PpmError::BadMaxValue,
                       "maximum value " + std::to_string(maxValue) + " is outside 1..65535");
    const int separator = in.get();
    if (separator == std::char_traits<char>::eof())
        return headerFailure(in, "header ends after the maximum value");
    if (!isSpaceByte(separator))
        return failure(PpmError::BadHeader, "no whitespace byte after the maximum value");

    // Above 255 every sample takes two bytes, most significant first.
    const int bytesPerSample = maxValue > 255 ? 2 : 1;
    const std::uint64_t rasterBytes = static_cast<std::uint64_t>(pixelCount) * 3 * bytesPerSample;
    std::vector<unsigned char> raw;
    readRaster(stream, rasterBytes, raw);
    if (raw.size() < rasterBytes)
        return failure(PpmError::ShortRaster, "raster holds " + std::to_string(raw.size()) +
                                                  " of " + std::to_string(rasterBytes) + " bytes");

    if (maxValue == 255) {
        image.pixels = std::move(raw);
    } else if (bytesPerSample == 1) {
        unsigned char table[256];
        for (int v = 0; v < 256; ++v)
            table[v] = scaleSample(v, maxValue);
        for (unsigned char& sample : raw)
            sample = table[sample];
        image.pixels = std::move(raw);
    } else {
        image.pixels.resize(raw.size() / 2);
        for (size_t i = 0; i < image.pixels.size(); ++i)
            image.pixels[i] = scaleSample(raw[2 * i] << 8 | raw[2 * i + 1], maxValue);
    }
    PpmResult result;
    result.image = std::move(image);
    return result;
}

PpmResult readPpmFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return failure(PpmError::OpenFailed, "cannot be opened");
    return readPpmImage(in);
}
