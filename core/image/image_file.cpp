// Image files of any supported kind: detection by leading bytes and dispatch to the decoders.
#include "core/image/image_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <istream>
#include <iterator>
#include <streambuf>
#include <vector>

namespace {

bool isSpaceByte(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// Lets the stream-based P6 reader parse bytes in memory without copying them.
struct MemoryBuffer : std::streambuf {
    MemoryBuffer(const unsigned char* bytes, size_t size)
    {
        char* begin = const_cast<char*>(reinterpret_cast<const char*>(bytes));
        setg(begin, begin, begin + size);
    }
};

// Replays the bytes already read to tell the kind, then goes on with the rest of the stream:
// FIFOs and devices cannot seek back.
class ReplayBuffer : public std::streambuf {
  public:
    ReplayBuffer(std::string head, std::streambuf* rest) : head_(std::move(head)), rest_(rest)
    {
        setg(head_.data(), head_.data(), head_.data() + head_.size());
    }

  protected:
    int_type underflow() override
    {
        const std::streamsize n = rest_->sgetn(buffer_, sizeof buffer_);
        if (n <= 0)
            return traits_type::eof();
        setg(buffer_, buffer_, buffer_ + n);
        return traits_type::to_int_type(buffer_[0]);
    }

  private:
    std::string head_;
    std::streambuf* rest_;
    char buffer_[1 << 16];
};

ImageResult failure(ImageKind kind, ImageError error, std::string message)
{
    ImageResult result;
    result.kind = kind;
    result.error = error;
    result.message = std::move(message);
    return result;
}

ImageError fromPpmError(PpmError error)
{
    switch (error) {
    case PpmError::None: return ImageError::None;
    case PpmError::OpenFailed: return ImageError::OpenFailed;
    case PpmError::NotP6: return ImageError::UnknownKind;
    case PpmError::BadHeader: return ImageError::BadHeader;
    case PpmError::BadSize: return ImageError::BadSize;
    case PpmError::BadMaxValue: return ImageError::BadMaxValue;
    case PpmError::ShortRaster: return ImageError::ShortRaster;
    }
    return ImageError::Corrupt;
}

ImageResult readPpmStream(std::istream& in)
{
    PpmResult ppm = readPpmImage(in);
    ImageResult result;
    result.kind = ppm.error == PpmError::NotP6 ? ImageKind::Unknown : ImageKind::Ppm;
    result.error = fromPpmError(ppm.error);
    result.message =
        ppm.error == PpmError::NotP6 ? "not a P6 PPM, PNG or JPEG file" : std::move(ppm.message);
    if (ppm.ok())
        result.image = std::move(ppm.image);
    return result;
}

}  // namespace

ImageKind detectImageKind(const unsigned char* bytes, size_t size)
{
    if (size >= sizeof kPngSignature &&
        std::memcmp(bytes, kPngSignature, sizeof kPngSignature) == 0)
        return ImageKind::Png;
    if (size >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff)
        return ImageKind::Jpeg;
    size_t i = 0;
    while (i < size && isSpaceByte(bytes[i]))
        ++i;
    if (size - i >= 2 && bytes[i] == 'P' && bytes[i + 1] == '6')
        return ImageKind::Ppm;
    return ImageKind::Unknown;
}

std::string imageSizeProblem(long long width, long long height, long long maxPixels)
{
    if (width > kPpmMaxDimension || height > kPpmMaxDimension)
        return std::to_string(width) + " x " + std::to_string(height) + " pixels is above " +
               std::to_string(kPpmMaxDimension) + " a side";
    if (width * height > maxPixels)
        return std::to_string(width) + " x " + std::to_string(height) + " pixels is more than " +
               std::to_string(maxPixels);
    return std::string();
}

ImageResult readImageBytes(const unsigned char* bytes, size_t size, long long maxPixels)
{
    switch (detectImageKind(bytes, size)) {
    case ImageKind::Png: return readPngBytes(bytes, size, maxPixels);
    case ImageKind::Jpeg: return readJpegBytes(bytes, size, maxPixels);
    case ImageKind::Ppm:
    case ImageKind::Unknown: break;
    }
    // The P6 reader has the last word on what is P6, with its own messages.
    MemoryBuffer buffer(bytes, size);
    std::istream in(&buffer);
    return readPpmStream(in);
}

ImageResult readImageFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return failure(ImageKind::Unknown, ImageError::OpenFailed, "cannot be opened");
    // The kind from the first bytes: whitespace (as much as a P6 header may hold), then eight.
    std::string head;
    std::streambuf* file = in.rdbuf();
    int c = file->sgetc();
    while (c != std::char_traits<char>::eof() && isSpaceByte(static_cast<unsigned char>(c)) &&
           static_cast<long long>(head.size()) < kPpmMaxHeaderBytes) {
        head.push_back(static_cast<char>(file->sbumpc()));
        c = file->sgetc();
    }
    const size_t blanks = head.size();
    while (head.size() < blanks + 8 && (c = file->sbumpc()) != std::char_traits<char>::eof())
        head.push_back(static_cast<char>(c));
    const ImageKind kind = detectImageKind(reinterpret_cast<const unsigned char*>(head.data()),
                                           head.size());
    if (kind == ImageKind::Unknown)
        return failure(kind, ImageError::UnknownKind, "not a P6 PPM, PNG or JPEG file");

