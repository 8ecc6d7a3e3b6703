// The panel's control table and the arithmetic of its bindings (ImGui itself is not tested).
#include <gtest/gtest.h>

#include <string>

#include "core/scene_state.h"
#include "core/controls.h"
#include "desktop/panel/placement.h"

namespace {

const Control& byLabel(const std::vector<Control>& controls, const std::string& label)
{
    for (const Control& c : controls)
        if (label == c.label)
            return c;
    ADD_FAILURE() << "no control labelled " << label;
    return controls.front();
}

}  // namespace

TEST(PanelControls, OrderKindsAndBindings)
{
    SceneState s;
    const std::vector<Control> controls = buildControlTable(s, 5);
    ASSERT_EQ(24u, controls.size());
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(ControlKind::Checkbox, controls[i].kind) << i;
    for (size_t i = 6; i < 15; ++i)
        EXPECT_EQ(ControlKind::IntSpinner, controls[i].kind) << i;
    for (size_t i = 15; i < 24; ++i) {
        EXPECT_EQ(ControlKind::FloatSpinner, controls[i].kind) << i;
        EXPECT_FALSE(controls[i].limited);
    }

    EXPECT_EQ(&s.fillVaseSteps,
              byLabel(controls, "Wholy Vase (Vase with no regular holes)").intField);
    EXPECT_EQ(&s.radialVaseNormals, byLabel(controls, "Realistic/Artistic Vase Lighting").intField);
    EXPECT_EQ(&s.standTexture, byLabel(controls, "The stand of the globe uses texture #").intField);
    EXPECT_EQ(&s.objectSlices,
              byLabel(controls, "Number of vertical steps for other objects (greater the better)")
                  .intField);
    EXPECT_EQ(&s.objectStacks,
              byLabel(controls, "Number of radial steps for other objects (greater the better)")
                  .intField);
    // Specular comes before diffuse, and only the first three components are bound.
    EXPECT_EQ(&s.lightSpecular[0], controls[18].floatField);
    EXPECT_EQ(&s.lightDiffuse[2], controls[23].floatField);
    EXPECT_EQ(&s.lightPosition[2], controls[17].floatField);

    // Every control explains itself in one line.
    for (const Control& c : controls) {
        ASSERT_NE(nullptr, c.tooltip) << c.label;
        EXPECT_GT(std::string(c.tooltip).size(), 10u) << c.label;
        EXPECT_EQ(std::string::npos, std::string(c.tooltip).find('\n')) << c.label;
    }
}

TEST(PanelControls, LimitsWhenBuilt)
{
    {
        SceneState s;
        applyLimitsOnBuild(buildControlTable(s, 5));
        EXPECT_EQ(3, s.vaseTexture);
        EXPECT_EQ(4, s.standTexture);
        EXPECT_EQ(100, s.vaseVerticalSteps);
    }
    {
        // Outside the new limits means the low limit, not the nearest one.
        SceneState s;
        applyLimitsOnBuild(buildControlTable(s, 3));
        EXPECT_EQ(2, s.globeTexture);
        EXPECT_EQ(0, s.vaseTexture);
        EXPECT_EQ(0, s.standTexture);
    }
    {
        SceneState s;
        s.objectSlices = 5000;
        applyLimitsOnBuild(buildControlTable(s, 5));
        EXPECT_EQ(0, s.objectSlices);
    }
    {
        // No textures: the texture spinners are disabled and the indices stay where they are.
        SceneState s;
        const std::vector<Control> controls = buildControlTable(s, 0);
        applyLimitsOnBuild(controls);
        EXPECT_EQ(4, s.standTexture);
        const Control& table = byLabel(controls, "Table uses texture #");
        EXPECT_FALSE(table.enabled);
        EXPECT_FALSE(commitTypedValue(table, "2"));
        EXPECT_FALSE(stepSpinner(table, 1, 0.1f));
        EXPECT_EQ(0, s.tableTexture);
        EXPECT_TRUE(byLabel(controls, "Crazy Vase").enabled);
    }
}

