// End-to-end harness: a private Xvfb, the real viewer as a child process, window lookup, pixel
// grabs and XTest input.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

// Xlib's handles, declared here so that tests need not include Xlib.h, whose macros (None, Bool)
// break GoogleTest.
typedef struct _XDisplay Display;
typedef unsigned long Window;

namespace e2e {

// ---- Processes and displays ----

// A private X server with a 1280x1024 24-bit screen and this test's own connection to it.
struct Xvfb {
    pid_t pid = -1;
    std::string name;            // e.g. ":3"
    Display* display = nullptr;  // the test's connection, for lookups, grabs and input
    Xvfb() = default;
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    ~Xvfb();
};

// Starts Xvfb on a display it picks itself and connects to it; returns an error message, empty on
// success. logPath receives the server's own output.
std::string startXvfb(Xvfb& server, const std::string& logPath);
void stopXvfb(Xvfb& server);

// The viewer (or any program) running as a child, its standard output and error captured to files.
struct Viewer {
    pid_t pid = -1;
    int exitStatus = -1;  // once reaped: the exit code, or 128 + signal
    std::string stdoutPath;
    std::string stderrPath;
    Viewer() = default;
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;
    ~Viewer();
};

struct LaunchOptions {
    std::string program = TOLVANE_BINARY;
    std::vector<std::string> args;  // after argv[0]
    std::string workingDir;         // empty: the test's working directory
    std::string display;            // DISPLAY; empty leaves it unset
    std::vector<std::pair<std::string, std::string>>
        extraEnv;           // set after DISPLAY, overriding the inherited ones
    std::string outputDir;  // where stdout.txt and stderr.txt go
};

// Starts the program; returns an error message, empty on success. LIBGL_ALWAYS_SOFTWARE=1 is always
// set.
std::string launchViewer(Viewer& viewer, const LaunchOptions& options);
// Waits for the process to end: its exit code, 128 + signal if killed, or -1 if still running after
// timeoutS.
int waitForExit(Viewer& viewer, double timeoutS);
bool isRunning(Viewer& viewer);
// SIGTERM, then SIGKILL if it has not ended within a few seconds.
void stopViewer(Viewer& viewer);
std::string outputSoFar(const Viewer& viewer);  // standard output
std::string errorsSoFar(const Viewer& viewer);  // standard error

// ---- Polling ----

// Calls predicate every pollMs until it holds or timeoutS passes; true if it held.
bool waitUntil(const std::function<bool()>& predicate, double timeoutS = 30.0, int pollMs = 50);
void sleepMs(int ms);

// Counts the lines of text equal to line (without the line break).
int countLines(const std::string& text, const std::string& line);
std::vector<std::string> splitLines(const std::string& text);

// ---- Windows ----

struct WindowGeometry {
    int x = 0, y = 0;  // top-left of the window's inside, relative to the root
    int width = 0, height = 0;
};

// The viewable window titled exactly title (WM_NAME or _NET_WM_NAME), searching the whole tree; 0
// if none.
Window findWindow(Display* display, const std::string& title);
// Polls findWindow until it finds the window or timeoutS passes; 0 if it never appeared.
Window waitForWindow(Display* display, const std::string& title, double timeoutS = 30.0);
// False if the window has gone.
bool windowGeometry(Display* display, Window window, WindowGeometry& geometry);
std::string windowTitle(Display* display, Window window);
// Resizes a window directly (there is no window manager to ask); true once the server reports the
// new size.
bool resizeWindow(Display* display, Window window, int width, int height, double timeoutS = 10.0);
// Moves a window's top-left corner to (x, y) in root coordinates; true once the server reports it
// there.
bool moveWindow(Display* display, Window window, int x, int y, double timeoutS = 10.0);

// ---- Pixels ----

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

struct RgbImage {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;  // rows top to bottom
    const Rgb& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool empty() const { return pixels.empty(); }
};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The window's current contents, black where the window lies off the screen; empty if it has gone.
RgbImage grabWindow(Display* display, Window window);
Rect wholeImage(const RgbImage& image);
bool savePpm(const RgbImage& image, const std::string& path);

using PixelTest = std::function<bool(Rgb)>;

// Each channel within tolerance of colour.
PixelTest nearColour(Rgb colour, int tolerance);
int countPixels(const RgbImage& image, const PixelTest& test, Rect region);
int countNear(const RgbImage& image, Rgb colour, int tolerance, Rect region);

// Where the pixels passing a test lie within a region.
struct PixelSpread {
    int count = 0;
    int minX = 0, minY = 0, maxX = -1, maxY = -1;  // bounding box, inclusive; empty when count is 0
    double centroidX = 0, centroidY = 0;
};
PixelSpread spreadOf(const RgbImage& image, const PixelTest& test, Rect region);

// Fraction of the region's pixels whose channels differ by more than tolerance between two grabs of
// one size.
double differingFraction(const RgbImage& a, const RgbImage& b, int tolerance, Rect region);

// ---- Solid-colour textures ----

// The five objects in texture-list order, then the two classes that are not objects.
enum class Swatch { Table, Can, Globe, Vase, Stand, Background, Other };
constexpr int swatchCount = 5;

// The saturated colour of each object's texture: hues 60 degrees or more apart, so lighting keeps
// them apart.
Rgb swatchColour(Swatch swatch);
const char* swatchName(Swatch swatch);
// Which object's hue a lit pixel has, Background for the white clear colour, Other for dark, grey
// or unknown.
Swatch classify(Rgb colour);
PixelTest isSwatch(Swatch swatch);

std::string makeTempDir();
bool writeSolidPpm(const std::string& path, int width, int height, Rgb colour);
bool writeTextFile(const std::string& path, const std::string& text);
// Writes "<count>\n" and one name per line; count < 0 means names.size().
bool writeTextureList(const std::string& path, const std::vector<std::string>& names,
                      int count = -1);
// Writes table.ppm, can.ppm, globe.ppm, vase.ppm, stand.ppm (the first n of them, 16x16, in swatch
// colours) and a list naming them into dir; returns the list's path.
std::string writeStandardTextures(const std::string& dir, int n = swatchCount,
                                  const std::string& listName = "textureList.txt");
std::vector<std::string> standardTextureNames(int n = swatchCount);

// ---- XTest input (root coordinates; each step is flushed and synced) ----

void movePointer(Display* display, int x, int y);
void pressButton(Display* display, unsigned button = 1);
void releaseButton(Display* display, unsigned button = 1);
// Moves to (x, y) and holds the button for holdMs: the panel needs a press held across two of its
// frames.
void click(Display* display, int x, int y, unsigned button = 1, int holdMs = 150);
// Presses at from, moves to to in steps with pauses so motion arrives while held, then releases.
void drag(Display* display, int fromX, int fromY, int toX, int toY, unsigned button = 1,
          int steps = 20, int pauseMs = 30);
// Presses and releases one key (an X keysym such as XK_Return), held for holdMs.
void tapKey(Display* display, unsigned long keysym, int holdMs = 80);
// Holds modifier while tapping keysym, e.g. XK_Control_L with XK_a.
void tapChord(Display* display, unsigned long modifier, unsigned long keysym, int holdMs = 80);
// Types letters, digits, '-', '.', ' ' (and uppercase with Shift), with gapMs between keys.
void typeText(Display* display, const std::string& text, int holdMs = 80, int gapMs = 40);

// ---- Fixture ----

// One test: a temporary directory, a private Xvfb and at most one running viewer, all removed at
// teardown. Grabs saved with saveGrab are kept, with the directory, when the test fails, and their
// paths printed.
class ViewerTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Launches the viewer on this test's display with output in a fresh subfolder of dir; fails the
    // test if it cannot start. workingDir empty means dir. A second launch stops the first viewer.
    Viewer& launch(const std::vector<std::string>& args, const std::string& workingDir = "",
                   const std::vector<std::pair<std::string, std::string>>& extraEnv = {});
    // Waits for the window, failing the test (with the viewer's output) if it does not appear.
    Window requireWindow(const std::string& title, double timeoutS = 30.0);
    // Waits until standard output holds text, or the viewer ends, or timeoutS passes.
    bool waitForOutput(const std::string& text, double timeoutS = 30.0);
    // Saves a grab as dir/<name>.ppm and returns its path.
    std::string saveGrab(const RgbImage& image, const std::string& name);
    // Standard output and error, for failure messages.
    std::string describeViewer();

    std::string dir;  // per-test temporary directory
    Xvfb xvfb;
    Display* display() const { return xvfb.display; }
    Viewer viewer;

  private:
    std::vector<std::string> savedGrabs;
    int launches = 0;
};

}  // namespace e2e
