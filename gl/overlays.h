// The mesh, normals and light overlays drawn over a frame with GL 1.1 from the core's lines.
#pragma once

struct SceneState;

// Polygon offset for the vase's surface while its mesh is shown, so that the lines on it win
// every depth test; undone by endVaseSurfaceOffset.
void beginVaseSurfaceOffset(const SceneState& state);
void endVaseSurfaceOffset(const SceneState& state);

// The light's marker, in the frame where the light is set (the camera's, without the view
// rotation), over everything drawn so far, when showLight is on.
void drawLightOverlay(const SceneState& state);

// The vase's mesh and normals, drawn in the view frame (after the view rotation), when
// showMesh or showNormals is on.
void drawVaseOverlays(const SceneState& state);

// A number that changes whenever the mesh's lines, built off the drawing thread, are taken in
// to be drawn (taking a finished build first): a kept picture without them is stale then.
unsigned long overlayAppearance(const SceneState& state);
// The mesh's lines are being built, or are built and the next frame shows them.
bool overlayLinesBuilding();
bool overlayLinesReady();
// Before a picture's frame: starts building the mesh's lines, so they are made beside the vase.
void prepareOverlays(const SceneState& state);
