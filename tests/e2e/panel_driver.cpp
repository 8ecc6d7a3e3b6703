// Drives the running viewer: panel rows found in a grab, XTest on controls, scene measures.
#include "panel_driver.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace e2e {

namespace {

// ImGui's dark style blends its blue frames and buttons over a near-black window; text, borders and
// separators are grey.
bool isFramePixel(Rgb p)
{
    return p.b >= 60 && p.b >= p.r + 25;
}

// The check mark's colour; a hovered or pressed box is a paler blue that stays well away from it.
const Rgb checkMarkColour{66, 150, 250};

struct Run {
    int first = 0, last = 0;  // inclusive
    int length() const { return last - first + 1; }
    int centre() const { return (first + last) / 2; }
};

// Runs of frame colour at least minLength long along column x, or along row y when x is -1.
std::vector<Run> frameRuns(const RgbImage& image, int x, int y, int minLength = 1)
{
    const bool alongColumn = x >= 0;
    const int length = alongColumn ? image.height : image.width;
    auto isFrame = [&](int i) {
        return isFramePixel(alongColumn ? image.at(x, i) : image.at(i, y));
    };
    std::vector<Run> runs;
    for (int i = 0; i < length; ++i) {
        if (!isFrame(i))
            continue;
        Run run{i, i};
        while (run.last + 1 < length && isFrame(run.last + 1))
            ++run.last;
        if (run.length() >= minLength)
            runs.push_back(run);
        i = run.last;
    }
    return runs;
}

// Finds the rows in a grab of the panel by the colour of its frames; an error, empty on success.
std::string findPanelLayout(const RgbImage& grab, PanelLayout& layout)
{
    if (grab.empty())
        return "no grab of the panel";
    // The '+' buttons end the rows on the right: the rightmost column with frame colour runs
    // through all of them.
    int right = -1;
    for (int x = grab.width - 1; x >= 0 && right < 0; --x) {
        if (!frameRuns(grab, x, -1).empty())
            right = x;
    }
    if (right < 2)
        return "no controls drawn";
    // The spinners come first; the action buttons below them may reach the same column.
    std::vector<Run> spinners = frameRuns(grab, right - 2, -1, 8);
    if (static_cast<int>(spinners.size()) < panelSpinnerCount ||
        static_cast<int>(spinners.size()) > panelSpinnerCount + 1) {
        return "found " + std::to_string(spinners.size()) + " spinner rows, not " +
               std::to_string(panelSpinnerCount);
    }
    spinners.resize(panelSpinnerCount);
    const double pitch = static_cast<double>(spinners.back().centre() - spinners.front().centre()) /
                         (panelSpinnerCount - 1);
    for (int i = 0; i < panelSpinnerCount; ++i) {
        if (std::fabs(spinners[i].centre() - (spinners.front().centre() + i * pitch)) > 2.0)
            return "spinner rows are not evenly spaced at row " + std::to_string(i);
    }
    layout.rowPitch = pitch;
    layout.firstRowY =
        static_cast<int>(std::lround(spinners.front().centre() - panelCheckboxCount * pitch));
    const int frameHeight = spinners.front().length();

    // The top row of a frame lies above any glyph, so the field and the two buttons show as solid
    // runs there.
    std::vector<Run> spinnerRow = frameRuns(grab, -1, spinners.front().first + 1);
    if (spinnerRow.size() < 3)
        return "the first spinner row has fewer than three frames";
    const Run plus = spinnerRow[spinnerRow.size() - 1];
    const Run minus = spinnerRow[spinnerRow.size() - 2];
    const Run fieldEnd = spinnerRow[spinnerRow.size() - 3];
    if (std::abs(plus.length() - minus.length()) > 2 ||
        fieldEnd.last - spinnerRow.front().first < 3 * plus.length()) {
        return "the first spinner row is not a field followed by two buttons";
    }
    layout.fieldLeft = spinnerRow.front().first;
    layout.fieldRight = fieldEnd.last;
    layout.minusX = minus.centre();
    layout.plusX = plus.centre();

    std::vector<Run> checkboxRow = frameRuns(grab, -1, layout.firstRowY - frameHeight / 2 + 1);
    if (checkboxRow.empty())
        return "no checkbox in the first row";
    const Run box = checkboxRow.front();
    if (std::abs(box.length() - frameHeight) > 2 || box.first > layout.fieldLeft / 4)
        return "the first row's left frame is not a square box";
    layout.checkboxX = box.centre();
    layout.checkboxHalfSide = box.length() / 2;
    return "";
}

// Rests the pointer in the panel's bottom-left corner, where no control lies: a tooltip shown
// over the rows would hide them from a grab.
void parkPointer(Display* display, const Rect& geometry)
{
    movePointer(display, geometry.x + 2, geometry.y + geometry.height - 3);
}

// Waits until the panel has fitted itself to its controls and finds its rows; an error, empty on
// success.
std::string attachPanel(Display* display, Window window, PanelDriver& panel)
{
    panel.display = display;
    panel.window = window;
    // The panel opens at a default size and fits itself to its controls after its first frame:
    // accept a layout only once the size has held for several polls and the '+' buttons end near
    // the window's right edge.
    Rect last;
    int steadyPolls = 0;
    std::string error = "the panel's size never settled";
    bool found = waitUntil(
        [&] {
            Rect now;
            if (!windowGeometry(display, window, now)) {
                error = "the panel window has gone";
                return false;
            }
            if (!(now == last))
                parkPointer(display, now);
            steadyPolls = now == last ? steadyPolls + 1 : 0;
            last = now;
            if (steadyPolls < 4)
                return false;
            PanelLayout layout;
            error = findPanelLayout(grabWindow(display, window), layout);
            if (!error.empty())
                return false;
            if (now.width - 1 - layout.plusX > 24) {
                error = "the controls do not reach the panel's right edge";
                return false;
            }
            panel.geometry = now;
            panel.layout = layout;
            return true;
        },
        30.0, 100);
    return found ? "" : error;
}

void refreshPanel(PanelDriver& panel)
{
    Rect now;
    if (windowGeometry(panel.display, panel.window, now) && now == panel.geometry)
        return;
    const std::string error = attachPanel(panel.display, panel.window, panel);
    if (!error.empty())
        ADD_FAILURE() << "the panel's rows are lost: " << error;
}

// Root coordinates of a control's row centre.
int rowCentreY(const PanelDriver& panel, PanelControl control)
{
    return panel.geometry.y +
           static_cast<int>(std::lround(panel.layout.firstRowY +
                                        static_cast<int>(control) * panel.layout.rowPitch));
}

}  // namespace

