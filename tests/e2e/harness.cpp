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

// Reaps the child if it has ended; true if it has (or was never started).
bool reap(pid_t& pid, int& exitStatus, int options)
{
    if (pid <= 0)
        return true;
    int status = 0;
    pid_t done = waitpid(pid, &status, options);
    if (done == 0)
        return false;
    if (done == pid) {
        exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    pid = -1;
    return true;
}

// Polls until the child ends or timeoutS passes; true if it ended.
bool waitForChild(pid_t& pid, int& exitStatus, double timeoutS)
{
    auto start = Clock::now();
    while (!reap(pid, exitStatus, WNOHANG)) {
        if (secondsSince(start) > timeoutS)
            return false;
        sleepMs(10);
    }
    return true;
}

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

// In a forked child: die with the test process, so a crashed test leaves no servers or viewers
// behind.
void dieWithParent(pid_t parent)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(127);
}

std::string textProperty(Display* display, Window window, Atom property)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) != Success) {
        return "";
    }
    std::string text;
    if (data && format == 8)
        text.assign(reinterpret_cast<char*>(data), count);
    if (data)
        XFree(data);
    return text;
}

Window findIn(Display* display, Window parent, const std::string& title, Atom netWmName)
{
    Window root = 0, parentOut = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOut, &children, &count))
        return 0;
    Window found = 0;
    // Topmost first: stacking order lists the bottom child first.
    for (unsigned int i = count; i-- > 0 && !found;) {
        Window child = children[i];
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, child, &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        if (textProperty(display, child, XA_WM_NAME) == title ||
            textProperty(display, child, netWmName) == title) {
            found = child;
        } else {
            found = findIn(display, child, title, netWmName);
        }
    }
    if (children)
        XFree(children);
    return found;
}

int lowestBit(unsigned long mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (!mask)
        return 0;
    unsigned long value = (pixel & mask) >> lowestBit(mask);
    unsigned long maxValue = mask >> lowestBit(mask);
    return static_cast<uint8_t>(value * 255 / maxValue);
}

Rect clipped(const RgbImage& image, Rect region)
{
    int x0 = std::max(region.x, 0), y0 = std::max(region.y, 0);
    int x1 = std::min(region.x + region.width, image.width),
        y1 = std::min(region.y + region.height, image.height);
    return Rect{x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0)};
}

// Keycode for a keysym and whether Shift must be held to get it; 0 if the keymap lacks it.
KeyCode keycodeFor(Display* display, KeySym keysym, bool& needsShift)
{
    KeyCode code = XKeysymToKeycode(display, keysym);
    needsShift = code && XkbKeycodeToKeysym(display, code, 0, 0) != keysym &&
                 XkbKeycodeToKeysym(display, code, 0, 1) == keysym;
    return code;
}

void fakeKey(Display* display, KeyCode code, bool down)
{
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
    XSync(display, False);
}

}  // namespace

// ---- Processes and displays ----

Xvfb::~Xvfb()
{
    stopXvfb(*this);
}

