// Unit tests of the props' shadow projection and of a transparent picture's alpha: where points
// land, when no shadow falls, and what the two backdrops give back.
#include "core/shadow.h"

#include <gtest/gtest.h>

#include "core/image/backdrop_alpha.h"
#include "core/scene_state.h"

namespace {

// `p` flattened by `shadow`, divided by its w.
Vec4 flattened(const TableShadow& shadow, float x, float y, float z)
{
    Vec4 v = shadow.flatten * Vec4{x, y, z, 1.0f};
    return Vec4{v.x / v.w, v.y / v.w, v.z / v.w, 1.0f};
}

TEST(TableShadow, PointsGoAlongTheLightOntoTheTopWhateverTheView)
{
    SceneState state;
    state.lightPosition[0] = 0.3f;
    state.lightPosition[2] = -0.6f;
    state.rotation[1] = 40.0f;  // the light is fixed to the camera: the view turns under it
    const TableShadow directional = buildTableShadow(state);
    ASSERT_TRUE(directional.falls);
    const Vec4 light = lightInViewFrame(state);
    const Vec4 p = flattened(directional, 0.2f, 0.9f, -0.1f);
    EXPECT_NEAR(kTableTopY, p.y, 1e-5);
    // The step from the point to its shadow runs against the light's direction.
    const float t = (0.9f - kTableTopY) / light.y;
    EXPECT_NEAR(0.2f - t * light.x, p.x, 1e-5);
    EXPECT_NEAR(-0.1f - t * light.z, p.z, 1e-5);
    // A point on the top is its own shadow.
    const Vec4 onTop = flattened(directional, 0.5f, kTableTopY, 0.5f);
    EXPECT_NEAR(0.5f, onTop.x, 1e-5);
    EXPECT_NEAR(0.5f, onTop.z, 1e-5);

    // A positional light: the shadow lies on the line from the light through the point.
    state.lightPosition[0] = 0.0f;
    state.lightPosition[1] = 2.0f;
    state.lightPosition[2] = 0.0f;
    state.lightPosition[3] = 1.0f;
    state.rotation[1] = 0.0f;
    const Vec4 q = flattened(buildTableShadow(state), 0.5f, 1.05f, 0.0f);
    EXPECT_NEAR(kTableTopY, q.y, 1e-5);
    EXPECT_NEAR(1.0f, q.x, 1e-5);  // half way down from the light, twice as far out
}

TEST(TableShadow, NoneFallsUnderALightFromBelowOrSeenFromBelow)
{
    SceneState state;
    EXPECT_TRUE(buildTableShadow(state).falls);
    state.lightPosition[1] = -1.0f;
    EXPECT_FALSE(buildTableShadow(state).falls);
    state.lightPosition[1] = 1.0f;
    state.rotation[0] = 180.0f;  // the table upside down: the camera sees its underside
    EXPECT_FALSE(buildTableShadow(state).falls);
}

TEST(BackdropAlpha, DrawnPixelsKeepTheirBytesEmptyOnesClearEdgesUnblend)
{
    PpmImage black, white;
    black.width = white.width = 3;
    black.height = white.height = 1;
    // Drawn (the same over both), empty (the backdrop), and half covered by (200, 100, 0).
    black.pixels = {10, 20, 30, 0, 0, 0, 100, 50, 0};
    white.pixels = {10, 20, 30, 255, 255, 255, 228, 178, 128};
    const std::vector<unsigned char> alpha = alphaFromBackdrops(black, white);
    ASSERT_EQ(3u, alpha.size());
    EXPECT_EQ(255, alpha[0]);
    EXPECT_EQ(0, alpha[1]);
    EXPECT_NEAR(127, alpha[2], 1);
    EXPECT_EQ((std::vector<unsigned char>{10, 20, 30}),
              std::vector<unsigned char>(white.pixels.begin(), white.pixels.begin() + 3));
    EXPECT_NEAR(200, white.pixels[6], 2);
    EXPECT_NEAR(100, white.pixels[7], 2);
    EXPECT_NEAR(0, white.pixels[8], 2);
}

}  // namespace