void clickCheckbox(PanelDriver& panel, PanelControl control)
{
    refreshPanel(panel);
    click(panel.display, panel.geometry.x + panel.layout.checkboxX, rowCentreY(panel, control));
    parkPointer(panel.display, panel.geometry);
}

void clickPanelButton(PanelDriver& panel, PanelButton button)
{
    refreshPanel(panel);
    // The buttons share the row after the last spinner, each taking a third of its width.
    const bool turntable = button == PanelButton::SaveTurntable;
    const int row = panelCheckboxCount + panelSpinnerCount + (turntable ? 1 : 0);
    const int y =
        panel.geometry.y +
        static_cast<int>(std::lround(panel.layout.firstRowY + row * panel.layout.rowPitch));
    const int third = turntable ? 0 : static_cast<int>(button);
    click(panel.display, panel.geometry.x + panel.geometry.width * (2 * third + 1) / 6, y);
    parkPointer(panel.display, panel.geometry);
}

bool checkboxTicked(PanelDriver& panel, PanelControl control)
{
    refreshPanel(panel);
    RgbImage grab = grabWindow(panel.display, panel.window);
    const int half = panel.layout.checkboxHalfSide;
    Rect box{panel.layout.checkboxX - half, rowCentreY(panel, control) - panel.geometry.y - half,
             2 * half + 1, 2 * half + 1};
    auto isCheckMark = [](Rgb p) { return nearColour(p, checkMarkColour, 30); };
    return spreadOf(grab, isCheckMark, box).count >= 6;
}

void typeIntoSpinner(PanelDriver& panel, PanelControl control, const std::string& text,
                     bool confirm)
{
    refreshPanel(panel);
    click(panel.display, panel.geometry.x + (panel.layout.fieldLeft + panel.layout.fieldRight) / 2,
          rowCentreY(panel, control));
    typeText(panel.display, text);
    if (!confirm)
        return;
    tapKey(panel.display, XK_Return);
    parkPointer(panel.display, panel.geometry);
}

void clickSpinnerArrow(PanelDriver& panel, PanelControl control, bool up)
{
    refreshPanel(panel);
    click(panel.display, panel.geometry.x + (up ? panel.layout.plusX : panel.layout.minusX),
          rowCentreY(panel, control));
    parkPointer(panel.display, panel.geometry);
}

RgbImage grabSpinnerField(PanelDriver& panel, PanelControl control)
{
    refreshPanel(panel);
    const int halfRow = static_cast<int>(panel.layout.rowPitch / 2) - 1;
    return cropOf(
        grabWindow(panel.display, panel.window),
        Rect{panel.layout.fieldLeft, rowCentreY(panel, control) - panel.geometry.y - halfRow,
             panel.layout.fieldRight - panel.layout.fieldLeft + 1, 2 * halfRow + 1});
}

// ---- Measures of the scene ----

Rect interiorOf(const RgbImage& image)
{
    return Rect{1, 1, image.width - 2, image.height - 2};
}

PixelSpread spreadOfSwatch(const RgbImage& image, Swatch swatch)
{
    return spreadOf(image, isSwatch(swatch), interiorOf(image));
}

Rect globeArea(const RgbImage& image)
{
    const PixelSpread globe = spreadOfSwatch(image, Swatch::Globe);
    if (globe.count == 0)
        return Rect{};
    const int margin = 4;
    return Rect{globe.minX - margin, globe.minY - margin, globe.maxX - globe.minX + 1 + 2 * margin,
                globe.maxY - globe.minY + 1 + 2 * margin};
}

std::vector<Rect> globeAreas(const RgbImage& a, const RgbImage& b)
{
    return {globeArea(a), globeArea(b)};
}

