// End-to-end harness: a private Xvfb, the real viewer as a child process, window lookup, pixel
// grabs and XTest input.
#include "harness.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

extern char** environ;

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Xlib's default handler exits the process; a window that has just gone must only make a grab fail.
int xErrorCount = 0;
int countXError(Display*, XErrorEvent*)
{
    ++xErrorCount;
    return 0;
}

// Runs args[0], searched on PATH, with standard input from /dev/null and its output appended to the
// given files; -1 if it cannot fork. The child dies with the test process, so a crashed test leaves
// no servers or viewers behind.
pid_t spawn(const std::vector<std::string>& args, char* const* envp, const std::string& stdoutPath,
            const std::string& stderrPath, const std::string& workingDir = "")
{
    // Everything the child needs is built before fork.
    std::vector<char*> argv;
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(127);
    int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int out = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    int err = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
        _exit(125);
    if (!workingDir.empty() && chdir(workingDir.c_str()) != 0)
        _exit(126);
    execvpe(argv[0], argv.data(), envp);
    _exit(127);
}

// Reaps the child if it has ended; true if it has (or was never started).
bool reap(pid_t& pid, int& exitStatus, int options)
{
    if (pid <= 0)
        return true;
    int status = 0;
    pid_t done = waitpid(pid, &status, options);
    if (done == 0)
        return false;
    if (done == pid)
        exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid = -1;
    return true;
}

bool waitForChild(pid_t& pid, int& exitStatus, double timeoutS)
{
    return waitUntil([&] { return reap(pid, exitStatus, WNOHANG); }, timeoutS, 10);
}

// SIGTERM, then SIGKILL if it has not ended within a few seconds.
void terminateChild(pid_t& pid, int& exitStatus)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    if (!waitForChild(pid, exitStatus, 5.0)) {
        kill(pid, SIGKILL);
        reap(pid, exitStatus, 0);
    }
}

void stopXvfb(Xvfb& server)
{
    if (server.display) {
        XCloseDisplay(server.display);
        server.display = nullptr;
    }
    int status = 0;
    terminateChild(server.pid, status);
}

// Starts Xvfb on a display it picks itself and connects to it; an error message, empty on success.
std::string startXvfb(Xvfb& server, const std::string& logPath)
{
    XSetErrorHandler(countXError);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return std::string("pipe: ") + strerror(errno);
    fcntl(fds[1], F_SETFD, 0);
    server.pid = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                        "1280x1024x24", "-nolisten", "tcp"},
                       environ, logPath, logPath);
    close(fds[1]);

    // Xvfb writes the display number and a line break once it accepts connections.
    std::string number;
    bool complete = false;
    auto start = Clock::now();
    while (server.pid > 0 && !complete && secondsSince(start) < 30.0) {
        pollfd waitFor{fds[0], POLLIN, 0};
        if (poll(&waitFor, 1, 100) <= 0)
            continue;
        char c = 0;
        if (read(fds[0], &c, 1) != 1)
            break;
        if (c == '\n')
            complete = true;
        else
            number += c;
    }
    close(fds[0]);
    if (!complete || number.empty()) {
        stopXvfb(server);
        return "Xvfb did not report a display: " + readWholeFile(logPath);
    }
    server.name = ":" + number;

    start = Clock::now();
    while (!(server.display = XOpenDisplay(server.name.c_str())) && secondsSince(start) < 10.0)
        sleepMs(50);
    if (!server.display) {
        std::string error =
            "cannot connect to Xvfb on " + server.name + ": " + readWholeFile(logPath);
        stopXvfb(server);
        return error;
    }
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(server.display, &eventBase, &errorBase, &major, &minor)) {
        stopXvfb(server);
        return "Xvfb has no XTEST extension";
    }
    // A test held up between a key's press and release must not send the key again.
    XAutoRepeatOff(server.display);
    XSync(server.display, False);
    return "";
}

// The topmost viewable window titled title under parent, at any depth; 0 if none.
Window findWindow(Display* display, Window parent, const std::string& title)
{
    Window root = 0, parentOut = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOut, &children, &count))
        return 0;
    Window found = 0;
    // Stacking order lists the bottom child first.
    for (unsigned int i = count; i-- > 0 && !found;) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        found = windowTitle(display, children[i]) == title
                    ? children[i]
                    : findWindow(display, children[i], title);
    }
    if (children)
        XFree(children);
    return found;
}

