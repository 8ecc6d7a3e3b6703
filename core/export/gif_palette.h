// One palette of at most 256 colours for a whole GIF loop, and frames dithered onto it. Memory
// is a fixed histogram of 32768 bins, never the frames themselves. No GL, no encoder.
#pragma once

#include <cstdint>
#include <vector>

#include "core/image/ppm.h"

// Colour counts of the frames seen so far, 5 bits a channel (32768 bins, 256 KiB).
struct GifHistogram {
    std::vector<std::uint64_t> bins = std::vector<std::uint64_t>(32768, 0);
};
void addToHistogram(GifHistogram& histogram, const PpmImage& frame);

// At most 256 colours, 0xRRGGBB, chosen by median cut over the histogram (each box split at
// the median of its widest channel, weighted by the pixels it holds), each colour the mean of
// its box. With a nearest-colour table of 32768 entries, made with the palette.
struct GifPalette {
    std::vector<std::uint32_t> colours;
    std::vector<std::uint8_t> nearest;  // by 5-bit bin: the index of the nearest colour
};
GifPalette buildGifPalette(const GifHistogram& histogram);

// `frame` as palette indices, width * height bytes, rows top first, with Floyd-Steinberg
// error diffusion (serpentine rows, so no drift runs one way).
std::vector<std::uint8_t> ditherToPalette(const PpmImage& frame, const GifPalette& palette);
