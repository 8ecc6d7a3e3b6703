// The EXIF orientation of camera and phone photos: reading the tag, turning the pixels. No GL.
#pragma once

#include <cstddef>

#include "core/image/ppm.h"

// The Orientation tag (0x0112) of IFD0 in a JPEG APP1 payload ("Exif\0\0" then a TIFF
// structure, either byte order): 1 to 8, or 1 (as stored) when the payload is not EXIF, is
// damaged, or holds no valid value. Reads only within [app1, app1 + size).
int exifOrientation(const unsigned char* app1, size_t size);

// `image` turned as orientation `orientation` asks, so that it reads as a viewer shows it:
// 2 mirrored left-right, 3 turned 180 degrees, 4 mirrored top-bottom, 5 transposed, 6 turned
// 90 degrees clockwise, 7 transversed, 8 turned 90 degrees anticlockwise; 1 or any other
// value leaves it as it is. Width and height swap for 5 to 8.
PpmImage orientImage(PpmImage image, int orientation);
