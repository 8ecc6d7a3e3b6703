// Median-cut palette over a loop's colour histogram, and Floyd-Steinberg dithering onto it.
#include "core/export/gif_palette.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kBins = 32;  // a channel's 5-bit levels

int binOf(int r, int g, int b)
{
    return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
}

// A box of bins, lo..hi inclusive per channel (5-bit levels).
struct Box {
    std::array<int, 3> lo{0, 0, 0};
    std::array<int, 3> hi{kBins - 1, kBins - 1, kBins - 1};
    std::uint64_t pixels = 0;
};

template <typename F>
void forEachBin(const Box& box, F f)
{
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b)
                f((r << 10) | (g << 5) | b, std::array<int, 3>{r, g, b});
}

// The box shrunk to the bins that hold pixels, with their count.
Box shrink(const Box& box, const GifHistogram& h)
{
    Box tight;
    tight.lo = {kBins, kBins, kBins};
    tight.hi = {-1, -1, -1};
    forEachBin(box, [&](int bin, const std::array<int, 3>& c) {
        if (h.bins[bin] == 0)
            return;
        tight.pixels += h.bins[bin];
        for (int k = 0; k < 3; ++k) {
            tight.lo[k] = std::min(tight.lo[k], c[k]);
            tight.hi[k] = std::max(tight.hi[k], c[k]);
        }
    });
    return tight;
}

int widest(const Box& box)
{
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (box.hi[k] - box.lo[k] > box.hi[axis] - box.lo[axis])
            axis = k;
    return axis;
}

}  // namespace

void addToHistogram(GifHistogram& histogram, const PpmImage& frame)
{
    const unsigned char* p = frame.pixels.data();
    const size_t count = frame.pixels.size() / 3;
    for (size_t i = 0; i < count; ++i, p += 3)
        ++histogram.bins[binOf(p[0], p[1], p[2])];
}

GifPalette buildGifPalette(const GifHistogram& histogram)
{
    std::vector<Box> boxes;
    const Box all = shrink(Box{}, histogram);
    if (all.pixels > 0)
        boxes.push_back(all);
    while (boxes.size() < 256) {
        // The box to split: the most pixels times its widest extent, among those that can be.
        size_t pick = boxes.size();
        std::uint64_t best = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            const int axis = widest(boxes[i]);
            const std::uint64_t score =
                boxes[i].pixels * static_cast<std::uint64_t>(boxes[i].hi[axis] - boxes[i].lo[axis]);
            if (score > best) {
                best = score;
                pick = i;
            }
        }
        if (pick == boxes.size())
            break;  // every box is one bin
        const Box box = boxes[pick];
        const int axis = widest(box);
        std::array<std::uint64_t, kBins> slab{};
        forEachBin(box, [&](int bin, const std::array<int, 3>& c) { slab[c[axis]] += histogram.bins[bin]; });
        // The median level, leaving at least one level on each side.
        int cut = box.lo[axis];
        std::uint64_t below = slab[cut];
        while (cut + 1 < box.hi[axis] && below * 2 < box.pixels)
            below += slab[++cut];
        Box low = box, high = box;
        low.hi[axis] = cut;
        high.lo[axis] = cut + 1;
        boxes[pick] = shrink(low, histogram);
        boxes.push_back(shrink(high, histogram));
    }

    GifPalette palette;
    std::vector<std::array<int, 3>> rgb;
    for (const Box& box : boxes) {
        std::array<double, 3> sum{0, 0, 0};
        forEachBin(box, [&](int bin, const std::array<int, 3>& c) {
            for (int k = 0; k < 3; ++k)
                sum[k] += histogram.bins[bin] * (c[k] * 8 + 4.0);  // the bin's middle level
        });
        std::array<int, 3> mean;
        for (int k = 0; k < 3; ++k)
            mean[k] = std::min(255, static_cast<int>(sum[k] / box.pixels + 0.5));
        rgb.push_back(mean);
        palette.colours.push_back((static_cast<std::uint32_t>(mean[0]) << 16) |
                                  (static_cast<std::uint32_t>(mean[1]) << 8) | mean[2]);
    }
    if (rgb.empty()) {
        rgb.push_back({0, 0, 0});
        palette.colours.push_back(0);
    }
    palette.nearest.resize(kBins * kBins * kBins);
    forEachBin(Box{}, [&](int bin, const std::array<int, 3>& c) {
        int bestIndex = 0;
        long bestDistance = -1;
        for (size_t i = 0; i < rgb.size(); ++i) {
            long d = 0;
            for (int k = 0; k < 3; ++k) {
                const long e = c[k] * 8 + 4 - rgb[i][k];
                d += e * e;
            }
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                bestIndex = static_cast<int>(i);
            }
        }
        palette.nearest[bin] = static_cast<std::uint8_t>(bestIndex);
    });
    return palette;
}

std::vector<std::uint8_t> ditherToPalette(const PpmImage& frame, const GifPalette& palette)
{
    const int w = frame.width;
    const int h = frame.height;
    std::vector<std::uint8_t> indices(static_cast<size_t>(w) * h);
    // Error carried to this row and the next, in 1/16 units, per channel; one pixel of margin.
    std::vector<int> here((w + 2) * 3, 0), next((w + 2) * 3, 0);
    for (int y = 0; y < h; ++y) {
        const bool forward = y % 2 == 0;
        const int step = forward ? 1 : -1;
        for (int i = 0; i < w; ++i) {
            const int x = forward ? i : w - 1 - i;
            const unsigned char* p = frame.pixels.data() + (static_cast<size_t>(y) * w + x) * 3;
            int c[3];
            for (int k = 0; k < 3; ++k)
                c[k] = std::clamp(p[k] + (here[(x + 1) * 3 + k] + 8) / 16, 0, 255);
            const int index = palette.nearest[binOf(c[0], c[1], c[2])];
            indices[static_cast<size_t>(y) * w + x] = static_cast<std::uint8_t>(index);
            const std::uint32_t colour = palette.colours[index];
            const int chosen[3] = {static_cast<int>(colour >> 16), static_cast<int>((colour >> 8) & 255),
                                   static_cast<int>(colour & 255)};
            for (int k = 0; k < 3; ++k) {
                const int e = c[k] - chosen[k];
                here[(x + 1 + step) * 3 + k] += e * 7;
                next[(x + 1 - step) * 3 + k] += e * 3;
                next[(x + 1) * 3 + k] += e * 5;
                next[(x + 1 + step) * 3 + k] += e;
            }
        }
        here.swap(next);
        std::fill(next.begin(), next.end(), 0);
    }
    return indices;
}
