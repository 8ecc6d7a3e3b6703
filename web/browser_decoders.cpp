// The page has no libpng or libjpeg: the browser decodes PNG and JPEG before the core sees
// them (page.js hands over their pixels), so the core's decoders are never reached here.
#include "web/browser_decoders.h"

namespace {

ImageResult decodedByBrowser(ImageKind kind)
{
    ImageResult result;
    result.kind = kind;
    result.error = ImageError::Unsupported;
    result.message = "decoded by the browser, not here";
    return result;
}

}  // namespace

ImageResult readPngBytes(const unsigned char*, size_t, long long)
{
    return decodedByBrowser(ImageKind::Png);
}

ImageResult readJpegBytes(const unsigned char*, size_t, long long)
{
    return decodedByBrowser(ImageKind::Jpeg);
}
