// Videos through libavcodec, libavformat and libswscale, into an exclusive temporary file.
#include "core/export/video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>

#include "core/export/atomic_file.h"

struct VideoFile {
    std::string path;
    VideoParams params;
    GifPalette palette;
    TemporaryFile temp;
    int writeError = 0;  // errno of the first failed write or seek
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    SwsContext* convert = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    long long index = 0;  // frames sent
    double encodeSeconds = 0;
};

namespace {

constexpr int kIoBufferBytes = 1 << 16;

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

int writeToFile(void* opaque, uint8_t* bytes, int size)
{
    VideoFile* v = static_cast<VideoFile*>(opaque);
    for (int done = 0; done < size;) {
        const ssize_t n = write(v->temp.fd, bytes + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (v->writeError == 0)
                v->writeError = n < 0 ? errno : EIO;
            return AVERROR(v->writeError);
        }
        done += static_cast<int>(n);
    }
    return size;
}

int64_t seekInFile(void* opaque, int64_t offset, int whence)
{
    VideoFile* v = static_cast<VideoFile*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat st;
        return fstat(v->temp.fd, &st) == 0 ? st.st_size : AVERROR(errno);
    }
    const off_t at = lseek(v->temp.fd, offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
}

void freeContexts(VideoFile* v)
{
    if (v->format) {
        if (v->format->pb) {
            av_freep(&v->format->pb->buffer);
            avio_context_free(&v->format->pb);
        }
        avformat_free_context(v->format);
        v->format = nullptr;
    }
    avcodec_free_context(&v->codec);
    sws_freeContext(v->convert);
    v->convert = nullptr;
    av_frame_free(&v->frame);
    av_packet_free(&v->packet);
}

// The cause of a failed step: the write's own errno where a write failed (a full disk), else
// the library's words.
std::string cause(const VideoFile* v, int code)
{
    return v->writeError != 0 ? std::strerror(v->writeError) : avError(code);
}

// Sends `frame` (null: drain) and writes every packet the encoder gives back.
int encode(VideoFile* v, AVFrame* frame)
{
    int status = avcodec_send_frame(v->codec, frame);
    while (status >= 0) {
        status = avcodec_receive_packet(v->codec, v->packet);
        if (status == AVERROR(EAGAIN) || status == AVERROR_EOF)
            return 0;
        if (status < 0)
            break;
        av_packet_rescale_ts(v->packet, v->codec->time_base, v->stream->time_base);
        v->packet->stream_index = v->stream->index;
        status = av_interleaved_write_frame(v->format, v->packet);
    }
    return status;
}

// A GIF comment extension of `text` in sub-blocks of at most 255 bytes, then the trailer.
std::string gifCommentAndTrailer(const std::string& text)
{
    std::string block = "\x21\xfe";
    for (size_t at = 0; at < text.size(); at += 255) {
        const std::string part = text.substr(at, 255);
        block += static_cast<char>(part.size());
        block += part;
    }
    block += '\0';
    block += '\x3b';
    return block;
}

// The muxer ends a GIF with its trailer byte; the comment goes just before it.
int appendGifComment(VideoFile* v)
{
    unsigned char last = 0;
    const off_t end = lseek(v->temp.fd, 0, SEEK_END);
    if (end < 1 || pread(v->temp.fd, &last, 1, end - 1) != 1 || last != 0x3b)
        return AVERROR_INVALIDDATA;
    const std::string tail = gifCommentAndTrailer(v->params.comment);
    if (lseek(v->temp.fd, end - 1, SEEK_SET) < 0)
        return AVERROR(errno);
    return writeToFile(v, reinterpret_cast<uint8_t*>(const_cast<char*>(tail.data())),
                       static_cast<int>(tail.size())) < 0
               ? AVERROR(v->writeError)
               : 0;
}

// A GIF's comment extensions, walked block by block (the demuxer does not report them).
VideoCommentResult gifComment(const std::vector<unsigned char>& b)
{
    VideoCommentResult result;
    result.message = "it is a GIF without Tolvane arguments";
    size_t at = 13;
    if (b.size() < at)
        return result;
    const auto skipTable = [&](unsigned char flags) {
        if (flags & 0x80)
            at += 3u << ((flags & 7) + 1);
    };
    const auto subBlocks = [&](std::string* text) {
        while (at < b.size() && b[at] != 0) {
            const size_t n = b[at];
            if (text && at + 1 + n <= b.size())
                text->append(reinterpret_cast<const char*>(&b[at + 1]), n);
            at += 1 + n;
        }
        ++at;
    };
    skipTable(b[10]);
    while (at < b.size()) {
        if (b[at] == 0x3b)
            break;
        if (b[at] == 0x21 && at + 1 < b.size()) {
            const bool comment = b[at + 1] == 0xfe;
            at += 2;
            std::string text;
            subBlocks(comment ? &text : nullptr);
            if (comment) {
                result.found = true;
                result.text = text;
                return result;
            }
        } else if (b[at] == 0x2c && at + 10 < b.size()) {
            const unsigned char flags = b[at + 9];
            at += 10;
            skipTable(flags);
            ++at;  // LZW minimum code size
            subBlocks(nullptr);
        } else {
            break;
        }
    }
    return result;
}

}  // namespace

