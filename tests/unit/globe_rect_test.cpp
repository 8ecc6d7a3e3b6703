// The globe's screen rectangle holds every pixel its sphere can cover, and little more.
#include <gtest/gtest.h>

#include <cmath>

#include "core/globe_rect.h"
#include "core/mat4.h"
#include "core/scene_state.h"
#include "core/still_life.h"

namespace {

// The pixel (window coordinates) a point of the sphere's surface lands in, projected as GL
// projects it: modelview of the view and the sphere's place, glOrtho of the zoom, viewport.
struct Pixel {
    int x, y;
};

const Piece& spherePiece()
{
    for (const Piece& p : stillLife().pieces)
        if (p.prop == Prop::Globe)
            return p;
    return stillLife().pieces.back();
}

Pixel project(const SceneState& s, const Viewport& v, double theta, double phi)
{
    const StillLife& life = stillLife();
    const Camera& c = kCamera;
    const float z = s.zoom;
    const Mat4 m = ortho(-2 * z, 2 * z, -2 * z, 2 * z, -10 * z, 10 * z) *
                   lookAt(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1], c.centre[2],
                          c.up[0], c.up[1], c.up[2]) *
                   rotate(s.rotation[0], 1, 0, 0) * rotate(s.rotation[1], 0, 1, 0) *
                   rotate(s.rotation[2], 0, 0, 1);
    const Piece& piece = spherePiece();
    const double r = life.shapes[piece.shape].r0;
    const Mat4 place = placeMatrix(life, piece.place, s.globeAngle, m);
    const Vec4 p = place * Vec4{float(r * std::sin(phi) * std::cos(theta)),
                                float(r * std::sin(phi) * std::sin(theta)),
                                float(r * std::cos(phi)), 1.0f};
    return {int(std::floor(v.x + (p.x / p.w + 1) * 0.5 * v.width)),
            int(std::floor(v.y + (p.y / p.w + 1) * 0.5 * v.height))};
}

}  // namespace

TEST(GlobeScreenRect, HoldsEveryPixelOfTheSphereOverViewsZoomsAndWindows)
{
    const int windows[][2] = {{500, 500}, {640, 500}, {333, 801}, {1000, 1000}, {64, 40}};
    const float zooms[] = {0.3f, 0.55f, 1.0f, 2.7f, 10.0f};
    int cases = 0, shown = 0;
    for (const auto& w : windows)
        for (float zoom : zooms)
            for (int view = 0; view < 12; ++view) {
                SceneState s;
                s.zoom = zoom;
                s.rotation[0] = -180.0f + 37.3f * view;
                s.rotation[1] = 11.0f + 71.9f * view;
                s.rotation[2] = view % 3 ? 0.0f : 23.5f * view;
                s.globeAngle = (97 * view) % 360;
                const Viewport v = squareViewport(w[0], w[1]);
                const PixelRect r = globeScreenRect(s, v);
                ++cases;
                // Within the viewport, and at most its square around the sphere's outline.
                EXPECT_GE(r.x, v.x);
                EXPECT_GE(r.y, v.y);
                EXPECT_LE(r.x + r.width, v.x + v.width);
                EXPECT_LE(r.y + r.height, v.y + v.height);
                const double diameter = 0.45 / (2 * zoom) * v.width + 6;
                EXPECT_LE(r.width, diameter) << w[0] << "x" << w[1] << " zoom " << zoom;
                EXPECT_LE(r.height, diameter) << w[0] << "x" << w[1] << " zoom " << zoom;
                if (r.width > 0)
                    ++shown;
                for (int i = 0; i <= 60; ++i)
                    for (int j = 0; j < 120; ++j) {
                        const Pixel p = project(s, v, j * M_PI / 60, i * M_PI / 60);
                        const bool inViewport = p.x >= v.x && p.x < v.x + v.width &&
                                                p.y >= v.y && p.y < v.y + v.height;
                        if (!inViewport)
                            continue;
                        const bool inside = p.x >= r.x && p.x < r.x + r.width && p.y >= r.y &&
                                            p.y < r.y + r.height;
                        ASSERT_TRUE(inside) << w[0] << "x" << w[1] << " zoom " << zoom
                                            << " view " << view << ": pixel " << p.x << ","
                                            << p.y << " outside " << r.x << "," << r.y << " "
                                            << r.width << "x" << r.height;
                    }
            }
    EXPECT_GT(shown, cases / 2);
}

TEST(GlobeScreenRect, TheSameAtEveryGlobeAngle)
{
    SceneState s;
    const Viewport v = squareViewport(500, 500);
    const PixelRect first = globeScreenRect(s, v);
    EXPECT_GT(first.width, 0);
    for (int angle = 0; angle < 360; angle += 7) {
        s.globeAngle = angle;
        const PixelRect r = globeScreenRect(s, v);
        EXPECT_EQ(first.x, r.x);
        EXPECT_EQ(first.y, r.y);
        EXPECT_EQ(first.width, r.width);
        EXPECT_EQ(first.height, r.height);
    }
}
