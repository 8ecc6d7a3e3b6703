// JPEG encoding with libjpeg-turbo: RGB rows in, a whole file in memory out.
#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "core/image/jpeg_write.h"

namespace {

// Plain data, so that a longjmp out of libjpeg skips no destructor.
struct EncodeErrors {
    jpeg_error_mgr manager;  // first: libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void onEncodeError(j_common_ptr info)
{
    EncodeErrors* errors = reinterpret_cast<EncodeErrors*>(info->err);
    info->err->format_message(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void onEncodeOutput(j_common_ptr) {}

struct EncodeSession {
    jpeg_compress_struct info;
    EncodeErrors errors;
    unsigned char* buffer;  // jpeg_mem_dest's, freed with free()
    unsigned long size;
    bool created;
};

bool compress(EncodeSession* session, const PpmImage& image, int quality,
              const std::string& comment)
{
    jpeg_compress_struct* info = &session->info;
    info->err = jpeg_std_error(&session->errors.manager);
    session->errors.manager.error_exit = onEncodeError;
    session->errors.manager.output_message = onEncodeOutput;
    if (setjmp(session->errors.jump))
        return false;
    jpeg_create_compress(info);
    session->created = true;
    jpeg_mem_dest(info, &session->buffer, &session->size);
    info->image_width = static_cast<JDIMENSION>(image.width);
    info->image_height = static_cast<JDIMENSION>(image.height);
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    jpeg_start_compress(info, TRUE);
    if (!comment.empty())
        jpeg_write_marker(info, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.data()),
                          static_cast<unsigned>(comment.size()));
    const size_t rowBytes = static_cast<size_t>(image.width) * 3;
    while (info->next_scanline < info->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.pixels.data() + info->next_scanline * rowBytes);
        jpeg_write_scanlines(info, &row, 1);
    }
    jpeg_finish_compress(info);
    return true;
}

}  // namespace

JpegEncodeResult encodeJpeg(const PpmImage& image, int quality, const std::string& comment)
{
    JpegEncodeResult result;
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height * 3) {
        result.message = "no picture to encode";
        return result;
    }
    if (comment.size() > 65533) {
        result.message = "the comment is longer than a JPEG marker holds";
        return result;
    }
    EncodeSession session;
    std::memset(&session, 0, sizeof session);
    const bool ok = compress(&session, image, quality, comment);
    if (ok)
        result.bytes.assign(session.buffer, session.buffer + session.size);
    else
        result.message = std::string("JPEG encoding failed (") + session.errors.message + ")";
    if (session.created)
        jpeg_destroy_compress(&session.info);
    std::free(session.buffer);
    return result;
}