// The window a property of type WINDOW on `window` names; 0 if it has none.
Window windowProperty(Display* display, Window window, const char* name)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window value = 0;
    const int before = xErrorCount;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1, False,
                           XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
        type == XA_WINDOW && format == 32 && count == 1)
        value = *reinterpret_cast<Window*>(data);
    if (data)
        XFree(data);
    XSync(display, False);
    return xErrorCount == before ? value : 0;
}

// A window manager has taken the screen once the root names its check window and that window
// names itself (the EWMH handshake).
bool windowManagerRunning(Display* display)
{
    const char* check = "_NET_SUPPORTING_WM_CHECK";
    const Window child = windowProperty(display, DefaultRootWindow(display), check);
    return child != 0 && windowProperty(display, child, check) == child;
}

bool waitForGeometry(Display* display, Window window, const std::function<bool(const Rect&)>& holds)
{
    XSync(display, False);
    Rect geometry;
    return waitUntil([&] { return windowGeometry(display, window, geometry) && holds(geometry); },
                     10.0);
}

// One channel of a TrueColor pixel, scaled to 0-255.
uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (!mask)
        return 0;
    const int shift = __builtin_ctzl(mask);
    return static_cast<uint8_t>(((pixel & mask) >> shift) * 255 / (mask >> shift));
}

void fakeKey(Display* display, KeyCode code, bool down)
{
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
    XSync(display, False);
}

void fakeButton(Display* display, bool down)
{
    XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
    XSync(display, False);
}

struct SwatchInfo {
    const char* name;
    Rgb colour;
    double hue;  // degrees
};
const SwatchInfo swatches[swatchCount] = {
    {"table", {255, 0, 0}, 0},  {"can", {255, 255, 0}, 60},    {"globe", {0, 255, 0}, 120},
    {"vase", {0, 0, 255}, 240}, {"stand", {255, 0, 255}, 300},
};

}  // namespace

// ---- Processes ----

int waitForExit(Viewer& viewer, double timeoutS)
{
    return waitForChild(viewer.pid, viewer.exitStatus, timeoutS) ? viewer.exitStatus : -1;
}

bool isRunning(Viewer& viewer)
{
    return !reap(viewer.pid, viewer.exitStatus, WNOHANG);
}

std::string outputSoFar(const Viewer& viewer)
{
    return readWholeFile(viewer.stdoutPath);
}

bool waitUntil(const std::function<bool()>& predicate, double timeoutS, int pollMs)
{
    auto start = Clock::now();
    while (!predicate()) {
        if (secondsSince(start) > timeoutS)
            return false;
        sleepMs(pollMs);
    }
    return true;
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// ---- Windows ----

bool windowGeometry(Display* display, Window window, Rect& geometry)
{
    XWindowAttributes attributes;
    int before = xErrorCount;
    if (!XGetWindowAttributes(display, window, &attributes))
        return false;
    Window child = 0;
    int x = 0, y = 0;
    if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child))
        return false;
    XSync(display, False);
    if (xErrorCount != before)
        return false;
    geometry = Rect{x, y, attributes.width, attributes.height};
    return true;
}

bool frameGeometry(Display* display, Window window, Rect& geometry)
{
    const Window root = DefaultRootWindow(display);
    Window top = window;
    for (;;) {
        Window rootOut = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, top, &rootOut, &parent, &children, &count))
            return false;
        if (children)
            XFree(children);
        if (parent == root || parent == 0)
            break;
        top = parent;
    }
    XWindowAttributes attributes;
    const int before = xErrorCount;
    if (!XGetWindowAttributes(display, top, &attributes))
        return false;
    XSync(display, False);
    if (xErrorCount != before)
        return false;
    // A child of the root: its position is the outer corner of its border.
    geometry = Rect{attributes.x, attributes.y, attributes.width + 2 * attributes.border_width,
                    attributes.height + 2 * attributes.border_width};
    return true;
}

bool overlaps(const Rect& a, const Rect& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

Rect screenOf(Display* display)
{
    return Rect{0, 0, DisplayWidth(display, DefaultScreen(display)),
                DisplayHeight(display, DefaultScreen(display))};
}

std::string windowTitle(Display* display, Window window)
{
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || !name)
        return "";
    std::string title = name;
    XFree(name);
    return title;
}