VideoOpenResult openVideo(const std::string& path, const VideoParams& params)
{
    VideoOpenResult result;
    // The libraries' own lines (x264's statistics, warnings) would break the one closing line;
    // every failure comes back as a message instead.
    av_log_set_level(AV_LOG_QUIET);
    const bool gif = params.kind == TurntableKind::Gif;
    const char* muxer = params.kind == TurntableKind::Mp4 ? "mp4" : gif ? "gif" : "webm";
    const char* encoder = params.kind == TurntableKind::Mp4 ? "libx264" : gif ? "gif" : "libvpx-vp9";
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
    if (!codec) {
        result.message = "cannot write " + path + ": this FFmpeg has no " + encoder + " encoder";
        return result;
    }
    VideoFile* v = new VideoFile;
    v->path = path;
    v->params = params;
    const auto fail = [&](const std::string& what, int code) {
        result.message = "cannot write " + path + ": " + what + ": " + cause(v, code);
        abandonVideo(v);
        result.video = nullptr;
        return result;
    };
    v->temp = createTemporaryFile(path);
    if (v->temp.fd < 0) {
        result.message = "cannot create " + path + ": " +
                         (v->temp.error ? std::strerror(v->temp.error) : "no temporary file");
        delete v;
        return result;
    }
    int status = avformat_alloc_output_context2(&v->format, nullptr, muxer, nullptr);
    if (status < 0)
        return fail("no muxer", status);
    v->codec = avcodec_alloc_context3(codec);
    v->packet = av_packet_alloc();
    v->frame = av_frame_alloc();
    v->codec->width = params.width;
    v->codec->height = params.height;
    const AVRational rate = av_d2q(params.fps, 100000);
    v->codec->framerate = rate;
    v->codec->time_base = gif ? AVRational{1, 100} : av_inv_q(rate);
    v->codec->pix_fmt = gif ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_YUV420P;
    v->codec->gop_size = static_cast<int>(std::lround(params.fps * 2));  // a key frame each 2 s
    if (v->format->oformat->flags & AVFMT_GLOBALHEADER)
        v->codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (params.kind == TurntableKind::Mp4) {
        av_dict_set(&options, "preset", "veryfast", 0);  // x264 shares the cores with the drawing
        av_dict_set(&options, "crf", "18", 0);  // visually lossless for a still life
    } else if (!gif) {
        av_dict_set(&options, "deadline", "good", 0);
        av_dict_set(&options, "cpu-used", "5", 0);
        av_dict_set(&options, "row-mt", "1", 0);
        av_dict_set(&options, "crf", "24", 0);
        v->codec->bit_rate = 0;  // constant quality
    }
    status = avcodec_open2(v->codec, codec, &options);
    av_dict_free(&options);
    if (status < 0)
        return fail(std::string("cannot start ") + encoder, status);
    v->stream = avformat_new_stream(v->format, nullptr);
    avcodec_parameters_from_context(v->stream->codecpar, v->codec);
    v->stream->time_base = v->codec->time_base;
    v->stream->avg_frame_rate = rate;
    av_dict_set(&v->format->metadata, "comment", params.comment.c_str(), 0);

    unsigned char* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    v->format->pb = avio_alloc_context(buffer, kIoBufferBytes, 1, v, nullptr, writeToFile, seekInFile);
    status = avformat_write_header(v->format, nullptr);
    if (status < 0)
        return fail("cannot start the file", status);

    v->frame->format = v->codec->pix_fmt;
    v->frame->width = params.width;
    v->frame->height = params.height;
    status = av_frame_get_buffer(v->frame, 0);
    if (status < 0)
        return fail("no memory for a frame", status);
    if (!gif) {
        v->convert = sws_getContext(params.width, params.height, AV_PIX_FMT_RGB24, params.width,
                                    params.height, AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND,
                                    nullptr, nullptr, nullptr);
        if (!v->convert)
            return fail("no colour conversion", AVERROR(EINVAL));
    }
    result.video = v;
    return result;
}