std::string startXvfb(Xvfb& server, const std::string& logPath)
{
    XSetErrorHandler(countXError);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return std::string("pipe: ") + strerror(errno);
    std::string fdText = std::to_string(fds[1]);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::string("fork: ") + strerror(errno);
    }
    if (pid == 0) {
        dieWithParent(parent);
        fcntl(fds[1], F_SETFD, 0);
        int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int devNull = open("/dev/null", O_RDONLY);
        if (log >= 0) {
            dup2(log, 1);
            dup2(log, 2);
        }
        if (devNull >= 0)
            dup2(devNull, 0);
        execlp("Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", "1280x1024x24",
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    server.pid = pid;

    // Xvfb writes the display number and a line break once it accepts connections.
    std::string number;
    auto start = Clock::now();
    bool complete = false;
    while (!complete && secondsSince(start) < 30.0) {
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

void stopXvfb(Xvfb& server)
{
    if (server.display) {
        XCloseDisplay(server.display);
        server.display = nullptr;
    }
    int status = 0;
    terminateChild(server.pid, status);
}

Viewer::~Viewer()
{
    stopViewer(*this);
}

std::string launchViewer(Viewer& viewer, const LaunchOptions& options)
{
    stopViewer(viewer);
    viewer.exitStatus = -1;
    viewer.stdoutPath = options.outputDir + "/stdout.txt";
    viewer.stderrPath = options.outputDir + "/stderr.txt";

    // Everything the child needs is built before fork.
    std::vector<std::pair<std::string, std::string>> overrides;
    auto override = [&](const std::string& key, const std::string& value) {
        auto same = [&](const auto& o) { return o.first == key; };
        overrides.erase(std::remove_if(overrides.begin(), overrides.end(), same), overrides.end());
        overrides.emplace_back(key, value);
    };
    if (!options.display.empty())
        override("DISPLAY", options.display);
    override("LIBGL_ALWAYS_SOFTWARE", "1");
    for (const auto& entry : options.extraEnv)
        override(entry.first, entry.second);
    std::vector<std::string> envText;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        std::string key = text.substr(0, text.find('='));
        bool replaced =
            key == "DISPLAY" || std::any_of(overrides.begin(), overrides.end(),
                                            [&](const auto& o) { return o.first == key; });
        if (!replaced)
            envText.push_back(text);
    }
    for (const auto& entry : overrides)
        envText.push_back(entry.first + "=" + entry.second);
    std::vector<char*> envp;
    for (auto& text : envText)
        envp.push_back(text.data());
    envp.push_back(nullptr);

    std::vector<std::string> argText{options.program};
    argText.insert(argText.end(), options.args.begin(), options.args.end());
    std::vector<char*> argv;
    for (auto& text : argText)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    int out = open(viewer.stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int err = open(viewer.stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (out < 0 || err < 0 || in < 0) {
        std::string error = std::string("cannot open output files in ") + options.outputDir + ": " +
                            strerror(errno);
        for (int fd : {out, err, in}) {
            if (fd >= 0)
                close(fd);
        }
        return error;
    }

    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        dieWithParent(parent);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (!options.workingDir.empty() && chdir(options.workingDir.c_str()) != 0)
            _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out);
    close(err);
    close(in);
    if (pid < 0)
        return std::string("fork: ") + strerror(errno);
    viewer.pid = pid;
    return "";
}

int waitForExit(Viewer& viewer, double timeoutS)
{
    if (!waitForChild(viewer.pid, viewer.exitStatus, timeoutS))
        return -1;
    return viewer.exitStatus;
}

bool isRunning(Viewer& viewer)
{
    return !reap(viewer.pid, viewer.exitStatus, WNOHANG);
}

void stopViewer(Viewer& viewer)
{
    terminateChild(viewer.pid, viewer.exitStatus);
}

std::string outputSoFar(const Viewer& viewer)
{
    return readWholeFile(viewer.stdoutPath);
}

std::string errorsSoFar(const Viewer& viewer)
{
    return readWholeFile(viewer.stderrPath);
}

// ---- Polling ----

bool waitUntil(const std::function<bool()>& predicate, double timeoutS, int pollMs)
{
    auto start = Clock::now();
    while (true) {
        if (predicate())
            return true;
        if (secondsSince(start) > timeoutS)
            return false;
        sleepMs(pollMs);
    }
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

int countLines(const std::string& text, const std::string& line)
{
    auto lines = splitLines(text);
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// ---- Windows ----

Window findWindow(Display* display, const std::string& title)
{
    Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    Window found = findIn(display, DefaultRootWindow(display), title, netWmName);
    XSync(display, False);
    return found;
}

Window waitForWindow(Display* display, const std::string& title, double timeoutS)
{
    Window found = 0;
    waitUntil([&] { return (found = findWindow(display, title)) != 0; }, timeoutS, 100);
    return found;
}

bool windowGeometry(Display* display, Window window, WindowGeometry& geometry)
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
    geometry = WindowGeometry{x, y, attributes.width, attributes.height};
    return true;
}

std::string windowTitle(Display* display, Window window)
{
    std::string title = textProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False));
    return title.empty() ? textProperty(display, window, XA_WM_NAME) : title;
}

bool resizeWindow(Display* display, Window window, int width, int height, double timeoutS)
{
    XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(display, False);
    WindowGeometry geometry;
    return waitUntil(
        [&] {
            return windowGeometry(display, window, geometry) && geometry.width == width &&
                   geometry.height == height;
        },
        timeoutS);
}

bool moveWindow(Display* display, Window window, int x, int y, double timeoutS)
{
    XMoveWindow(display, window, x, y);
    XSync(display, False);
    WindowGeometry geometry;
    return waitUntil(
        [&] {
            return windowGeometry(display, window, geometry) && geometry.x == x && geometry.y == y;
        },
        timeoutS);
}

// ---- Pixels ----

RgbImage grabWindow(Display* display, Window window)
{
    RgbImage image;
    XSync(display, False);
    WindowGeometry geometry;
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

Rect wholeImage(const RgbImage& image)
{
    return Rect{0, 0, image.width, image.height};
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

PixelTest nearColour(Rgb colour, int tolerance)
{
    return [colour, tolerance](Rgb p) {
        return std::abs(p.r - colour.r) <= tolerance && std::abs(p.g - colour.g) <= tolerance &&
               std::abs(p.b - colour.b) <= tolerance;
    };
}

int countPixels(const RgbImage& image, const PixelTest& test, Rect region)
{
    return spreadOf(image, test, region).count;
}

int countNear(const RgbImage& image, Rgb colour, int tolerance, Rect region)
{
    return countPixels(image, nearColour(colour, tolerance), region);
}

PixelSpread spreadOf(const RgbImage& image, const PixelTest& test, Rect region)
{
    Rect r = clipped(image, region);
    PixelSpread spread;
    double sumX = 0, sumY = 0;
    for (int y = r.y; y < r.y + r.height; ++y) {
        for (int x = r.x; x < r.x + r.width; ++x) {
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

double differingFraction(const RgbImage& a, const RgbImage& b, int tolerance, Rect region)
{
    if (a.width != b.width || a.height != b.height)
        return 1.0;
    Rect r = clipped(a, region);
    if (r.width == 0 || r.height == 0)
        return 0.0;
    int differing = 0;
    for (int y = r.y; y < r.y + r.height; ++y) {
        for (int x = r.x; x < r.x + r.width; ++x) {
            if (!nearColour(a.at(x, y), tolerance)(b.at(x, y)))
                ++differing;
        }
    }
    return static_cast<double>(differing) / (static_cast<double>(r.width) * r.height);
}

// ---- Solid-colour textures ----

namespace {

// Hue in degrees of each object's colour, in Swatch order.
const double swatchHues[swatchCount] = {0, 60, 120, 240, 300};

}  // namespace

Rgb swatchColour(Swatch swatch)
{
    switch (swatch) {
    case Swatch::Table: return Rgb{255, 0, 0};
    case Swatch::Can: return Rgb{255, 255, 0};
    case Swatch::Globe: return Rgb{0, 255, 0};
    case Swatch::Vase: return Rgb{0, 0, 255};
    case Swatch::Stand: return Rgb{255, 0, 255};
    case Swatch::Background: return Rgb{255, 255, 255};
    case Swatch::Other: break;
    }
    return Rgb{128, 128, 128};
}

const char* swatchName(Swatch swatch)
{
    switch (swatch) {
    case Swatch::Table: return "table";
    case Swatch::Can: return "can";
    case Swatch::Globe: return "globe";
    case Swatch::Vase: return "vase";
    case Swatch::Stand: return "stand";
    case Swatch::Background: return "background";
    case Swatch::Other: break;
    }
    return "other";
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
        double distance = std::fabs(hue - swatchHues[i]);
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

std::string makeTempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tolvane-e2e-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        return "";
    return std::string(buffer.data());
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

std::vector<std::string> standardTextureNames(int n)
{
    std::vector<std::string> names;
    for (int i = 0; i < n && i < swatchCount; ++i)
        names.push_back(std::string(swatchName(Swatch(i))) + ".ppm");
    return names;
}

std::string writeStandardTextures(const std::string& dir, int n, const std::string& listName)
{
    auto names = standardTextureNames(n);
    for (size_t i = 0; i < names.size(); ++i) {
        writeSolidPpm(dir + "/" + names[i], 16, 16, swatchColour(static_cast<Swatch>(i)));
    }
    std::string listPath = dir + "/" + listName;
    writeTextureList(listPath, names);
    return listPath;
}

// ---- XTest input ----

void movePointer(Display* display, int x, int y)
{
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XSync(display, False);
}

void pressButton(Display* display, unsigned button)
{
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XSync(display, False);
}

void releaseButton(Display* display, unsigned button)
{
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
}

void click(Display* display, int x, int y, unsigned button, int holdMs)
{
    movePointer(display, x, y);
    sleepMs(30);
    pressButton(display, button);
    sleepMs(holdMs);
    releaseButton(display, button);
    sleepMs(30);
}

void drag(Display* display, int fromX, int fromY, int toX, int toY, unsigned button, int steps,
          int pauseMs)
{
    steps = std::max(steps, 1);
    movePointer(display, fromX, fromY);
    sleepMs(pauseMs);
    pressButton(display, button);
    sleepMs(pauseMs);
    for (int i = 1; i <= steps; ++i) {
        movePointer(display, fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
        sleepMs(pauseMs);
    }
    releaseButton(display, button);
    sleepMs(pauseMs);
}

void tapKey(Display* display, unsigned long keysym, int holdMs)
{
    bool needsShift = false;
    KeyCode code = keycodeFor(display, keysym, needsShift);
    if (!code) {
        ADD_FAILURE() << "no keycode for keysym " << keysym;
        return;
    }
    KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    if (needsShift)
        fakeKey(display, shift, true);
    fakeKey(display, code, true);
    sleepMs(holdMs);
    fakeKey(display, code, false);
    if (needsShift)
        fakeKey(display, shift, false);
}

void tapChord(Display* display, unsigned long modifier, unsigned long keysym, int holdMs)
{
    KeyCode modifierCode = XKeysymToKeycode(display, modifier);
    if (!modifierCode) {
        ADD_FAILURE() << "no keycode for modifier keysym " << modifier;
        return;
    }
    fakeKey(display, modifierCode, true);
    sleepMs(20);
    tapKey(display, keysym, holdMs);
    sleepMs(20);
    fakeKey(display, modifierCode, false);
}

void typeText(Display* display, const std::string& text, int holdMs, int gapMs)
{
    for (char c : text) {
        // Printable ASCII keysyms equal their character codes.
        tapKey(display, static_cast<unsigned char>(c), holdMs);
        sleepMs(gapMs);
    }
}

// ---- Fixture ----

void ViewerTest::SetUp()
{
    dir = makeTempDir();
    ASSERT_FALSE(dir.empty()) << "cannot make a temporary directory";
    std::string error = startXvfb(xvfb, dir + "/xvfb.log");
    ASSERT_TRUE(error.empty()) << error;
}

void ViewerTest::TearDown()
{
    stopViewer(viewer);
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

Viewer& ViewerTest::launch(const std::vector<std::string>& args, const std::string& workingDir,
                           const std::vector<std::pair<std::string, std::string>>& extraEnv)
{
    LaunchOptions options;
    options.args = args;
    options.workingDir = workingDir.empty() ? dir : workingDir;
    options.display = xvfb.name;
    options.extraEnv = extraEnv;
    options.outputDir = dir + "/run" + std::to_string(++launches);
    std::filesystem::create_directories(options.outputDir);
    std::string error = launchViewer(viewer, options);
    EXPECT_TRUE(error.empty()) << error;
    return viewer;
}

Window ViewerTest::requireWindow(const std::string& title, double timeoutS)
{
    Window window = waitForWindow(display(), title, timeoutS);
    EXPECT_NE(window, 0u) << "no window titled \"" << title << "\"\n" << describeViewer();
    return window;
}

bool ViewerTest::waitForOutput(const std::string& text, double timeoutS)
{
    return waitUntil(
               [&] {
                   return outputSoFar(viewer).find(text) != std::string::npos || !isRunning(viewer);
               },
               timeoutS) &&
           outputSoFar(viewer).find(text) != std::string::npos;
}

std::string ViewerTest::saveGrab(const RgbImage& image, const std::string& name)
{
    std::string path = dir + "/" + name + ".ppm";
    savePpm(image, path);
    savedGrabs.push_back(path);
    return path;
}

std::string ViewerTest::describeViewer()
{
    return "--- viewer stdout ---\n" + outputSoFar(viewer) + "--- viewer stderr ---\n" +
           errorsSoFar(viewer) + "--- exit status: " +
           (isRunning(viewer) ? std::string("running") : std::to_string(viewer.exitStatus));
}

}  // namespace e2e
