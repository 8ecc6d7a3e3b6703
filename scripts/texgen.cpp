// Build tool: generates the bundled procedural textures (wood, can label, vase glaze, brushed
// metal) as P6 images.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

const float kTwoPi = 6.2831853f;

struct Rgb {
    float r, g, b;  // 0..1
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row-major; the first row is the top of the picture
};

Image makeImage(int width, int height)
{
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * height, Rgb{0, 0, 0});
    return image;
}

// x wraps around, so anything drawn across the right edge continues at the left (seamless in u).
Rgb& pixelAt(Image& image, int x, int y)
{
    x = ((x % image.width) + image.width) % image.width;
    return image.pixels[static_cast<size_t>(y) * image.width + x];
}

Rgb mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scale(Rgb c, float k)
{
    return {c.r * k, c.g * k, c.b * k};
}

float smoothstep(float edge0, float edge1, float x)
{
    float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float fract(float x)
{
    return x - std::floor(x);
}

// Integer hash, so the noise is the same on every platform and compiler.
uint32_t hash(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

float latticeValue(int x, int y, int periodX, uint32_t seed)
{
    if (periodX > 0)
        x = ((x % periodX) + periodX) % periodX;
    uint32_t h = hash(static_cast<uint32_t>(x) ^ hash(static_cast<uint32_t>(y) ^ hash(seed)));
    return static_cast<float>(h >> 8) / 16777215.0f;
}

// Smooth value noise in 0..1; periodX > 0 makes it repeat every periodX lattice cells along x.
float valueNoise(float x, float y, int periodX, uint32_t seed)
{
    int ix = static_cast<int>(std::floor(x));
    int iy = static_cast<int>(std::floor(y));
    float fx = x - ix, fy = y - iy;
    fx = fx * fx * (3.0f - 2.0f * fx);
    fy = fy * fy * (3.0f - 2.0f * fy);
    float top =
        latticeValue(ix, iy, periodX, seed) +
        (latticeValue(ix + 1, iy, periodX, seed) - latticeValue(ix, iy, periodX, seed)) * fx;
    float bottom =
        latticeValue(ix, iy + 1, periodX, seed) +
        (latticeValue(ix + 1, iy + 1, periodX, seed) - latticeValue(ix, iy + 1, periodX, seed)) *
            fx;
    return top + (bottom - top) * fy;
}

// Sum of octaves, each at twice the frequency (and x period) and half the weight of the last; 0..1.
float fbm(float x, float y, int octaves, int periodX, uint32_t seed)
{
    float sum = 0, weight = 0.5f, total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += weight * valueNoise(x, y, periodX, seed + 101u * octave);
        total += weight;
        x *= 2;
        y *= 2;
        periodX *= 2;
        weight *= 0.5f;
    }
    return sum / total;
}

bool writePpm(const std::string& path, const Image& image)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    std::vector<unsigned char> bytes;
    bytes.reserve(image.pixels.size() * 3);
    for (const Rgb& c : image.pixels)
        for (float channel : {c.r, c.g, c.b})
            bytes.push_back(
                static_cast<unsigned char>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255.0f)));
    bool ok = std::fprintf(file, "P6\n%d %d\n255\n", image.width, image.height) > 0 &&
              std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// Flat-sawn board: the log's axis runs down the picture, a little in front of the board, so the
// growth rings cut the surface as long arches; fine pores run along the grain.
Image makeWood()
{
    Image image = makeImage(512, 512);
    const Rgb earlyWood{0.80f, 0.58f, 0.36f}, lateWood{0.52f, 0.31f, 0.15f},
        pore{0.36f, 0.20f, 0.09f};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            float u = (x + 0.5f) / image.width, v = (y + 0.5f) / image.height;
            float dx = u - 0.45f + (fbm(u * 2.0f, v * 1.0f, 4, 0, 11) - 0.5f) * 0.22f;
            float depth = 0.05f + 0.16f * v + (fbm(u * 1.5f, v * 2.0f, 3, 0, 13) - 0.5f) * 0.06f;
            float rings = std::sqrt(dx * dx + depth * depth) * 38.0f +
                          fbm(u * 24.0f, v * 3.0f, 3, 0, 17) * 0.25f;
            float ring = fract(rings);
            // Each year's ring has its own width of dark late wood.
            float yearStrength = 0.45f + 0.55f * latticeValue(static_cast<int>(rings), 0, 0, 19);
            float late = yearStrength * smoothstep(0.62f, 0.9f, ring) *
                         (1.0f - smoothstep(0.94f, 1.0f, ring));
            float pores = smoothstep(0.6f, 0.95f, fbm(u * 200.0f, v * 6.0f, 2, 0, 23));
            float tone = fbm(u * 3.0f, v * 1.5f, 3, 0, 31);
            Rgb c = mix(earlyWood, lateWood, late);
            c = mix(c, pore, pores * 0.4f);
            pixelAt(image, x, y) = scale(c, 0.82f + 0.32f * tone);
        }
    }
    return image;
}

