// The settings' table: one row per named setting of SceneState.
#include "core/settings.h"

#include <cstring>
#include <vector>

#include "core/scene_state.h"
#include "core/view_math.h"

namespace {

constexpr int kLastGlobeAngle = 359;  // degrees; the idle step wraps at 360

SettingRow row(const char* name, SettingKind kind, const char* meaning, PicturePart part,
               unsigned undo, NamedWhen named = NamedWhen::Picture)
{
    SettingRow r{};
    r.name = name;
    r.kind = kind;
    r.components = 1;
    r.limit = SettingLimit::Unlimited;
    r.meaning = meaning;
    r.control = PanelControl::Hidden;
    r.undo = undo;
    r.part = part;
    r.named = named;
    return r;
}

SettingRow checkbox(const char* name, int SceneState::*field, const char* meaning,
                    PicturePart part, const char* label, const char* tooltip)
{
    SettingRow r = row(name, SettingKind::Flag, meaning, part, kScopeSettings);
    r.intField = field;
    r.control = PanelControl::Checkbox;
    r.labels[0] = label;
    r.tooltips[0] = tooltip;
    return r;
}

SettingRow spinner(const char* name, int SceneState::*field, const char* meaning,
                   PicturePart part, const char* label, const char* tooltip)
{
    SettingRow r = row(name, SettingKind::Int, meaning, part, kScopeSettings);
    r.intField = field;
    r.control = PanelControl::IntSpinner;
    r.limit = SettingLimit::Range;
    r.low = 0;
    r.high = kMaxSteps;
    r.labels[0] = label;
    r.tooltips[0] = tooltip;
    return r;
}

SettingRow textureSpinner(const char* name, int SceneState::*field, const char* meaning,
                          const char* label, const char* piece)
{
    SettingRow r = spinner(name, field, meaning, PicturePart::Rest, label, piece);
    r.limit = SettingLimit::TextureIndex;
    r.high = 0;
    return r;
}

SettingRow light(const char* name, float (SceneState::*field)[4], const char* meaning,
                 const char* const labels[3], const char* const tooltips[3])
{
    SettingRow r = row(name, SettingKind::Float, meaning, PicturePart::Rest, kScopeSettings);
    r.components = 3;
    r.vector4 = field;
    r.control = PanelControl::FloatSpinner;
    for (int k = 0; k < 3; ++k) {
        r.labels[k] = labels[k];
        r.tooltips[k] = tooltips[k];
    }
    return r;
}

SettingRow overlay(const char* name, int SceneState::*field, const char* meaning)
{
    SettingRow r = row(name, SettingKind::Flag, meaning, PicturePart::Rest, kScopeSettings,
                       NamedWhen::WhenOn);
    r.intField = field;
    return r;
}

const char* const kPositionLabels[3] = {"x position of light", "y position of light",
                                        "z position of light"};
const char* const kPositionTips[3] = {
    "Where the light shines from, left (-) or right (+); only its direction counts.",
    "Where the light shines from, below (-) or above (+); only its direction counts.",
    "Where the light shines from, behind (-) or in front (+); only its direction counts.",
};
const char* const kSpecularLabels[3] = {"R value of light(spec)", "G value of light(spec)",
                                        "B value of light(spec)"};
const char* const kSpecularTips[3] = {
    "How much red the light's shiny highlights have: 0 is none, 1 is full; above 1 (the "
    "default is 2) makes them larger and brighter, up to white.",
    "How much green the light's shiny highlights have: 0 is none, 1 is full; above 1 (the "
    "default is 2) makes them larger and brighter, up to white.",
    "How much blue the light's shiny highlights have: 0 is none, 1 is full; above 1 (the "
    "default is 2) makes them larger and brighter, up to white.",
};
const char* const kDiffuseLabels[3] = {"R value of light(diff)", "G value of light(diff)",
                                       "B value of light(diff)"};
const char* const kDiffuseTips[3] = {
    "How much red light falls on the objects' lit sides: 0 is none, 1 is full; above 1 (the "
    "default is 2) brightens them until they wash out.",
    "How much green light falls on the objects' lit sides: 0 is none, 1 is full; above 1 (the "
    "default is 2) brightens them until they wash out.",
    "How much blue light falls on the objects' lit sides: 0 is none, 1 is full; above 1 (the "
    "default is 2) brightens them until they wash out.",
};

std::vector<SettingRow> buildRows()
{
    using S = SceneState;
    std::vector<SettingRow> rows = {
        checkbox("spinGlobe", &S::spinGlobe, "the globe turns", PicturePart::Unseen, "Spin Globe",
                 "Turns the globe on its stand all the time."),
        checkbox("cylindricalProjection", &S::cylindricalProjection,
                 "vase texture: 1 cylindrical, 0 spherical", PicturePart::Vase,
                 "Cylindrical Projection on vase",
                 "Wraps the vase's picture around it like a label; untick to spread it as on a "
                 "ball (keys c and s)."),
        checkbox("zoomMode", &S::zoomMode, "vertical drags zoom", PicturePart::Unseen, "Zoom Mode",
                 "Dragging up and down in the scene zooms; untick to make it tip the scene "
                 "instead."),
        checkbox("fillVaseSteps", &S::fillVaseSteps, "rings close the vase's steps",
                 PicturePart::Vase, "Wholy Vase (Vase with no regular holes)",
                 "Closes the gaps between the vase's bands; untick to see through them."),
        checkbox("crazyVase", &S::crazyVase, "sine profile", PicturePart::Vase, "Crazy Vase",
                 "Gives the vase a wavy outline instead of its smooth one."),
        checkbox("radialVaseNormals", &S::radialVaseNormals, "flat-sided vase lighting",
                 PicturePart::Vase, "Realistic/Artistic Vase Lighting",
                 "Ticked (realistic): the vase is lit as its straight-sided bands stand; "
                 "unticked (artistic): as if it were round like a ball."),
        textureSpinner("tableTexture", &S::tableTexture, "image of the table",
                       "Table uses texture #",
                       "Which picture of the texture list covers the table, counting from 0."),
        textureSpinner("popTexture", &S::popTexture, "image of the can", "Pop uses texture #",
                       "Which picture of the texture list covers the can, counting from 0."),
        textureSpinner("globeTexture", &S::globeTexture, "image of the globe",
                       "Globe uses texture #",
                       "Which picture of the texture list covers the globe, counting from 0."),
        textureSpinner("vaseTexture", &S::vaseTexture, "image of the vase", "Vase uses texture #",
                       "Which picture of the texture list covers the vase, counting from 0."),
        textureSpinner("standTexture", &S::standTexture, "image of the stand",
                       "The stand of the globe uses texture #",
                       "Which picture of the texture list covers the globe's stand, counting "
                       "from 0."),
        spinner("vaseVerticalSteps", &S::vaseVerticalSteps, "bands up the vase",
                PicturePart::Vase, "Number of vertical steps for vase (greater the better)",
                "How many bands the vase is made of, 0 to 1000: more look smoother but draw "
                "slower."),
        spinner("vaseRadialSteps", &S::vaseRadialSteps, "quads around the vase",
                PicturePart::Vase, "Number of radial steps for vase (greater the better)",
                "How many flat sides go around the vase, 0 to 1000: more look rounder but draw "
                "slower."),
        spinner("objectSlices", &S::objectSlices, "slices of the round props", PicturePart::Rest,
                "Number of vertical steps for other objects (greater the better)",
                "How many slices go around the can, globe and stand, 0 to 1000: more look "
                "rounder."),
        spinner("objectStacks", &S::objectStacks, "stacks of the round props", PicturePart::Rest,
                "Number of radial steps for other objects (greater the better)",
                "How many pieces the can, globe and stand are cut into along their length (and "
                "their lids into rings), 0 to 1000."),
        light("lightPosition", &S::lightPosition, "light direction (w = 0)", kPositionLabels,
              kPositionTips),
        light("lightSpecular", &S::lightSpecular, "light's specular R,G,B", kSpecularLabels,
              kSpecularTips),
        light("lightDiffuse", &S::lightDiffuse, "light's diffuse R,G,B", kDiffuseLabels,
              kDiffuseTips),
    };

    SettingRow rotation = row("rotation", SettingKind::Float, "view rotation about X,Y,Z, degrees",
                              PicturePart::View, kScopeView);
    rotation.components = 3;
    rotation.vector3 = &S::rotation;
    rotation.angles = true;
    rows.push_back(rotation);

    SettingRow zoom = row("zoom", SettingKind::Float, "view scale, larger shows more",
                          PicturePart::View, kScopeView);
    zoom.floatField = &S::zoom;
    zoom.limit = SettingLimit::Range;
    zoom.low = kMinZoom;
    zoom.high = kMaxZoom;
    rows.push_back(zoom);

    // The globe's turn belongs to the animation, which is never undone.
    SettingRow globe = row("globeAngle", SettingKind::Int, "globe's turn, degrees",
                           PicturePart::Globe, 0);
    globe.intField = &S::globeAngle;
    globe.limit = SettingLimit::Range;
    globe.low = 0;
    globe.high = kLastGlobeAngle;
    rows.push_back(globe);

    rows.push_back(overlay("showMesh", &S::showMesh, "vase's quads drawn as lines (key m)"));
    rows.push_back(overlay("showNormals", &S::showNormals, "vase's lighting normals drawn (key n)"));
    rows.push_back(overlay("showLight", &S::showLight, "light's place or direction drawn (key l)"));

    // Chosen once, when the window or picture is made: not an undo step.
    SettingRow samples = row("antialiasing", SettingKind::Int, "samples per pixel: 0, 2, 4 or 8",
                             PicturePart::Rest, 0, NamedWhen::WhenOn);
    samples.intField = &S::antialiasing;
    samples.limit = SettingLimit::Samples;
    samples.low = 0;
    samples.high = 8;
    rows.push_back(samples);

    SettingRow spin = row("spinY", SettingKind::Flag, "the view turns about Y", PicturePart::Unseen,
                          0, NamedWhen::LinkWhenOn);
    spin.intField = &S::spinY;
    rows.push_back(spin);
    return rows;
}

const std::vector<SettingRow>& table()
{
    static const std::vector<SettingRow> rows = buildRows();
    return rows;
}

}  // namespace