TEST(PanelControls, TypedValuesAreClamped)
{
    SceneState s;
    const std::vector<Control> controls = buildControlTable(s, 5);
    const Control& vase = byLabel(controls, "Vase uses texture #");
    const Control& bands =
        byLabel(controls, "Number of vertical steps for vase (greater the better)");

    EXPECT_EQ("clamped to 4, the largest allowed (0 to 4)", typedValueClampNote(vase, "7"));
    EXPECT_EQ("clamped to 0, the smallest allowed (0 to 4)", typedValueClampNote(vase, "-1"));
    EXPECT_EQ("", typedValueClampNote(vase, "4"));
    EXPECT_EQ("", typedValueClampNote(vase, "2.5"));  // refused, not clamped
    EXPECT_TRUE(commitTypedValue(vase, "7"));
    EXPECT_EQ(4, s.vaseTexture);
    EXPECT_TRUE(commitTypedValue(vase, "0"));
    EXPECT_EQ(0, s.vaseTexture);

    EXPECT_TRUE(commitTypedValue(bands, "-5"));
    EXPECT_EQ(0, s.vaseVerticalSteps);
    EXPECT_TRUE(commitTypedValue(bands, "5000"));
    EXPECT_EQ(1000, s.vaseVerticalSteps);
    EXPECT_TRUE(commitTypedValue(bands, "1e12"));
    EXPECT_EQ(1000, s.vaseVerticalSteps);
    EXPECT_TRUE(commitTypedValue(bands, "-99999999999"));
    EXPECT_EQ(0, s.vaseVerticalSteps);
    // A fraction is not a step count: it used to be cut to 31, a number nobody typed; now it
    // is refused and the field keeps its value.
    EXPECT_FALSE(commitTypedValue(bands, " 31.9 "));
    EXPECT_EQ(0, s.vaseVerticalSteps);
    EXPECT_TRUE(commitTypedValue(bands, " 31 "));
    EXPECT_EQ(31, s.vaseVerticalSteps);
    // Whole numbers in other spellings are read as a whole.
    EXPECT_TRUE(commitTypedValue(bands, "1e3"));
    EXPECT_EQ(1000, s.vaseVerticalSteps);
    EXPECT_TRUE(commitTypedValue(bands, "+2.0"));
    EXPECT_EQ(2, s.vaseVerticalSteps);
    EXPECT_TRUE(commitTypedValue(bands, "1e39"));  // a whole number, beyond the limit
    EXPECT_EQ(1000, s.vaseVerticalSteps);
    EXPECT_TRUE(commitTypedValue(bands, "31"));

    // Text that is not one whole number leaves the field alone: nothing in it is dropped to
    // make another number of it ("1,5" is not 15, "1e-3" not 0).
    for (const char* junk : {"", " ", "-", ".", "abc", "12abc", "1,5", "1 5", "1e", "e3", "1e+",
                             "0x10", "nan", "inf", "1e400", "1e-3", "1e-400", "2.7"})
        EXPECT_FALSE(commitTypedValue(bands, junk)) << '"' << junk << '"';
    EXPECT_EQ(31, s.vaseVerticalSteps);

    const Control& lightX = byLabel(controls, "x position of light");
    EXPECT_TRUE(commitTypedValue(lightX, "-123.5"));
    EXPECT_FLOAT_EQ(-123.5f, s.lightPosition[0]);
    EXPECT_FLOAT_EQ(0.0f, s.lightPosition[3]);
    EXPECT_TRUE(commitTypedValue(lightX, ".5e1"));
    EXPECT_FLOAT_EQ(5.0f, s.lightPosition[0]);
    // Beyond the float range the light would be infinite; a comma is no decimal point here.
    for (const char* junk : {"1e39", "-1e39", "1,5", "inf", "-inf", "nan", "1e400"})
        EXPECT_FALSE(commitTypedValue(lightX, junk)) << '"' << junk << '"';
    EXPECT_FLOAT_EQ(5.0f, s.lightPosition[0]);
    EXPECT_TRUE(commitTypedValue(lightX, "3e38"));
    EXPECT_FLOAT_EQ(3e38f, s.lightPosition[0]);
}