// 5x7 bitmap glyphs, one byte per row, the high bit of five on the left.
const unsigned char* glyphRows(char letter)
{
    static const unsigned char glyphs[][7] = {
        {0x1f, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04},  // T
        {0x0e, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0e},  // O
        {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1f},  // L
        {0x11, 0x11, 0x11, 0x11, 0x11, 0x0a, 0x04},  // V
        {0x0e, 0x11, 0x11, 0x1f, 0x11, 0x11, 0x11},  // A
        {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11},  // N
        {0x1f, 0x10, 0x10, 0x1e, 0x10, 0x10, 0x1f},  // E
        {0x0e, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0e},  // C
    };
    static const std::string letters = "TOLVANEC";
    size_t index = letters.find(letter);
    return index == std::string::npos ? nullptr : glyphs[index];
}

// Blocky text centred on (centreX, centreY): each glyph cell is a cellW x cellH block, grown by
// `grow` pixels on every side (a grown dark pass under a plain light pass makes an outline).
void drawText(Image& image, const std::string& text, int centreX, int centreY, int cellW, int cellH,
              int grow, Rgb colour)
{
    int left = centreX - (static_cast<int>(text.size()) * 6 - 1) * cellW / 2;
    int top = centreY - 7 * cellH / 2;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char* rows = glyphRows(text[i]);
        for (int row = 0; rows && row < 7; ++row) {
            for (int col = 0; col < 5; ++col) {
                if (!(rows[row] & (0x10 >> col)))
                    continue;
                int x0 = left + (static_cast<int>(i) * 6 + col) * cellW, y0 = top + row * cellH;
                for (int y = std::max(0, y0 - grow); y < std::min(image.height, y0 + cellH + grow);
                     ++y)
                    for (int x = x0 - grow; x < x0 + cellW + grow; ++x)
                        pixelAt(image, x, y) = colour;
            }
        }
    }
}

// Pop-can label: silver rims, red body with a white swoosh, the brand twice around. u runs around
// the can, v down its side.
Image makeCanLabel()
{
    Image image = makeImage(512, 256);
    const Rgb red{0.82f, 0.07f, 0.09f}, deepRed{0.50f, 0.02f, 0.05f}, white{0.97f, 0.96f, 0.92f};
    const Rgb navy{0.07f, 0.10f, 0.30f}, silver{0.80f, 0.81f, 0.84f}, gold{0.98f, 0.78f, 0.22f};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            float u = (x + 0.5f) / image.width, v = (y + 0.5f) / image.height;
            float edge = std::min(v, 1.0f - v);
            Rgb c = mix(red, deepRed,
                        smoothstep(0.25f, 0.0f, edge) * 0.6f + 0.25f * std::cos(kTwoPi * u) * 0.5f);
            // Two full waves around, so the swoosh meets itself at the seam.
            float wave = v - (0.595f + 0.05f * std::sin(2.0f * kTwoPi * u));
            if (std::fabs(wave) < 0.045f)
                c = white;
            if (wave > 0.045f && wave < 0.07f)
                c = navy;
            if (edge < 0.115f)
                c = navy;
            if (edge < 0.085f)
                c = gold;
            if (edge < 0.07f)
                c = scale(silver, 0.88f + 0.12f * std::sin(v * 260.0f));
            pixelAt(image, x, y) = c;
        }
    }
    for (int centreX : {64, 320}) {
        drawText(image, "TOLVANE", centreX, 92, 4, 9, 4, navy);
        drawText(image, "TOLVANE", centreX, 92, 4, 9, 1, white);
        drawText(image, "COLA", centreX, 196, 5, 5, 3, navy);
        drawText(image, "COLA", centreX, 196, 5, 5, 1, gold);
    }
    // The logos land at u = 0.125 and 0.625; 0.125 faces the starting camera.
    return image;
}