bool moveWindow(Display* display, Window window, int x, int y)
{
    XMoveWindow(display, window, x, y);
    return waitForGeometry(display, window, [&](const Rect& g) { return g.x == x && g.y == y; });
}

bool resizeWindow(Display* display, Window window, int width, int height)
{
    XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    return waitForGeometry(display, window,
                           [&](const Rect& g) { return g.width == width && g.height == height; });
}

// ---- Pixels ----

RgbImage grabWindow(Display* display, Window window)
{
    RgbImage image;
    XSync(display, False);
    Rect geometry;
    XWindowAttributes rootAttributes;
    if (!windowGeometry(display, window, geometry) ||
        !XGetWindowAttributes(display, DefaultRootWindow(display), &rootAttributes)) {
        return image;
    }
    // X refuses to read a window partly off the screen, and freeglut without a window manager puts
    // one at (-1, -1): read the part on the screen and leave the rest black.
    int x0 = std::max(0, -geometry.x), y0 = std::max(0, -geometry.y);
    int x1 = std::min(geometry.width, rootAttributes.width - geometry.x);
    int y1 = std::min(geometry.height, rootAttributes.height - geometry.y);
    if (x1 <= x0 || y1 <= y0)
        return image;
    int before = xErrorCount;
    XImage* raw = XGetImage(display, window, x0, y0, x1 - x0, y1 - y0, AllPlanes, ZPixmap);
    XSync(display, False);
    if (!raw)
        return image;
    if (xErrorCount != before) {
        XDestroyImage(raw);
        return image;
    }
    image.width = geometry.width;
    image.height = geometry.height;
    image.pixels.assign(static_cast<size_t>(image.width) * image.height, Rgb{0, 0, 0});
    for (int y = 0; y < raw->height; ++y) {
        for (int x = 0; x < raw->width; ++x) {
            unsigned long pixel = XGetPixel(raw, x, y);
            image.pixels[static_cast<size_t>(y0 + y) * image.width + x0 + x] =
                Rgb{channel(pixel, raw->red_mask), channel(pixel, raw->green_mask),
                    channel(pixel, raw->blue_mask)};
        }
    }
    XDestroyImage(raw);
    return image;
}

bool savePpm(const RgbImage& image, const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width << " " << image.height << "\n255\n";
    for (const Rgb& p : image.pixels) {
        const char bytes[3] = {static_cast<char>(p.r), static_cast<char>(p.g),
                               static_cast<char>(p.b)};
        out.write(bytes, 3);
    }
    return static_cast<bool>(out);
}

bool nearColour(Rgb a, Rgb b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

PixelSpread spreadOf(const RgbImage& image, const PixelTest& test, Rect region)
{
    const int x0 = std::max(region.x, 0), y0 = std::max(region.y, 0);
    const int x1 = std::min(region.x + region.width, image.width);
    const int y1 = std::min(region.y + region.height, image.height);
    PixelSpread spread;
    double sumX = 0, sumY = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (!test(image.at(x, y)))
                continue;
            if (spread.count == 0) {
                spread.minX = spread.maxX = x;
                spread.minY = spread.maxY = y;
            }
            spread.minX = std::min(spread.minX, x);
            spread.maxX = std::max(spread.maxX, x);
            spread.minY = std::min(spread.minY, y);
            spread.maxY = std::max(spread.maxY, y);
            sumX += x;
            sumY += y;
            ++spread.count;
        }
    }
    if (spread.count) {
        spread.centroidX = sumX / spread.count;
        spread.centroidY = sumY / spread.count;
    }
    return spread;
}

// ---- Solid-colour textures ----

Rgb swatchColour(Swatch swatch)
{
    return swatches[static_cast<int>(swatch)].colour;
}

const char* swatchName(Swatch swatch)
{
    return swatches[static_cast<int>(swatch)].name;
}

Swatch classify(Rgb colour)
{
    int maxC = std::max({colour.r, colour.g, colour.b});
    int minC = std::min({colour.r, colour.g, colour.b});
    int chroma = maxC - minC;
    // Lighting scales a grey material, so a lit texel keeps its hue and saturation but not its
    // brightness.
    if (maxC < 40 || chroma * 2 < maxC)
        return minC >= 235 ? Swatch::Background : Swatch::Other;
    double hue = 0;
    if (maxC == colour.r)
        hue = 60.0 * (colour.g - colour.b) / chroma;
    else if (maxC == colour.g)
        hue = 60.0 * (colour.b - colour.r) / chroma + 120.0;
    else
        hue = 60.0 * (colour.r - colour.g) / chroma + 240.0;
    if (hue < 0)
        hue += 360.0;
    for (int i = 0; i < swatchCount; ++i) {
        double distance = std::fabs(hue - swatches[i].hue);
        distance = std::min(distance, 360.0 - distance);
        if (distance <= 25.0)
            return static_cast<Swatch>(i);
    }
    return Swatch::Other;
}

