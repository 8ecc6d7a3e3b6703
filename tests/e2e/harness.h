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

constexpr const char* sceneWindowTitle = "Brenwick's Tolvane";
constexpr const char* panelWindowTitle = "GLUI";

// ---- Processes ----

// A private X server with a 1280x1024 24-bit screen and this test's own connection to it.
struct Xvfb {
    pid_t pid = -1;
    std::string name;            // e.g. ":3"
    Display* display = nullptr;  // the test's connection, for lookups, grabs and input
};

// The viewer running as a child, its standard output and error captured to files.
struct Viewer {
    pid_t pid = -1;
    int exitStatus = -1;  // once reaped: the exit code, or 128 + signal
    std::string stdoutPath;
    std::string stderrPath;
};

// Environment variables set for the viewer over the inherited ones; an empty value unsets one.
using Environment = std::vector<std::pair<std::string, std::string>>;

// Waits for the viewer to end: its exit status, or -1 if still running after timeoutS.
int waitForExit(Viewer& viewer, double timeoutS);
bool isRunning(Viewer& viewer);
std::string outputSoFar(const Viewer& viewer);  // standard output

// Calls predicate every pollMs until it holds or timeoutS passes; true if it held.
bool waitUntil(const std::function<bool()>& predicate, double timeoutS = 30.0, int pollMs = 50);
void sleepMs(int ms);

// ---- Windows ----

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Rect& o) const
    {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

// The window's inside, relative to the root; false if the window has gone.
bool windowGeometry(Display* display, Window window, Rect& geometry);
// The window with the frame a window manager put around it (its top-level ancestor, border
// included), relative to the root; the window itself when there is no window manager.
bool frameGeometry(Display* display, Window window, Rect& geometry);
// Whether two rectangles share a pixel.
bool overlaps(const Rect& a, const Rect& b);
// The root window's size.
Rect screenOf(Display* display);
std::string windowTitle(Display* display, Window window);
// Move or resize a window directly (there is no window manager to ask); true once the server
// reports the change.
bool moveWindow(Display* display, Window window, int x, int y);
bool resizeWindow(Display* display, Window window, int width, int height);

// ---- Pixels ----

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

struct RgbImage {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;  // rows top to bottom
    const Rgb& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool empty() const { return pixels.empty(); }
};

// The window's current contents, black where the window lies off the screen; empty if it has gone.
RgbImage grabWindow(Display* display, Window window);
bool savePpm(const RgbImage& image, const std::string& path);

using PixelTest = std::function<bool(Rgb)>;

// Each channel within tolerance.
bool nearColour(Rgb a, Rgb b, int tolerance);

// Where the pixels passing a test lie within a region.
struct PixelSpread {
    int count = 0;
    int minX = 0, minY = 0, maxX = -1, maxY = -1;  // bounding box, inclusive; empty when count is 0
    double centroidX = 0, centroidY = 0;
};
PixelSpread spreadOf(const RgbImage& image, const PixelTest& test, Rect region);

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
PixelTest notSwatch(Swatch swatch);

bool writeSolidPpm(const std::string& path, int width, int height, Rgb colour);
bool writeTextFile(const std::string& path, const std::string& text);
// Writes "<count>\n" and one name per line; count < 0 means names.size().
bool writeTextureList(const std::string& path, const std::vector<std::string>& names,
                      int count = -1);
// table.ppm, can.ppm, globe.ppm, vase.ppm, stand.ppm.
std::vector<std::string> standardTextureNames();
// Writes the first n standard textures (16x16, in swatch colours) and a textureList.txt naming them
// into dir.
void writeStandardTextures(const std::string& dir, int n = swatchCount);

// ---- XTest input (root coordinates) ----

void movePointer(Display* display, int x, int y);
// Holds the left button for 150 ms: the panel needs a press held across two of its frames.
void click(Display* display, int x, int y);
// Turns the mouse wheel over (x, y) by `notches`: positive away from the user, negative towards.
void turnWheel(Display* display, int x, int y, int notches);
// Drags with the left button in steps with pauses, so that motion arrives while it is held.
void drag(Display* display, int fromX, int fromY, int toX, int toY);
// Presses and releases one key (an X keysym such as XK_Return), with Shift if the keysym needs it.
void tapKey(Display* display, unsigned long keysym);
// The same with Ctrl held, and Shift too when `shift`.
void tapKeyWithCtrl(Display* display, unsigned long keysym, bool shift = false);
// Types printable ASCII one key at a time.
void typeText(Display* display, const std::string& text);

// ---- Fixture ----

// One test: a temporary directory, a private Xvfb and at most one running viewer, all removed at
// teardown. Grabs saved with saveGrab are kept, with the directory, when the test fails, and their
// paths printed.
class ViewerTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Launches the viewer on this test's display with output in a fresh subfolder of dir.
    // workingDir empty means dir. A second launch stops the first viewer.
    void launch(const std::vector<std::string>& args, const std::string& workingDir = "",
                const Environment& extraEnv = {});
    // Waits for the window, failing the test (with the viewer's output) if it does not appear.
    Window requireWindow(const std::string& title);
    // Waits until standard output holds text, or the viewer ends, or 30 s pass.
    bool waitForOutput(const std::string& text);
    // Saves a grab as dir/<name>.ppm and returns its path.
    std::string saveGrab(const RgbImage& image, const std::string& name);
    // Standard output and error, for failure messages.
    std::string describeViewer();
    // Starts openbox on this test's display and waits until it manages the screen. Call under
    // ASSERT_NO_FATAL_FAILURE, before launching the viewer.
    void startWindowManager();

    std::string dir;  // per-test temporary directory
    Xvfb xvfb;
    Display* display() const { return xvfb.display; }
    Viewer viewer;

  private:
    pid_t windowManager = -1;
    std::vector<std::string> savedGrabs;
    int launches = 0;
};

}  // namespace e2e
