// The panel's control table and the arithmetic of its bindings (ImGui itself is not tested).
#include <gtest/gtest.h>

#include <string>

#include "app/scene_state.h"
#include "panel/controls.h"

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
    EXPECT_TRUE(commitTypedValue(bands, " 31.9 "));
    EXPECT_EQ(31, s.vaseVerticalSteps);

    // Text that holds no number leaves the field alone.
    for (const char* junk : {"", "-", "abc", "12abc", "nan", "inf"})
        EXPECT_FALSE(commitTypedValue(bands, junk)) << '"' << junk << '"';
    EXPECT_EQ(31, s.vaseVerticalSteps);

    const Control& lightX = byLabel(controls, "x position of light");
    EXPECT_TRUE(commitTypedValue(lightX, "-123.5"));
    EXPECT_FLOAT_EQ(-123.5f, s.lightPosition[0]);
    EXPECT_FLOAT_EQ(0.0f, s.lightPosition[3]);
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
}
