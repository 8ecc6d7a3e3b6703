// Background builds: the vase's worker supersedes a build in progress, and the shape shared by
// the background builds hands its output over whole, drops a cancelled one, keeps exceptions in
// its thread and runs in the foreground where no thread can be started.
#include "core/vase_builder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/child_process.h"

TEST(VaseBuilder, SupersededBuildIsDroppedAndTheNewestDelivered)
{
    VaseSettings large, small;
    large.verticalSteps = large.radialSteps = 1000;
    small.verticalSteps = 31;
    small.radialSteps = 7;
    small.crazy = true;
    VaseBuilder builder;
    EXPECT_FALSE(builder.take(nullptr, nullptr));  // nothing started

    builder.start(VaseBuildInput{large, false, {}});
    VaseBuildInput second{small, true, vaseInMotion(small)};
    builder.start(second);
    builder.wait();
    VaseBuildInput built;
    std::unique_ptr<VaseBuildOutput> out;
    ASSERT_TRUE(builder.take(&built, &out));
    EXPECT_EQ(small, built.settings);
    ASSERT_TRUE(out && out->mesh && out->first);
    const auto sameMesh = [](const VaseSettings& s, const VaseVertex* mesh) {
        std::vector<VaseVertex> expected(vaseSharedLayout(s).vertices());
        buildVaseSharedMesh(s, expected.data());
        return std::memcmp(expected.data(), mesh, expected.size() * sizeof(VaseVertex)) == 0;
    };
    EXPECT_TRUE(sameMesh(small, out->mesh.get()));
    EXPECT_TRUE(sameMesh(vaseInMotion(small), out->first.get()));
    // The first build is never delivered, now or later.
    EXPECT_FALSE(builder.take(nullptr, nullptr));
    EXPECT_FALSE(builder.pending());

    // A build that is stopped delivers nothing either.
    builder.start(VaseBuildInput{large, false, {}});
    builder.stop();
    EXPECT_FALSE(builder.take(nullptr, nullptr));

    // Cancelled before its first band, the mesh builder says so and writes nothing.
    const std::atomic<bool> cancelled{true};
    std::vector<VaseVertex> untouched(4, VaseVertex{});
    EXPECT_FALSE(buildVaseSharedMesh(small, untouched.data(), &cancelled));
    EXPECT_EQ(0.0f, untouched[0].x);
}

namespace {

// Counts to `in` unless cancelled; throws for 13, asks for memory it cannot have for 14.
using Counting = BackgroundWork<int, std::vector<int>>;
bool count(const int& in, std::vector<int>& out, const BuildProgress& p)
{
    if (in == 13)
        throw std::runtime_error("unlucky");
    if (in == 14)
        out.reserve(out.max_size() / 2);
    for (int i = 0; i < in; ++i) {
        if (p.cancel.load())
            return false;
        out.push_back(i);
        if (in > 1000)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return true;
}

}  // namespace

TEST(BackgroundWork, HandsOverWholeCancelsAndKeepsExceptionsInItsThread)
{
    Counting work(count);
    work.start(5);
    work.wait();
    int input = 0;
    std::unique_ptr<std::vector<int>> out;
    ASSERT_TRUE(work.take(&input, &out));
    EXPECT_EQ(5, input);
    ASSERT_TRUE(out);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), *out);

    // A long build stopped part way gives nothing; the next one starts afresh.
    work.start(1000000);
    work.stop();
    EXPECT_FALSE(work.take(nullptr, nullptr));
    work.start(3);
    work.wait();
    ASSERT_TRUE(work.take(nullptr, &out));
    EXPECT_EQ(3u, out->size());

    // Exceptions and running out of memory end the build, not the process. (The sanitizers
    // report an allocation that large instead of throwing.)
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    for (int failing : {13}) {
#else
    for (int failing : {13, 14}) {
#endif
        work.start(failing);
        work.wait();
        ASSERT_TRUE(work.take(&input, &out));
        EXPECT_FALSE(out);
        EXPECT_EQ(failing == 13 ? "unlucky" : "not enough memory", work.failure());
    }
}

// Where no thread can be had (a user allowed no more processes, as `ulimit -u` sets), the build
// runs in the foreground and one line says so, once.
TEST(BackgroundWork, WithoutThreadsBuildsInTheForeground)
{
    const int status = testproc::statusInChild({}, [] {
        if (getuid() == 0 && setuid(65534) != 0)
            return 77;
        const rlimit none{0, 0};
        setrlimit(RLIMIT_NPROC, &none);
        takeBackgroundWorkNotice();
        Counting work(count);
        work.start(4);
        std::unique_ptr<std::vector<int>> out;
        if (!work.take(nullptr, &out) || !out || out->size() != 4)
            return 1;  // not ready at once
        const std::string said = takeBackgroundWorkNotice();
        if (said.find("built in the foreground") == std::string::npos)
            return 2;
        VaseBuilder vase;
        vase.start(VaseBuildInput{VaseSettings(), false, {}});
        std::unique_ptr<VaseBuildOutput> mesh;
        if (!vase.take(nullptr, &mesh) || !mesh || !mesh->mesh)
            return 3;
        return takeBackgroundWorkNotice().empty() ? 0 : 4;  // said once
    });
    if (status == 77)
        GTEST_SKIP() << "cannot become an unprivileged user";
    EXPECT_EQ(0, status) << "(134: terminated by an uncaught exception)";
}