TEST(PanelControls, ArrowsStepWithinLimits)
{
    SceneState s;
    const std::vector<Control> controls = buildControlTable(s, 5);
    const Control& table = byLabel(controls, "Table uses texture #");
    EXPECT_FALSE(stepSpinner(table, -1, 0.1f));  // already at the low limit
    EXPECT_TRUE(stepSpinner(table, 10, 0.1f));
    EXPECT_EQ(4, s.tableTexture);
    EXPECT_FALSE(stepSpinner(table, 1, 0.1f));

    const Control& diffuseR = byLabel(controls, "R value of light(diff)");
    EXPECT_TRUE(stepSpinner(diffuseR, -3, 0.5f));
    EXPECT_FLOAT_EQ(0.5f, s.lightDiffuse[0]);
    EXPECT_EQ("0.500", formatControlValue(diffuseR));
    EXPECT_EQ("4", formatControlValue(table));

    // One arrow click: 1 or 0.1, and with Ctrl 10 or 1.0 (not 10 x 1.0).
    EXPECT_TRUE(stepByArrow(diffuseR, 1, true));
    EXPECT_FLOAT_EQ(1.5f, s.lightDiffuse[0]);
    EXPECT_TRUE(stepByArrow(diffuseR, -1, false));
    EXPECT_FLOAT_EQ(1.4f, s.lightDiffuse[0]);
    const Control& stacks =
        byLabel(controls, "Number of radial steps for other objects (greater the better)");
    EXPECT_TRUE(stepByArrow(stacks, 1, true));
    EXPECT_EQ(30, s.objectStacks);
    EXPECT_TRUE(stepByArrow(stacks, -1, false));
    EXPECT_EQ(29, s.objectStacks);
}

TEST(PanelPlacement, BesideTheSceneAndOnTheScreen)
{
    const int gap = 8;
    const FrameRect panel{0, 0, 676, 650};
    {
        // Room on the right: the scene stays, the panel is level with it.
        const PanelPlacement p =
            placePanelBesideScene({100, 200, 502, 525}, panel, 1920, 1080, gap);
        EXPECT_EQ(100, p.scene.x);
        EXPECT_EQ(610, p.panel.x);
        EXPECT_EQ(200, p.panel.y);
    }
    {
        // No room on the right, room on the left.
        const PanelPlacement p =
            placePanelBesideScene({1000, 100, 502, 525}, panel, 1600, 1200, gap);
        EXPECT_EQ(1000, p.scene.x);
        EXPECT_EQ(1000 - gap - 676, p.panel.x);
    }
    {
        // Neither side, as openbox centres the scene on 1600 x 1200: the scene makes room, and
        // the panel moves up to stay on the screen.
        const PanelPlacement p =
            placePanelBesideScene({550, 600, 502, 525}, panel, 1600, 1200, gap);
        EXPECT_EQ(1600 - 676 - gap - 502, p.scene.x);
        EXPECT_EQ(600, p.scene.y);
        EXPECT_EQ(1600 - 676, p.panel.x);
        EXPECT_EQ(1200 - 650, p.panel.y);
    }
    {
        // A screen too small for both: the panel stays on it, at its left and top edges at worst.
        const PanelPlacement p = placePanelBesideScene({-1, -1, 500, 500}, panel, 640, 480, gap);
        EXPECT_EQ(-1, p.scene.x);
        EXPECT_EQ(0, p.panel.x);
        EXPECT_EQ(0, p.panel.y);
    }
}

TEST(PanelControls, RefusalsSayWhyAndLightValuesFit)
{
    SceneState s;
    const std::vector<Control> controls = buildControlTable(s, 5);
    const Control& bands =
        byLabel(controls, "Number of vertical steps for vase (greater the better)");
    const Control& lightX = byLabel(controls, "x position of light");

    EXPECT_EQ("not a number (use a point for decimals)", typedValueRefusal(lightX, "2,5"));
    EXPECT_EQ("not a number", typedValueRefusal(bands, "abc"));
    EXPECT_EQ("not a whole number", typedValueRefusal(bands, "7.5"));
    EXPECT_NE("", typedValueRefusal(lightX, "1e39"));
    EXPECT_EQ("", typedValueRefusal(bands, "7"));
    EXPECT_EQ("", typedValueRefusal(lightX, "7.5"));

    // Large and tiny light values show in exponent form, which fits a field.
    EXPECT_TRUE(commitTypedValue(lightX, "1e38"));
    EXPECT_EQ("1e+38", formatControlValue(lightX));
    EXPECT_TRUE(commitTypedValue(lightX, "0.0001"));
    EXPECT_EQ("0.0001", formatControlValue(lightX));
    EXPECT_TRUE(commitTypedValue(lightX, "-2.5"));
    EXPECT_EQ("-2.500", formatControlValue(lightX));
}