const SettingRow* settingRows()
{
    return table().data();
}

size_t settingCount()
{
    return table().size();
}

const SettingRow* findSetting(const char* name)
{
    for (const SettingRow& r : table())
        if (std::strcmp(r.name, name) == 0)
            return &r;
    return nullptr;
}

int& intAt(SceneState& state, const SettingRow& row, int)
{
    return state.*row.intField;
}

float& floatAt(SceneState& state, const SettingRow& row, int k)
{
    if (row.vector4 != nullptr)
        return (state.*row.vector4)[k];
    if (row.vector3 != nullptr)
        return (state.*row.vector3)[k];
    return state.*row.floatField;
}

int intAt(const SceneState& state, const SettingRow& row, int k)
{
    return intAt(const_cast<SceneState&>(state), row, k);
}

float floatAt(const SceneState& state, const SettingRow& row, int k)
{
    return floatAt(const_cast<SceneState&>(state), row, k);
}

bool settingDiffers(const SettingRow& row, const SceneState& a, const SceneState& b)
{
    for (int k = 0; k < row.components; ++k) {
        const bool differs = row.kind == SettingKind::Float
                                 ? floatAt(a, row, k) != floatAt(b, row, k)
                                 : intAt(a, row, k) != intAt(b, row, k);
        if (differs)
            return true;
    }
    return false;
}

void copyPart(PicturePart part, const SceneState& from, SceneState& to)
{
    for (const SettingRow& r : table()) {
        if (r.part != part)
            continue;
        for (int k = 0; k < r.components; ++k) {
            if (r.kind == SettingKind::Float)
                floatAt(to, r, k) = floatAt(from, r, k);
            else
                intAt(to, r, k) = intAt(from, r, k);
        }
    }
}

bool settingOn(const SceneState& state, const SettingRow& row)
{
    return row.kind != SettingKind::Float && intAt(state, row) != 0;
}
