// The standard views turn the still life to face the camera: the table top edge-on and upright
// from the front, back and sides, face-on from above and below, each from its own side.
#include <gtest/gtest.h>

#include <cmath>

#include "core/mat4.h"
#include "core/standard_views.h"
#include "core/still_life.h"

namespace {

// Where a point of the still life lands in the eye's x (right) and y (up).
Vec4 seen(StandardView view, float x, float y, float z)
{
    float r[3];
    standardViewRotation(view, r);
    const Camera& c = kCamera;
    const Mat4 m = lookAt(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1], c.centre[2],
                          c.up[0], c.up[1], c.up[2]) *
                   rotate(r[0], 1, 0, 0) * rotate(r[1], 0, 1, 0) * rotate(r[2], 0, 0, 1);
    return m * Vec4{x, y, z, 1};
}

}  // namespace

TEST(StandardViews, ShowTheTableTopSquareOnFromTheirOwnSide)
{
    const float top = 0.1f;  // the table top's upper face
    for (StandardView v : {StandardView::Front, StandardView::Back, StandardView::Right,
                           StandardView::Left}) {
        SCOPED_TRACE(standardViewName(v));
        // Edge-on: the top face's corners all at one height, and upright: above it is up.
        const Vec4 a = seen(v, -1, top, -1), b = seen(v, 1, top, -1), c = seen(v, 1, top, 1),
                   d = seen(v, -1, top, 1);
        for (const Vec4& p : {b, c, d})
            EXPECT_NEAR(a.y, p.y, 1e-4);
        EXPECT_NEAR(seen(v, 0, 1, 0).y - a.y, 1 - top, 1e-4);
    }
    // From the front (looking along +z) the right hand is -x; from the right, +z; the back and
    // the left see them the other way round.
    EXPECT_NEAR(seen(StandardView::Front, -1, 0, 0).x, 1, 1e-4);
    EXPECT_NEAR(seen(StandardView::Back, -1, 0, 0).x, -1, 1e-4);
    EXPECT_NEAR(seen(StandardView::Right, 0, 0, 1).x, 1, 1e-4);
    EXPECT_NEAR(seen(StandardView::Left, 0, 0, 1).x, -1, 1e-4);
    EXPECT_NEAR(seen(StandardView::Front, 0, 0, -1).z, seen(StandardView::Front, 0, 0, 1).z + 2,
                1e-4);  // the front edge is nearer the camera

    for (StandardView v : {StandardView::Top, StandardView::Bottom}) {
        SCOPED_TRACE(standardViewName(v));
        // Face-on: the top face is the 2 x 2 square it is, its front edge at the bottom.
        const Vec4 frontLeft = seen(v, 1, top, -1), backRight = seen(v, -1, top, 1);
        EXPECT_NEAR(2, std::fabs(backRight.x - frontLeft.x), 1e-4);
        EXPECT_NEAR(2, backRight.y - frontLeft.y, 1e-4);
        EXPECT_NEAR(seen(v, 1, top, 1).x, frontLeft.x, 1e-4);
    }
    // Above is nearer the camera from the top, farther from the bottom.
    EXPECT_GT(seen(StandardView::Top, 0, 1, 0).z, seen(StandardView::Top, 0, 0, 0).z);
    EXPECT_LT(seen(StandardView::Bottom, 0, 1, 0).z, seen(StandardView::Bottom, 0, 0, 0).z);
}
