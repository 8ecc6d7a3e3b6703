// Drives the running viewer: panel rows found in a grab, XTest on controls, scene measures.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"

namespace e2e {

// The panel's controls in order: six checkboxes, nine int spinners, nine float spinners.
enum class PanelControl {
    SpinGlobe,
    CylindricalProjection,
    ZoomMode,
    WholyVase,
    CrazyVase,
    VaseLighting,
    TableTexture,
    PopTexture,
    GlobeTexture,
    VaseTexture,
    StandTexture,
    VaseVerticalSteps,
    VaseRadialSteps,
    ObjectSlices,
    ObjectStacks,
    LightX,
    LightY,
    LightZ,
    SpecularR,
    SpecularG,
    SpecularB,
    DiffuseR,
    DiffuseG,
    DiffuseB,
};
constexpr int panelCheckboxCount = 6;
constexpr int panelSpinnerCount = 18;

// Where the controls lie, in the panel window's own coordinates (pixel centres).
struct PanelLayout {
    int firstRowY = 0;    // centre of the first checkbox row
    double rowPitch = 0;  // distance between row centres
    int checkboxX = 0;    // centre of the checkboxes' boxes
    int checkboxHalfSide = 0;
    int fieldLeft = 0, fieldRight = 0;  // spinners' text fields, inclusive
    int minusX = 0, plusX = 0;          // centres of the spinners' arrow buttons
};

struct PanelDriver {
    Display* display = nullptr;
    Window window = 0;
    Rect geometry;  // once the panel has fitted itself to its controls
    PanelLayout layout;
};

// Each operation first finds the rows again if the panel's size has changed, failing the test if
// they cannot be found, and afterwards rests the pointer where it shows no tooltip.
void clickCheckbox(PanelDriver& panel, PanelControl control);
// Whether the box shows its check mark now.
bool checkboxTicked(PanelDriver& panel, PanelControl control);
// Clicks the text field (which selects its text), types text and confirms it with Return, or
// leaves the pointer on the field with the edit open when confirm is false.
void typeIntoSpinner(PanelDriver& panel, PanelControl control, const std::string& text,
                     bool confirm = true);
// Clicks the spinner's '+' (up) or '-' (down) button once.
void clickSpinnerArrow(PanelDriver& panel, PanelControl control, bool up);
// The three buttons under the controls, side by side, and "Save turntable" under the first two.
enum class PanelButton { SavePicture, ExportVase, ResetView, SaveTurntable };
void clickPanelButton(PanelDriver& panel, PanelButton button);
// The spinner's text field as shown now: equal grabs show equal values.
RgbImage grabSpinnerField(PanelDriver& panel, PanelControl control);

// ---- Measures of the scene ----

// The window less its outer rows and columns: freeglut's (-1, -1) puts one of each off screen.
Rect interiorOf(const RgbImage& image);
PixelSpread spreadOfSwatch(const RgbImage& image, Swatch swatch);
// The globe's bounding box, grown to cover the edge that flickers as it spins; empty if none shows.
Rect globeArea(const RgbImage& image);
std::vector<Rect> globeAreas(const RgbImage& a, const RgbImage& b);
// Interior pixels differing by more than tolerance in a channel, outside the excluded rectangles;
// all of them if the sizes differ.
int differingPixels(const RgbImage& a, const RgbImage& b, const std::vector<Rect>& excluded = {},
                    int tolerance = 0);
RgbImage cropOf(const RgbImage& image, Rect region);

// The positions where a test held in one picture, to look at the same places in another.
using PixelMask = std::vector<std::pair<int, int>>;
PixelMask maskOf(const RgbImage& image, const PixelTest& test);
int countInMask(const RgbImage& image, const PixelMask& mask, const PixelTest& test);
// Pixels in exactly one of the two masks.
int maskDifference(const PixelMask& a, const PixelMask& b);

// ---- Fixture ----

// A running viewer on the solid-colour textures, with its scene window and attached panel.
class StillLifeTest : public ViewerTest {
  protected:
    // Writes the swatch textures and starts the viewer on them. Call under ASSERT_NO_FATAL_FAILURE.
    void startStillLife(const Environment& extraEnv = {},
                        const std::vector<std::string>& args = {});
    // Starts the viewer, with `args`, on the texture list already in dir. Call under
    // ASSERT_NO_FATAL_FAILURE.
    void startViewer(const Environment& extraEnv = {}, const std::vector<std::string>& args = {});
    RgbImage grabScene();
    // Grabs the scene until accept holds; frame keeps the last grab; false on timeout (with the
    // grab saved as name).
    bool waitForScene(const std::function<bool(const RgbImage&)>& accept, RgbImage& frame,
                      const std::string& name, double timeoutS = 20.0);
    // Waits for a whole frame: every object in sight. The default picture after a start.
    RgbImage waitForStillLife();
    // Grabs until grabs a moment apart agree everywhere but on the spinning globe; the last grab.
    RgbImage waitForSteadyScene();
    // Puts the pointer over the scene window so that it receives keys.
    void pointAtScene();

    Window scene = 0;
    Rect sceneGeometry;
    PanelDriver panel;
};

}  // namespace e2e