PixelTest isSwatch(Swatch swatch)
{
    return [swatch](Rgb p) { return classify(p) == swatch; };
}

PixelTest notSwatch(Swatch swatch)
{
    return [swatch](Rgb p) { return classify(p) != swatch; };
}

bool writeSolidPpm(const std::string& path, int width, int height, Rgb colour)
{
    RgbImage image{width, height, std::vector<Rgb>(static_cast<size_t>(width) * height, colour)};
    return savePpm(image, path);
}

bool writeTextFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

bool writeTextureList(const std::string& path, const std::vector<std::string>& names, int count)
{
    std::string text = std::to_string(count < 0 ? static_cast<int>(names.size()) : count) + "\n";
    for (const auto& name : names)
        text += name + "\n";
    return writeTextFile(path, text);
}

std::vector<std::string> standardTextureNames()
{
    std::vector<std::string> names;
    for (const SwatchInfo& swatch : swatches)
        names.push_back(std::string(swatch.name) + ".ppm");
    return names;
}

void writeStandardTextures(const std::string& dir, int n)
{
    std::vector<std::string> names = standardTextureNames();
    names.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        writeSolidPpm(dir + "/" + names[i], 16, 16, swatches[i].colour);
    writeTextureList(dir + "/textureList.txt", names);
}

// ---- XTest input ----

void movePointer(Display* display, int x, int y)
{
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XSync(display, False);
}

void click(Display* display, int x, int y)
{
    movePointer(display, x, y);
    sleepMs(30);
    fakeButton(display, true);
    sleepMs(150);
    fakeButton(display, false);
    sleepMs(30);
}

void turnWheel(Display* display, int x, int y, int notches)
{
    movePointer(display, x, y);
    sleepMs(30);
    // X reports the wheel as buttons 4 (away from the user) and 5 (towards).
    const unsigned int button = notches > 0 ? 4 : 5;
    for (int n = notches > 0 ? notches : -notches; n > 0; --n) {
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        XTestFakeButtonEvent(display, button, False, CurrentTime);
        XSync(display, False);
        sleepMs(30);
    }
}

void drag(Display* display, int fromX, int fromY, int toX, int toY)
{
    const int steps = 20, pauseMs = 30;
    movePointer(display, fromX, fromY);
    sleepMs(pauseMs);
    fakeButton(display, true);
    sleepMs(pauseMs);
    for (int i = 1; i <= steps; ++i) {
        movePointer(display, fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
        sleepMs(pauseMs);
    }
    fakeButton(display, false);
    sleepMs(pauseMs);
}

void tapKey(Display* display, unsigned long keysym)
{
    KeyCode code = XKeysymToKeycode(display, keysym);
    if (!code) {
        ADD_FAILURE() << "no keycode for keysym " << keysym;
        return;
    }
    // Shift is needed when the keysym is only on the key's shifted level.
    const bool needsShift = XkbKeycodeToKeysym(display, code, 0, 0) != keysym &&
                            XkbKeycodeToKeysym(display, code, 0, 1) == keysym;
    KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    if (needsShift)
        fakeKey(display, shift, true);
    fakeKey(display, code, true);
    sleepMs(80);
    fakeKey(display, code, false);
    if (needsShift)
        fakeKey(display, shift, false);
}

void tapKeyWithCtrl(Display* display, unsigned long keysym, bool shift)
{
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    const KeyCode shiftKey = XKeysymToKeycode(display, XK_Shift_L);
    fakeKey(display, control, true);
    if (shift)
        fakeKey(display, shiftKey, true);
    sleepMs(40);
    tapKey(display, keysym);
    sleepMs(40);
    if (shift)
        fakeKey(display, shiftKey, false);
    fakeKey(display, control, false);
}

void typeText(Display* display, const std::string& text)
{
    for (char c : text) {
        // Printable ASCII keysyms equal their character codes.
        tapKey(display, static_cast<unsigned char>(c));
        sleepMs(40);
    }
}

// ---- Fixture ----

void ViewerTest::SetUp()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tolvane-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << "cannot make a temporary directory";
    dir = pattern;
    std::string error = startXvfb(xvfb, dir + "/xvfb.log");
    ASSERT_TRUE(error.empty()) << error;
}