void setVideoPalette(VideoFile* v, const GifPalette& palette)
{
    v->palette = palette;
}

std::string writeVideoFrame(VideoFile* v, const PpmImage& image)
{
    const auto start = std::chrono::steady_clock::now();
    int status = av_frame_make_writable(v->frame);
    if (status >= 0 && v->params.kind == TurntableKind::Gif) {
        const std::vector<std::uint8_t> indices = ditherToPalette(image, v->palette);
        for (int y = 0; y < image.height; ++y)
            std::memcpy(v->frame->data[0] + static_cast<size_t>(y) * v->frame->linesize[0],
                        indices.data() + static_cast<size_t>(y) * image.width, image.width);
        uint32_t* colours = reinterpret_cast<uint32_t*>(v->frame->data[1]);
        for (size_t i = 0; i < 256; ++i)
            colours[i] = 0xff000000u | (i < v->palette.colours.size() ? v->palette.colours[i] : 0);
        v->frame->pts = std::llround(v->index * 100.0 / v->params.fps);
    } else if (status >= 0) {
        const uint8_t* source[1] = {image.pixels.data()};
        const int stride[1] = {image.width * 3};
        sws_scale(v->convert, source, stride, 0, image.height, v->frame->data, v->frame->linesize);
        v->frame->pts = v->index;
    }
    if (status >= 0)
        status = encode(v, v->frame);
    ++v->index;
    v->encodeSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status < 0)
        return "cannot write " + v->path + ": " + cause(v, status);
    return std::string();
}

std::string finishVideo(VideoFile* v)
{
    const auto start = std::chrono::steady_clock::now();
    int status = encode(v, nullptr);
    if (status >= 0)
        status = av_write_trailer(v->format);
    if (status >= 0) {
        avio_flush(v->format->pb);
        status = v->writeError ? AVERROR(v->writeError) : v->format->pb->error;
    }
    if (status >= 0 && v->params.kind == TurntableKind::Gif)
        status = appendGifComment(v);
    v->encodeSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status < 0) {
        const std::string message = "cannot write " + v->path + ": " + cause(v, status);
        abandonVideo(v);
        return message;
    }
    freeContexts(v);
    const WriteResult committed = commitTemporaryFile(v->temp, v->path, v->params.replace);
    delete v;
    return committed.ok ? std::string() : committed.message;
}

void abandonVideo(VideoFile* v)
{
    if (!v)
        return;
    freeContexts(v);
    discardTemporaryFile(v->temp);
    delete v;
}

double videoEncodeSeconds(const VideoFile* v)
{
    return v ? v->encodeSeconds : 0;
}

VideoCommentResult readVideoComment(const std::string& path)
{
    VideoCommentResult result;
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* format = nullptr;
    const int status = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
    if (status < 0) {
        result.message = "cannot be read as a video (" + avError(status) + ")";
        return result;
    }
    const bool gif = std::strcmp(format->iformat->name, "gif") == 0;
    // WebM's comment is a Matroska tag: at no target level as FFmpeg writes it, at the whole
    // movie's level (read as "MOVIE/COMMENT") as the page's muxer writes it.
    const AVDictionaryEntry* comment = av_dict_get(format->metadata, "comment", nullptr, 0);
    if (!comment)
        comment = av_dict_get(format->metadata, "MOVIE/COMMENT", nullptr, 0);
    if (comment) {
        result.found = true;
        result.text = comment->value;
    }
    avformat_close_input(&format);
    if (!result.found && gif) {
        FILE* file = std::fopen(path.c_str(), "rb");
        std::vector<unsigned char> bytes;
        if (file) {
            unsigned char chunk[1 << 16];
            for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
                bytes.insert(bytes.end(), chunk, chunk + n);
            std::fclose(file);
        }
        return gifComment(bytes);
    }
    if (!result.found)
        result.message = "it is a video without Tolvane arguments";
    return result;
}
