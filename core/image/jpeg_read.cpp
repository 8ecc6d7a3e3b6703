// JPEG decoding with libjpeg-turbo: baseline, progressive, greyscale and CMYK/YCCK to 8-bit
// RGB, silently, refusing damaged or cut-off data instead of filling it in, and turned as its
// EXIF orientation says.
#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jerror.h>  // message codes, to tell truncation and harmless notes apart
#include <jpeglib.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstring>
#include <utility>

#include "core/image/exif_orientation.h"
#include "core/image/image_file.h"

namespace {

// libjpeg reports through this record and leaves a failing call by longjmp; it is plain data
// so that the jump skips no destructor.
struct JpegErrors {
    jpeg_error_mgr manager;  // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
    int code;                       // libjpeg's message code of the first failure
    char message[JMSG_LENGTH_MAX];  // its text, one line
};

struct JpegSession {
    jpeg_decompress_struct info;
    JpegErrors errors;
    bool created;
};

[[noreturn]] void onError(j_common_ptr info)
{
    JpegErrors* errors = reinterpret_cast<JpegErrors*>(info->err);
    if (errors->message[0] == '\0') {
        errors->code = info->err->msg_code;
        info->err->format_message(info, errors->message);
    }
    std::longjmp(errors->jump, 1);
}

// Level -1 is a warning. libjpeg warns, and carries on with grey or repeated pixels, when the
// data is corrupt or ends early; such an image must not become a texture, so those warnings
// fail the decode. Other warnings leave the pixels sound and are ignored, as image viewers do:
// stray bytes between markers (common in camera files), an unknown JFIF revision or Adobe
// transform, a malformed ICC profile. Trace messages (levels 0 and up) are ignored.
bool damagesPixels(int code)
{
    return code != JWRN_EXTRANEOUS_DATA && code != JWRN_JFIF_MAJOR && code != JWRN_ADOBE_XFORM &&
           code != JWRN_BOGUS_ICC;
}

void onMessage(j_common_ptr info, int level)
{
    if (level < 0 && damagesPixels(info->err->msg_code))
        onError(info);
}

// Nothing from libjpeg reaches the terminal.
void onOutput(j_common_ptr) {}

// Creates the decompressor over the bytes and reads the header, asking for RGB, or for CMYK
// where the file holds CMYK or YCCK (converted below). False after a libjpeg error.
bool readHeader(JpegSession* session, const unsigned char* bytes, size_t size)
{
    jpeg_decompress_struct* info = &session->info;
    info->err = jpeg_std_error(&session->errors.manager);
    session->errors.manager.error_exit = onError;
    session->errors.manager.emit_message = onMessage;
    session->errors.manager.output_message = onOutput;
    if (setjmp(session->errors.jump))
        return false;
    jpeg_create_decompress(info);
    session->created = true;
    jpeg_mem_src(info, bytes, static_cast<unsigned long>(size));
    // EXIF lives in APP1; its orientation is applied after decoding.
    jpeg_save_markers(info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(info, TRUE);
    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    return true;
}

// Adobe applications store CMYK inverted (0 means full ink) and mark the file with their APP14
// marker; other writers store ink amounts directly.
void cmykRowToRgb(const unsigned char* cmyk, unsigned char* rgb, unsigned width, bool inverted)
{
    for (unsigned x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const int k = inverted ? cmyk[3] : 255 - cmyk[3];
        for (int c = 0; c < 3; ++c) {
            const int ink = inverted ? cmyk[c] : 255 - cmyk[c];
            rgb[c] = static_cast<unsigned char>((ink * k + 127) / 255);
        }
    }
}

// Whether `size` bytes are too few to hold every block the header declares. Each 8x8 block
// of each component costs at least one bit of Huffman code in the first scan that holds it
// (a DC difference), so a file shorter than that is cut off whatever it holds. Arithmetic
// coding can spend less than a bit on a block, so no bound is drawn for it.
bool tooShortForItsBlocks(const jpeg_decompress_struct& info, size_t size)
{
    if (info.arith_code)
        return false;
    unsigned long long blocks = 0;
    for (int c = 0; c < info.num_components; ++c)
        blocks += 1ull * info.comp_info[c].width_in_blocks * info.comp_info[c].height_in_blocks;
    return size < blocks / 8;
}

// Starts the decode: for a progressive file libjpeg reads every scan into its coefficient
// buffers here, so a file that ends early is refused before the pixels' memory is taken. The
// buffers are bounded by `memoryLimit` bytes. False after a libjpeg error.
bool startDecode(JpegSession* session, long memoryLimit)
{
    jpeg_decompress_struct* info = &session->info;
    if (setjmp(session->errors.jump))
        return false;
    info->mem->max_memory_to_use = memoryLimit;
    jpeg_start_decompress(info);
    return true;
}

// Decodes every scanline into `pixels` (width * height * 3 bytes) and reads on to the end
// marker, so that damage after the last row is noticed too. False after a libjpeg error.
bool readPixels(JpegSession* session, unsigned char* pixels)
{
    jpeg_decompress_struct* info = &session->info;
    if (setjmp(session->errors.jump))
        return false;
    const size_t rowBytes = size_t{info->output_width} * 3;
    const bool cmyk = info->out_color_space == JCS_CMYK;
    // The CMYK row lives in libjpeg's own pool, freed with the decompressor.
    JSAMPARRAY cmykRow = cmyk ? info->mem->alloc_sarray(reinterpret_cast<j_common_ptr>(info),
                                                        JPOOL_IMAGE, info->output_width * 4, 1)
                              : nullptr;
    while (info->output_scanline < info->output_height) {
        unsigned char* row = pixels + info->output_scanline * rowBytes;
        if (cmyk) {
            jpeg_read_scanlines(info, cmykRow, 1);
            cmykRowToRgb(cmykRow[0], row, info->output_width, info->saw_Adobe_marker);
        } else {
            jpeg_read_scanlines(info, &row, 1);
        }
    }
    jpeg_finish_decompress(info);
    return true;
}

// The orientation in the first APP1 marker that holds EXIF; 1 when there is none.
int orientationOf(const jpeg_decompress_struct& info)
{
    for (jpeg_saved_marker_ptr m = info.marker_list; m != nullptr; m = m->next) {
        if (m->marker != JPEG_APP0 + 1 || m->data_length < 6 ||
            std::memcmp(m->data, "Exif\0\0", 6) != 0)
            continue;
        return exifOrientation(m->data, m->data_length);
    }
    return 1;
}

}  // namespace

ImageResult readJpegBytes(const unsigned char* bytes, size_t size, long long maxPixels)
{
    ImageResult result;
    result.kind = ImageKind::Jpeg;
    JpegSession session;
    std::memset(&session, 0, sizeof session);

    int orientation = 1;
    bool decoded = readHeader(&session, bytes, size);
    if (decoded) {
        const jpeg_decompress_struct& info = session.info;
        const std::string tooLarge =
            imageSizeProblem(info.image_width, info.image_height, maxPixels);
        if (!tooLarge.empty()) {
            result.error = ImageError::TooLarge;
            result.message = tooLarge;
        } else if (info.jpeg_color_space == JCS_UNKNOWN) {
            result.error = ImageError::Unsupported;
            result.message = "JPEG with " + std::to_string(info.num_components) +
                             " colour components of unknown meaning";
        } else if (tooShortForItsBlocks(info, size)) {
            decoded = false;
            session.errors.code = JWRN_JPEG_EOF;
        } else {
            // Saved markers live in the image pool, which finishing the decode frees.
            orientation = orientationOf(info);
            // Progressive files keep every coefficient (2 bytes each, up to 3 per pixel with
            // no subsampling) until the last scan; the bound allows that for any image the
            // size check lets through, and no more.
            const long long pixels = 1ll * info.image_width * info.image_height;
            const long long limit = std::min<long long>(pixels * 6 + (64 << 20), LONG_MAX);
            decoded = startDecode(&session, static_cast<long>(limit));
            if (decoded) {
                result.image.width = static_cast<int>(info.image_width);
                result.image.height = static_cast<int>(info.image_height);
                result.image.pixels.resize(size_t{info.image_width} * info.image_height * 3);
                decoded = readPixels(&session, result.image.pixels.data());
            }
        }
    }
    if (session.created)
        jpeg_destroy_decompress(&session.info);

    if (!decoded) {
        const int code = session.errors.code;
        if (code == JWRN_JPEG_EOF) {
            result.error = ImageError::Truncated;
            result.message = "the JPEG data ends before the image is complete";
        } else if (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY) {
            result.error = ImageError::TooLarge;
            result.message = "decoding this JPEG would take more memory than its size allows";
        } else if (code == JERR_BAD_PRECISION || code == JERR_CONVERSION_NOTIMPL) {
            result.error = ImageError::Unsupported;
            result.message = std::string("unsupported JPEG (") + session.errors.message + ")";
        } else {
            result.error = ImageError::Corrupt;
            result.message = std::string("damaged JPEG data (") + session.errors.message + ")";
        }
    }
    if (!result.ok())
        result.image = PpmImage();
    else if (orientation != 1)
        result.image = orientImage(std::move(result.image), orientation);
    return result;
}
