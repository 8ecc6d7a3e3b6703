// What the page checks itself before the browser decodes a PNG or JPEG file.
#pragma once

#include <cstddef>
#include <string>

#include "core/image/image_file.h"

// Browsers draw what they can of a cut-off or damaged file; the desktop's decoders refuse it.
// Returns the desktop's kind of message for a PNG whose chunks do not run whole to IEND, or
// whose critical chunks have a wrong CRC, or for a JPEG with no end-of-image marker after its
// first scan; else empty.
std::string browserImageProblem(const unsigned char* bytes, size_t size);
