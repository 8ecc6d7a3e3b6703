// A transparent picture from two opaque ones: the same frame drawn over black and over white.
// No GL.
#pragma once

#include <vector>

#include "core/image/ppm.h"

// Straight (not premultiplied) alpha of each pixel, one byte a pixel in `onWhite`'s order,
// from the frame drawn over a black and over a white background: a pixel the scene covers
// looks the same over both (alpha 255), one it leaves empty takes the background (alpha 0),
// an edge partly covered lies between. `onWhite`'s colours become the drawn colour unblended
// where alpha is between 0 and 255 and black where it is 0; fully drawn pixels keep their
// bytes. Both images must have the same size.
std::vector<unsigned char> alphaFromBackdrops(const PpmImage& onBlack, PpmImage& onWhite);
