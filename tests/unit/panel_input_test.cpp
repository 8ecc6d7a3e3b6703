// Batching of queued panel input so that no quick click or key is lost between frames.
#include <gtest/gtest.h>

#include <deque>

#include "desktop/panel/input_queue.h"

namespace {

PanelInput motion(int x, int y)
{
    return {PanelInput::Motion, 0, 0, x, y};
}
PanelInput button(int b, bool down)
{
    return {PanelInput::Mouse, b, down ? 1 : 0, 5, 5};
}
PanelInput key(int c)
{
    return {PanelInput::Key, c};
}
PanelInput keyUp(int c)
{
    return {PanelInput::KeyUp, c};
}

// Sizes of the successive batches the queue is fed in.
std::vector<size_t> batches(std::deque<PanelInput> queue)
{
    std::vector<size_t> sizes;
    while (!queue.empty()) {
        const size_t n = nextInputBatch(queue);
        if (n == 0) {
            ADD_FAILURE() << "a non-empty queue gave an empty batch";
            break;
        }
        sizes.push_back(n);
        queue.erase(queue.begin(), queue.begin() + static_cast<long>(n));
    }
    return sizes;
}

}  // namespace

TEST(PanelInput, QuickClickSpansTwoFrames)
{
    EXPECT_EQ((std::vector<size_t>{2, 1}),
              batches({motion(10, 10), button(0, true), button(0, false)}));
    // Motion after a press waits, so the press lands where it happened.
    EXPECT_EQ((std::vector<size_t>{2, 2}),
              batches({motion(1, 1), button(0, true), motion(9, 9), button(0, false)}));
    // So does leaving the window: a click just before the pointer left still lands.
    EXPECT_EQ((std::vector<size_t>{1, 1, 1}),
              batches({button(0, true), button(0, false), {PanelInput::Leave}}));
    // Different buttons do not hold each other up.
    EXPECT_EQ((std::vector<size_t>{2, 2}),
              batches({button(0, true), button(2, true), button(0, false), button(2, false)}));
}

TEST(PanelInput, TypedKeysEachGetAFrame)
{
    // "1", "0", Return typed faster than frames come: each press is seen down for a frame.
    EXPECT_EQ((std::vector<size_t>{1, 2, 2, 1}),
              batches({key('1'), keyUp('1'), key('0'), keyUp('0'), key(13), keyUp(13)}));
    // Auto-repeat delivers presses only: one per frame.
    EXPECT_EQ((std::vector<size_t>{1, 1, 1, 1}), batches({key(8), key(8), key(8), keyUp(8)}));
    // Special keys are numbered apart from ASCII: GLUT_KEY_LEFT (100) is not 'd' (100).
    EXPECT_EQ((std::vector<size_t>{2}), batches({key(100), {PanelInput::Special, 100}}));
    EXPECT_EQ(0u, nextInputBatch({}));
}