int differingPixels(const RgbImage& a, const RgbImage& b, const std::vector<Rect>& excluded,
                    int tolerance)
{
    if (a.width != b.width || a.height != b.height)
        return a.width * a.height;
    const Rect r = interiorOf(a);
    int differing = 0;
    for (int y = r.y; y < r.y + r.height; ++y) {
        for (int x = r.x; x < r.x + r.width; ++x) {
            bool skip = std::any_of(excluded.begin(), excluded.end(), [&](const Rect& e) {
                return x >= e.x && x < e.x + e.width && y >= e.y && y < e.y + e.height;
            });
            if (!skip && !nearColour(a.at(x, y), b.at(x, y), tolerance))
                ++differing;
        }
    }
    return differing;
}

RgbImage cropOf(const RgbImage& image, Rect region)
{
    RgbImage part{region.width, region.height, {}};
    for (int y = region.y; y < region.y + region.height; ++y) {
        for (int x = region.x; x < region.x + region.width; ++x) {
            const bool inside = x >= 0 && y >= 0 && x < image.width && y < image.height;
            part.pixels.push_back(inside ? image.at(x, y) : Rgb{});
        }
    }
    return part;
}

PixelMask maskOf(const RgbImage& image, const PixelTest& test)
{
    PixelMask mask;
    const Rect r = interiorOf(image);
    for (int y = r.y; y < r.y + r.height; ++y) {
        for (int x = r.x; x < r.x + r.width; ++x) {
            if (test(image.at(x, y)))
                mask.emplace_back(x, y);
        }
    }
    return mask;
}

int countInMask(const RgbImage& image, const PixelMask& mask, const PixelTest& test)
{
    return static_cast<int>(
        std::count_if(mask.begin(), mask.end(), [&](const std::pair<int, int>& at) {
            return at.first < image.width && at.second < image.height &&
                   test(image.at(at.first, at.second));
        }));
}

int maskDifference(const PixelMask& a, const PixelMask& b)
{
    std::set<std::pair<int, int>> inA(a.begin(), a.end());
    int shared = static_cast<int>(
        std::count_if(b.begin(), b.end(), [&](const auto& at) { return inA.count(at) > 0; }));
    return static_cast<int>(a.size() + b.size()) - 2 * shared;
}

// ---- Fixture ----

void StillLifeTest::startStillLife(const Environment& extraEnv,
                                   const std::vector<std::string>& args)
{
    writeStandardTextures(dir);
    startViewer(extraEnv, args);
}

void StillLifeTest::startViewer(const Environment& extraEnv, const std::vector<std::string>& args)
{
    launch(args, "", extraEnv);
    scene = requireWindow(sceneWindowTitle);
    ASSERT_NE(scene, 0u);
    ASSERT_TRUE(windowGeometry(display(), scene, sceneGeometry));
    Window panelWindow = requireWindow(panelWindowTitle);
    ASSERT_NE(panelWindow, 0u);
    std::string error = attachPanel(display(), panelWindow, panel);
    if (!error.empty())
        saveGrab(grabWindow(display(), panelWindow), "panel");
    ASSERT_TRUE(error.empty()) << error << "\n" << describeViewer();
}

RgbImage StillLifeTest::grabScene()
{
    return grabWindow(display(), scene);
}

bool StillLifeTest::waitForScene(const std::function<bool(const RgbImage&)>& accept,
                                 RgbImage& frame, const std::string& name, double timeoutS)
{
    bool accepted = waitUntil(
        [&] {
            frame = grabScene();
            return !frame.empty() && accept(frame);
        },
        timeoutS, 30);
    if (!accepted)
        saveGrab(frame, name);
    return accepted;
}

RgbImage StillLifeTest::waitForStillLife()
{
    RgbImage frame;
    // Texture 0 is red and always on the table, which fills a good part of any frame.
    EXPECT_TRUE(waitForScene(
        [](const RgbImage& f) {
            return spreadOfSwatch(f, Swatch::Table).count > f.width * f.height / 30;
        },
        frame, "no-still-life"))
        << describeViewer();
    return frame;
}

RgbImage StillLifeTest::waitForSteadyScene()
{
    // Three grabs over 300 ms, so that one slow frame still drawing queued input is not taken for a
    // still picture.
    RgbImage previous = grabScene();
    RgbImage next;
    int samePairs = 0;
    bool steady = waitUntil(
        [&] {
            sleepMs(150);
            next = grabScene();
            bool same =
                !next.empty() && differingPixels(previous, next, globeAreas(previous, next)) == 0;
            samePairs = same ? samePairs + 1 : 0;
            previous = next;
            return samePairs >= 2;
        },
        20.0, 0);
    EXPECT_TRUE(steady) << "the scene kept changing: " << saveGrab(next, "unsteady") << "\n"
                        << describeViewer();
    return next;
}

void StillLifeTest::pointAtScene()
{
    movePointer(display(), sceneGeometry.x + sceneGeometry.width / 2,
                sceneGeometry.y + sceneGeometry.height - 20);
    sleepMs(50);
}

}  // namespace e2e