// Glazed ceramic: cobalt ground, cream rim and foot bands, a gold zigzag, eight rosette medallions
// and a ring of lotus petals. Seamless in u; drawn narrow because the vase stretches u about 2.5
// times more than v.
Image makeVase()
{
    Image image = makeImage(512, 512);
    const Rgb cobalt{0.10f, 0.22f, 0.58f}, deepCobalt{0.03f, 0.08f, 0.30f};
    const Rgb cream{0.94f, 0.90f, 0.79f}, gold{0.86f, 0.66f, 0.26f};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            float u = (x + 0.5f) / image.width, v = (y + 0.5f) / image.height;
            float glaze = fbm(u * 8.0f, v * 4.0f, 4, 8, 41);
            float drips = fbm(u * 64.0f, v * 2.0f, 2, 64, 43);
            Rgb c = mix(deepCobalt, cobalt, 0.35f + 0.5f * glaze + 0.3f * (drips - 0.5f));
            Rgb ink = c;  // motif colour before the glaze shading below
            bool motif = false;
            auto paint = [&](Rgb colour) {
                ink = colour;
                motif = true;
            };

            if (v < 0.07f || v > 0.94f)
                paint(cream);
            if (std::fabs(v - 0.085f) < 0.007f || std::fabs(v - 0.925f) < 0.007f)
                paint(gold);

            // Zigzag band under the rim: 24 teeth around.
            float tooth = std::fabs(fract(u * 24.0f) - 0.5f) * 2.0f;
            if (std::fabs(v - (0.125f + 0.05f * tooth)) < 0.008f)
                paint(gold);
            if (std::fabs(v - 0.2f) < 0.004f)
                paint(cream);

            // Medallions: distances in vase-surface units, where one of eight cells is about 0.3
            // wide.
            float cellX = (fract(u * 8.0f) - 0.5f) * 0.3f, dy = v - 0.46f;
            float radius = std::sqrt(cellX * cellX + dy * dy), angle = std::atan2(dy, cellX);
            float petal = 0.085f * (0.55f + 0.45f * std::fabs(std::cos(4.0f * angle)));
            if (radius < 0.14f && radius > 0.125f)
                paint(cream);
            if (radius < petal)
                paint(cream);
            if (radius < petal && radius > petal - 0.012f)
                paint(gold);
            if (radius < 0.025f)
                paint(gold);
            // A small gold diamond between neighbouring medallions.
            float betweenX = (0.15f - std::fabs(cellX)) / 0.03f, betweenY = dy / 0.06f;
            if (std::fabs(betweenX) + std::fabs(betweenY) < 1.0f)
                paint(gold);

            // Lotus petals rising from the foot band: 16 around, pointed tips at v = 0.72.
            float rise = (0.92f - v) / 0.2f;
            if (rise > 0.0f && rise < 1.0f) {
                float petalX = std::fabs(fract(u * 16.0f) - 0.5f) * 2.0f;
                float halfWidth =
                    0.9f * std::sqrt(1.0f - rise) * std::min(1.0f, 0.5f + rise * 3.0f);
                if (petalX < halfWidth)
                    paint(petalX > halfWidth - 0.14f || petalX < 0.05f ? gold : cream);
            }

            if (motif)
                c = scale(ink, 0.9f + 0.15f * glaze);
            // Iron specks in the clay body show through the glaze.
            if (hash(static_cast<uint32_t>(y * image.width + x) ^ 0x5eedu) % 1000 < 2)
                c = scale(c, 0.55f);
            pixelAt(image, x, y) = c;
        }
    }
    return image;
}

// Brushed steel: streaks along u, each row with its own slow brightness changes, and a soft sheen
// across v. Seamless in u, since it wraps round the stand's cylinders.
Image makeMetal()
{
    Image image = makeImage(512, 512);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            float u = (x + 0.5f) / image.width, v = (y + 0.5f) / image.height;
            float streaks = 0.6f * fbm(u * 6.0f, y * 0.45f, 3, 6, 51) +
                            0.4f * valueNoise(u * 48.0f, y * 1.3f, 48, 53);
            float sheen = std::exp(-(v - 0.35f) * (v - 0.35f) / 0.03f);
            float grey = 0.50f + 0.22f * (streaks - 0.5f) * 2.0f + 0.22f * sheen +
                         0.06f * fbm(u * 3.0f, v * 3.0f, 2, 3, 57);
            pixelAt(image, x, y) = {grey * 0.96f, grey * 0.98f, grey * 1.02f};
        }
    }
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tolvane_texgen <outdir>\n");
        return 1;
    }
    const std::string dir = argv[1];
    struct Output {
        const char* name;
        Image (*make)();
    };
    for (const Output& output : {Output{"wood.ppm", makeWood}, Output{"canlabel.ppm", makeCanLabel},
                                 Output{"vase.ppm", makeVase}, Output{"metal.ppm", makeMetal}}) {
        std::string path = dir + "/" + output.name;
        if (!writePpm(path, output.make())) {
            std::fprintf(stderr, "tolvane_texgen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
