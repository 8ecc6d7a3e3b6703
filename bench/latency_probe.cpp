// Responsiveness probe: XTest input into a running viewer, timestamped against the first pixel
// change it causes in the panel or the scene. Prints one line per measure (median, min, max ms).
// Usage: tolvane_latency SCENE_WINDOW PANEL_WINDOW [repeats] [frames|drag]  (ids as xdotool
// prints them). With "frames", it times the intervals between scene changes instead (the frame
// time while the globe spins); with "drag", how long the scene changes after a drag's release.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

Display* dpy = nullptr;
Window sceneWin = 0, panelWin = 0;

using Clock = std::chrono::steady_clock;

// Dear ImGui's default metrics in the panel: 8-pixel padding, 19-pixel rows 4 pixels apart.
constexpr int kFirstRowCentre = 17;
constexpr int kRowPitch = 23;
constexpr int kCheckboxX = 17;
constexpr int kCrazyVaseRow = 4;
constexpr int kVaseStepsRow = 11;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<char> grab(Window w, int x, int y, int width, int height)
{
    XImage* image = XGetImage(dpy, w, x, y, width, height, AllPlanes, ZPixmap);
    if (!image)
        return {};
    std::vector<char> bytes(image->data, image->data + image->bytes_per_line * height);
    XDestroyImage(image);
    return bytes;
}

// Milliseconds from `start` until the region differs from `before`; -1 after timeoutMs.
double waitForChange(Window w, int x, int y, int width, int height, const std::vector<char>& before,
                     Clock::time_point start, double timeoutMs = 20000)
{
    while (msSince(start) < timeoutMs) {
        if (grab(w, x, y, width, height) != before)
            return msSince(start);
        sleepMs(1);
    }
    return -1;
}

// Pixels of the region in Dear ImGui's default check-mark blue (66, 150, 250), give or take.
int checkMarkPixels(Window w, int x, int y, int width, int height)
{
    XImage* image = XGetImage(dpy, w, x, y, width, height, AllPlanes, ZPixmap);
    if (!image)
        return -1;
    int count = 0;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            const unsigned long p = XGetPixel(image, i, j);
            const int r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
            if (std::abs(r - 66) < 40 && std::abs(g - 150) < 40 && std::abs(b - 250) < 40)
                ++count;
        }
    XDestroyImage(image);
    return count;
}

// Milliseconds from `start` until the check mark appears or goes; -1 after timeoutMs.
double waitForTick(Window w, int x, int y, int width, int height, bool ticked,
                   Clock::time_point start, double timeoutMs = 20000)
{
    while (msSince(start) < timeoutMs) {
        if ((checkMarkPixels(w, x, y, width, height) > 4) == !ticked)
            return msSince(start);
        sleepMs(1);
    }
    return -1;
}

// Waits until the region has not changed for quietMs, or 5 s (a spinning globe never rests).
void waitForQuiet(Window w, int x, int y, int width, int height, int quietMs)
{
    std::vector<char> last = grab(w, x, y, width, height);
    auto since = Clock::now();
    const auto start = since;
    while (msSince(since) < quietMs && msSince(start) < 5000) {
        sleepMs(20);
        std::vector<char> now = grab(w, x, y, width, height);
        if (now != last) {
            last = now;
            since = Clock::now();
        }
    }
}

// Milliseconds from `start` to the region's last change before it rests for quietMs (0 if it
// never changed); -1 if it never rests within timeoutMs.
double lastChange(Window w, int x, int y, int width, int height, Clock::time_point start,
                  int quietMs, double timeoutMs = 20000)
{
    std::vector<char> last = grab(w, x, y, width, height);
    double changed = 0;
    while (msSince(start) - changed < quietMs) {
        if (msSince(start) > timeoutMs)
            return -1;
        sleepMs(2);
        std::vector<char> now = grab(w, x, y, width, height);
        if (now != last) {
            last = std::move(now);
            changed = msSince(start);
        }
    }
    return changed;
}

