// The page's stand-ins for the core's PNG and JPEG decoders: the browser decodes those files
// (page.js hands over their pixels), so readPngBytes and readJpegBytes only say so here.
#pragma once

#include "core/image/image_file.h"
