// The vase's worker-thread builder: a build started later supersedes one in progress.
#include "core/vase_builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(VaseBuilder, SupersededBuildIsDroppedAndTheNewestDelivered)
{
    VaseSettings large, small;
    large.verticalSteps = large.radialSteps = 1000;
    small.verticalSteps = 31;
    small.radialSteps = 7;
    small.crazy = true;
    std::vector<VaseVertex> first(vaseSharedLayout(large).vertices());
    std::vector<VaseVertex> second(vaseSharedLayout(small).vertices());
    VaseBuilder builder;
    EXPECT_FALSE(takeVaseBuild(builder, nullptr, nullptr));  // nothing started

    startVaseBuild(builder, large, first.data());
    startVaseBuild(builder, small, second.data());
    waitVaseBuild(builder);
    VaseSettings built;
    VaseVertex* out = nullptr;
    ASSERT_TRUE(takeVaseBuild(builder, &built, &out));
    EXPECT_EQ(small, built);
    EXPECT_EQ(second.data(), out);
    std::vector<VaseVertex> expected(second.size());
    buildVaseSharedMesh(small, expected.data());
    EXPECT_EQ(0, std::memcmp(expected.data(), second.data(), second.size() * sizeof(VaseVertex)));
    // The first build is never delivered, now or later.
    EXPECT_FALSE(takeVaseBuild(builder, nullptr, nullptr));
    EXPECT_FALSE(vaseBuildPending(builder));

    // A build that is stopped delivers nothing either.
    startVaseBuild(builder, large, first.data());
    stopVaseBuild(builder);
    EXPECT_FALSE(takeVaseBuild(builder, nullptr, nullptr));

    // Cancelled before its first band, the builder says so and writes nothing.
    const std::atomic<bool> cancelled{true};
    std::vector<VaseVertex> untouched(4, VaseVertex{});
    EXPECT_FALSE(buildVaseSharedMesh(small, untouched.data(), &cancelled));
    EXPECT_EQ(0.0f, untouched[0].x);
}
