// The one process-wide record of settings, view and animation state shared by every callback.
#pragma once

#include <vector>

// OpenGL texture names in the order of the texture list file (GLuint is unsigned int).
using TextureSet = std::vector<unsigned int>;

struct SceneState {
    // Settings bound to the control panel. Flags are ints: 0 off, anything else on.
    int spinGlobe = 1;              // globe turns while idle (the idle handler tests for exactly 1)
    int cylindricalProjection = 1;  // vase texture v: 1 cylindrical, 0 spherical
    int zoomMode = 1;               // vertical drag zooms instead of rotating about X
    int fillVaseSteps = 1;          // draw the rings that close the vase between bands
    int crazyVase = 0;              // sine profile instead of the cubic one
    int radialVaseNormals = 1;      // vase normals have no vertical component

    // Indices into `textures`, in list order: table, can, globe, vase, stand.
    int tableTexture = 0;
    int popTexture = 1;
    int globeTexture = 2;
    int vaseTexture = 3;
    int standTexture = 4;

    int vaseVerticalSteps = 100;  // bands up the vase, 0..1000
    int vaseRadialSteps = 40;     // quads around the vase, 0..1000
    int objectSlices = 35;  // slices of the props' quadrics (not the globe's half-ring), 0..1000
    int objectStacks = 20;  // stacks, and loops of disks, of the props' quadrics, 0..1000

    // Overlays and smoothing; off by default, so that pictures stay as they were.
    int showMesh = 0;      // the vase's quads as lines over it (key m)
    int showNormals = 0;   // a line along the lighting normal at the vase's vertices (key n)
    int showLight = 0;     // a marker at the light, or an arrow along it (key l)
    int antialiasing = 0;  // samples a pixel asks for: 0, 2, 4 or 8

    // Light 0; the panel edits the first three components only.
    float lightPosition[4] = {-1.0f, 1.0f, -1.0f, 0.0f};  // w = 0: directional
    float lightDiffuse[4] = {2.0f, 2.0f, 2.0f, 2.0f};
    float lightSpecular[4] = {2.0f, 2.0f, 2.0f, 2.0f};

    // Specular reflectance of every surface, front and back; never changes.
    float materialSpecular[4] = {1.0f, 1.0f, 1.0f, 1.0f};

    // View and animation.
    float rotation[3] = {0.0f, 0.0f, 0.0f};  // degrees about X, Y, Z, applied in that order
    int horizontalDragAxis = 1;              // index into rotation that a horizontal drag turns (Y)
    int verticalDragAxis = 0;                // index a vertical drag turns when not zooming (X)
    float zoom = 1.0f;     // view volume half-width is 2 * zoom; kept in [0.3, 10]
    int lastPointerX = 0;  // window pixels of the last left press or drag
    int lastPointerY = 0;
    int globeAngle = 0;  // degrees, 0..359
    int spinY = 0;       // idle turns the view about Y; toggled by key y

    int mainWindow = 0;   // GLUT identifier of the scene window, set at start-up
    TextureSet textures;  // filled once at start-up, kept for the life of the process
};

// The texture at `index`, or 0 (no texture) when the index lies outside the set.
unsigned int textureAt(const SceneState& state, int index);