void ViewerTest::TearDown()
{
    terminateChild(viewer.pid, viewer.exitStatus);
    int status = 0;
    terminateChild(windowManager, status);
    stopXvfb(xvfb);
    if (HasFailure()) {
        for (const auto& path : savedGrabs)
            std::cout << "[ grab     ] " << path << "\n";
        std::cout << "[ kept     ] " << dir << "\n";
    } else if (!dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
}

void ViewerTest::launch(const std::vector<std::string>& args, const std::string& workingDir,
                        const Environment& extraEnv)
{
    terminateChild(viewer.pid, viewer.exitStatus);
    const std::string outputDir = dir + "/run" + std::to_string(++launches);
    std::filesystem::create_directories(outputDir);
    viewer.exitStatus = -1;
    viewer.stdoutPath = outputDir + "/stdout.txt";
    viewer.stderrPath = outputDir + "/stderr.txt";

    std::map<std::string, std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const size_t equals = text.find('=');
        if (equals != std::string::npos)
            env[text.substr(0, equals)] = text.substr(equals + 1);
    }
    env["DISPLAY"] = xvfb.name;
    env["LIBGL_ALWAYS_SOFTWARE"] = "1";
    for (const auto& [key, value] : extraEnv) {
        if (value.empty())
            env.erase(key);
        else
            env[key] = value;
    }
    std::vector<std::string> envText;
    for (const auto& [key, value] : env)
        envText.push_back(key + "=" + value);
    std::vector<char*> envp;
    for (auto& text : envText)
        envp.push_back(text.data());
    envp.push_back(nullptr);

    std::vector<std::string> argText{TOLVANE_BINARY};
    argText.insert(argText.end(), args.begin(), args.end());
    viewer.pid = spawn(argText, envp.data(), viewer.stdoutPath, viewer.stderrPath,
                       workingDir.empty() ? dir : workingDir);
    EXPECT_GT(viewer.pid, 0) << "fork: " << strerror(errno);
}

Window ViewerTest::requireWindow(const std::string& title)
{
    Window found = 0;
    waitUntil(
        [&] {
            found = findWindow(display(), DefaultRootWindow(display()), title);
            XSync(display(), False);
            return found != 0;
        },
        30.0, 100);
    EXPECT_NE(found, 0u) << "no window titled \"" << title << "\"\n" << describeViewer();
    return found;
}

bool ViewerTest::waitForOutput(const std::string& text)
{
    auto printed = [&] { return outputSoFar(viewer).find(text) != std::string::npos; };
    return waitUntil([&] { return printed() || !isRunning(viewer); }) && printed();
}

std::string ViewerTest::saveGrab(const RgbImage& image, const std::string& name)
{
    std::string path = dir + "/" + name + ".ppm";
    savePpm(image, path);
    savedGrabs.push_back(path);
    return path;
}

void ViewerTest::startWindowManager()
{
    const std::string log = dir + "/openbox.log";
    std::vector<std::string> envText;
    for (char** entry = environ; *entry; ++entry)
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0)
            envText.push_back(*entry);
    envText.push_back("DISPLAY=" + xvfb.name);
    std::vector<char*> envp;
    for (auto& text : envText)
        envp.push_back(text.data());
    envp.push_back(nullptr);
    windowManager = spawn({"openbox", "--sm-disable"}, envp.data(), log, log);
    ASSERT_GT(windowManager, 0) << "fork: " << strerror(errno);
    int status = -1;
    const bool running = waitUntil(
        [&] { return windowManagerRunning(display()) || reap(windowManager, status, WNOHANG); },
        30.0, 50);
    ASSERT_TRUE(running && windowManager > 0)
        << "openbox did not take the screen (exit status " << status << "):\n"
        << readWholeFile(log);
}

std::string ViewerTest::describeViewer()
{
    return "--- viewer stdout ---\n" + outputSoFar(viewer) + "--- viewer stderr ---\n" +
           readWholeFile(viewer.stderrPath) + "--- exit status: " +
           (isRunning(viewer) ? std::string("running") : std::to_string(viewer.exitStatus));
}

}  // namespace e2e