void rootPosition(Window w, int x, int y, int& rx, int& ry)
{
    Window child;
    XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), x, y, &rx, &ry, &child);
}

void movePointer(Window w, int x, int y)
{
    int rx, ry;
    rootPosition(w, x, y, rx, ry);
    XTestFakeMotionEvent(dpy, -1, rx, ry, CurrentTime);
    XSync(dpy, False);
}

void button(bool down)
{
    XTestFakeButtonEvent(dpy, 1, down, CurrentTime);
    XSync(dpy, False);
}

void key(KeySym sym, bool down)
{
    XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, sym), down, CurrentTime);
    XSync(dpy, False);
}

void windowSize(Window w, int& width, int& height)
{
    XWindowAttributes a;
    XGetWindowAttributes(dpy, w, &a);
    width = a.width;
    height = a.height;
}

struct Series {
    std::string name;
    std::vector<double> ms;
};

void report(const Series& s)
{
    std::vector<double> v = s.ms;
    std::sort(v.begin(), v.end());
    if (v.empty()) {
        std::printf("%-44s no samples\n", s.name.c_str());
        return;
    }
    std::printf("%-44s median %7.0f ms  (%0.f..%0.f, n=%zu)\n", s.name.c_str(), v[v.size() / 2],
                v.front(), v.back(), v.size());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SCENE_WINDOW PANEL_WINDOW [repeats]\n", argv[0]);
        return 2;
    }
    dpy = XOpenDisplay(nullptr);
    if (!dpy)
        return 2;
    sceneWin = std::strtoul(argv[1], nullptr, 0);
    panelWin = std::strtoul(argv[2], nullptr, 0);
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 3;
    int sceneW, sceneH, panelW, panelH;
    windowSize(sceneWin, sceneW, sceneH);
    windowSize(panelWin, panelW, panelH);

    if (argc > 4 && std::string(argv[4]) == "frames") {
        Series frames{"scene frame interval (globe spinning)", {}};
        std::vector<char> last = grab(sceneWin, 0, 0, sceneW, sceneH);
        waitForChange(sceneWin, 0, 0, sceneW, sceneH, last, Clock::now());
        last = grab(sceneWin, 0, 0, sceneW, sceneH);
        for (int n = 0; n < repeats; ++n) {
            const auto from = Clock::now();
            frames.ms.push_back(waitForChange(sceneWin, 0, 0, sceneW, sceneH, last, from));
            last = grab(sceneWin, 0, 0, sceneW, sceneH);
        }
        report(frames);
        return 0;
    }

    if (argc > 4 && std::string(argv[4]) == "drag") {
        // A drag across the scene, 60 motion events 10 ms apart, then the button released:
        // how long the picture goes on changing (start with the globe still).
        Series settle{"scene's last change after a drag's release", {}};
        for (int r = 0; r < repeats; ++r) {
            waitForQuiet(sceneWin, 0, 0, sceneW, sceneH, 1500);
            const int direction = r % 2 ? -1 : 1;
            movePointer(sceneWin, sceneW / 2, sceneH / 2);
            sleepMs(50);
            button(true);
            for (int i = 1; i <= 60; ++i) {
                movePointer(sceneWin, sceneW / 2 + direction * 3 * i, sceneH / 2 + i);
                sleepMs(10);
            }
            button(false);
            const auto released = Clock::now();
            settle.ms.push_back(lastChange(sceneWin, 0, 0, sceneW, sceneH, released, 1500));
        }
        report(settle);
        return 0;
    }

    const int crazyY = kFirstRowCentre + kCrazyVaseRow * kRowPitch;
    const int stepsY = kFirstRowCentre + kVaseStepsRow * kRowPitch;
    const int fieldX = panelW - 2 * 23 - 40;  // inside the text field, left of the arrows
    // A click into the vase's step field, and the panel's answer to it.
    const auto focusStepsField = [&] {
        movePointer(panelWin, fieldX, stepsY);
        sleepMs(100);
        button(true);
        sleepMs(60);
        button(false);
        waitForQuiet(panelWin, 0, stepsY - 9, panelW, 19, 500);
    };
    Series tick{"checkbox tick visible after release", {}};
    Series sceneAfterTick{"scene changed after checkbox release", {}};
    Series echo{"typed character visible", {}};
    Series sceneAfterEnter{"scene changed after Enter", {}};
    Series tickAfterEnter{"checkbox tick, clicked right after Enter", {}};

    for (int r = 0; r < repeats; ++r) {
        // Checkbox: press, release, first change of the box.
        waitForQuiet(sceneWin, 0, 0, sceneW, sceneH, 1500);
        const bool ticked = checkMarkPixels(panelWin, kCheckboxX - 8, crazyY - 8, 16, 16) > 4;
        const std::vector<char> sceneBefore = grab(sceneWin, 0, 0, sceneW, sceneH);
        movePointer(panelWin, kCheckboxX, crazyY);
        sleepMs(100);
        button(true);
        sleepMs(60);
        button(false);
        const auto released = Clock::now();
        tick.ms.push_back(
            waitForTick(panelWin, kCheckboxX - 8, crazyY - 8, 16, 16, ticked, released));
        sceneAfterTick.ms.push_back(
            waitForChange(sceneWin, 0, 0, sceneW, sceneH, sceneBefore, released));
        waitForQuiet(sceneWin, 0, 0, sceneW, sceneH, 1500);

        // Typing into the vase's step field: each character's echo, then Enter's scene change.
        focusStepsField();
        const char* digits = r % 2 ? "1000" : "999";
        for (const char* c = digits; *c; ++c) {
            const std::vector<char> field = grab(panelWin, 0, stepsY - 9, panelW, 19);
            const KeySym sym = XK_0 + (*c - '0');
            key(sym, true);
            const auto pressed = Clock::now();
            sleepMs(10);
            key(sym, false);
            echo.ms.push_back(waitForChange(panelWin, 0, stepsY - 9, panelW, 19, field, pressed));
            sleepMs(150);
        }
        const std::vector<char> beforeEnter = grab(sceneWin, 0, 0, sceneW, sceneH);
        key(XK_Return, true);
        const auto entered = Clock::now();
        sleepMs(10);
        key(XK_Return, false);
        sceneAfterEnter.ms.push_back(
            waitForChange(sceneWin, 0, 0, sceneW, sceneH, beforeEnter, entered));
        waitForQuiet(sceneWin, 0, 0, sceneW, sceneH, 1500);

        // Another step count, and at once a click on a checkbox: while the new vase is made.
        focusStepsField();
        for (const char* c = r % 2 ? "999" : "1000"; *c; ++c) {
            const KeySym sym = XK_0 + (*c - '0');
            key(sym, true);
            sleepMs(10);
            key(sym, false);
            sleepMs(50);
        }
        key(XK_Return, true);
        sleepMs(10);
        key(XK_Return, false);
        sleepMs(20);
        const bool tickedBefore = checkMarkPixels(panelWin, kCheckboxX - 8, crazyY - 8, 16, 16) > 4;
        movePointer(panelWin, kCheckboxX, crazyY);
        button(true);
        sleepMs(20);
        button(false);
        const auto clicked = Clock::now();
        tickAfterEnter.ms.push_back(
            waitForTick(panelWin, kCheckboxX - 8, crazyY - 8, 16, 16, tickedBefore, clicked));
        movePointer(sceneWin, sceneW / 2, 5);  // away from the panel: no tooltips
    }
    report(tick);
    report(sceneAfterTick);
    report(echo);
    report(sceneAfterEnter);
    report(tickAfterEnter);
    XCloseDisplay(dpy);
    return 0;
}