    ReplayBuffer replay(std::move(head), file);
    std::istream rest(&replay);
    // P6 rasters can be large: stream them rather than hold the file and the image at once.
    if (kind == ImageKind::Ppm)
        return readPpmStream(rest);
    // PNG and JPEG are decoded from memory, which takes at most kLargestImageFile bytes.
    const size_t cap = static_cast<size_t>(kLargestImageFile);
    std::vector<unsigned char> bytes;
    while (rest && bytes.size() <= cap) {
        const size_t start = bytes.size();
        bytes.resize(std::min(start + std::max<size_t>(start, 1 << 16), cap + 1));
        rest.read(reinterpret_cast<char*>(bytes.data() + start),
                  static_cast<std::streamsize>(bytes.size() - start));
        bytes.resize(start + static_cast<size_t>(rest.gcount()));
    }
    if (bytes.size() > cap)
        return failure(kind, ImageError::TooLarge,
                       "the file is larger than " + std::to_string(cap >> 20) + " MiB");
    if (rest.bad())
        return failure(kind, ImageError::OpenFailed, "cannot be read");
    return readImageBytes(bytes.data(), bytes.size());
}

std::string describeOtherFile(const std::string& path)
{
    // Only plain files are opened: a FIFO or a device may block or never end.
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        if (S_ISDIR(info.st_mode))
            return "a folder";
        if (S_ISFIFO(info.st_mode))
            return "a FIFO (named pipe)";
        if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
            return "a device";
        return "not a plain file";
    }
    std::ifstream in(path, std::ios::binary);
    char head[12] = {};
    in.read(head, sizeof head);
    const std::string bytes(head, static_cast<size_t>(in.gcount()));
    if (bytes.empty())
        return "an empty file";
    const auto startsWith = [&](const char* magic, size_t length) {
        return bytes.size() >= length && bytes.compare(0, length, magic, length) == 0;
    };
    if (startsWith("GIF8", 4))
        return "a GIF image";
    if (startsWith("BM", 2))
        return "a BMP image";
    if (startsWith("II*\0", 4) || startsWith("MM\0*", 4))
        return "a TIFF image";
    if (startsWith("RIFF", 4) && bytes.size() >= 12 && bytes.compare(8, 4, "WEBP") == 0)
        return "a WebP image";
    if (bytes.size() >= 12 && bytes.compare(4, 4, "ftyp") == 0)
        return "an HEIF/AVIF image or a video";
    if (startsWith("%PDF", 4))
        return "a PDF document";
    if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '7' && bytes[1] != '6')
        return std::string("a P") + bytes[1] + " Netpbm image";
    return "a file of an unknown kind";
}
