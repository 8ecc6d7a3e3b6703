// What the page checks itself before the browser decodes a PNG or JPEG file.
#pragma once

#include <cstddef>
#include <string>

#include "core/image/image_file.h"

// Browsers draw what they can of a cut-off or damaged file, and decode whatever size a header
// declares; the desktop's decoders refuse both. Returns the desktop's message for a PNG whose
// chunks do not run whole to IEND or whose critical chunks have a wrong CRC, for a JPEG whose
// marker segments and scans do not run whole to its end marker, and for either whose header's
// size is above the desktop's limits (imageSizeProblem); else empty. Corrupt entropy-coded
// data inside a JPEG scan is not detected: only decoding can tell it.
std::string browserImageProblem(const unsigned char* bytes, size_t size);
