// Alpha from a frame drawn over black and over white.
#include "core/image/backdrop_alpha.h"

#include <algorithm>

std::vector<unsigned char> alphaFromBackdrops(const PpmImage& onBlack, PpmImage& onWhite)
{
    const size_t count = onWhite.pixels.size() / 3;
    std::vector<unsigned char> alpha(count, 0);
    if (onBlack.pixels.size() != onWhite.pixels.size())
        return alpha;
    for (size_t i = 0; i < count; ++i) {
        unsigned char* white = &onWhite.pixels[i * 3];
        const unsigned char* black = &onBlack.pixels[i * 3];
        // Over black a pixel is c * a, over white c * a + (1 - a): the difference is 1 - a.
        // Each channel rounds on its own; the widest difference keeps edges from darkening.
        int through = 0;
        for (int k = 0; k < 3; ++k)
            through = std::max(through, white[k] - black[k]);
        const int a = 255 - std::min(255, std::max(0, through));
        alpha[i] = static_cast<unsigned char>(a);
        if (a == 255)
            continue;
        for (int k = 0; k < 3; ++k)
            white[k] = a == 0 ? 0
                              : static_cast<unsigned char>(
                                    std::min(255, (black[k] * 255 + a / 2) / a));
    }
    return alpha;
}
