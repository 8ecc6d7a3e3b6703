// When a kept picture of the still life less the globe's sphere stops matching the scene.
#include "core/kept_picture.h"

#include <algorithm>
#include <iterator>

namespace {

template <typename T, size_t N>
bool sameArray(const T (&a)[N], const T (&b)[N])
{
    return std::equal(std::begin(a), std::end(a), std::begin(b));
}

// Every field a frame reads, but the globe's angle. The globe's texture shows only on the
// sphere, yet a change of it renews the picture like any other setting: it is rare.
bool sameScene(const SceneState& a, const SceneState& b)
{
    return a.cylindricalProjection == b.cylindricalProjection &&
           a.fillVaseSteps == b.fillVaseSteps && a.crazyVase == b.crazyVase &&
           a.radialVaseNormals == b.radialVaseNormals && a.tableTexture == b.tableTexture &&
           a.popTexture == b.popTexture && a.globeTexture == b.globeTexture &&
           a.vaseTexture == b.vaseTexture && a.standTexture == b.standTexture &&
           a.vaseVerticalSteps == b.vaseVerticalSteps &&
           a.vaseRadialSteps == b.vaseRadialSteps && a.objectSlices == b.objectSlices &&
           a.objectStacks == b.objectStacks && a.showMesh == b.showMesh &&
           a.showNormals == b.showNormals && a.showLight == b.showLight &&
           a.antialiasing == b.antialiasing && sameArray(a.lightPosition, b.lightPosition) &&
           sameArray(a.lightDiffuse, b.lightDiffuse) &&
           sameArray(a.lightSpecular, b.lightSpecular) &&
           sameArray(a.materialSpecular, b.materialSpecular) &&
           sameArray(a.rotation, b.rotation) && a.zoom == b.zoom && a.textures == b.textures;
}

}  // namespace

bool keptPictureStale(const KeptPictureBasis& kept, const KeptPictureBasis& now)
{
    const Viewport& a = kept.viewport;
    const Viewport& b = now.viewport;
    const bool sameViewport =
        a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
    return !sameViewport || !sameScene(kept.state, now.state);
}

KeptFrameChoice chooseKeptFrame(bool keptMatches, bool changed, bool lastChanged)
{
    if (keptMatches)
        return KeptFrameChoice::CopyKept;
    // While the scene changes frame after frame (a drag), a picture kept would be stale at once
    // and its copy only slows each frame: keep the first frame of a change and the first after it.
    return changed && lastChanged ? KeptFrameChoice::DrawOnly : KeptFrameChoice::DrawAndKeep;
}
