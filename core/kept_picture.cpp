// When a kept picture of the still life less the globe's sphere stops matching the scene.
#include "core/kept_picture.h"

#include <algorithm>
#include <iterator>

#include "core/settings.h"

namespace {

template <typename T, size_t N>
bool sameArray(const T (&a)[N], const T (&b)[N])
{
    return std::equal(std::begin(a), std::end(a), std::begin(b));
}

// Every setting a frame shows, but the globe's angle, and what no setting names: the fixed
// material and the textures. The globe's texture shows only on the sphere, yet a change of it
// renews the picture like any other setting: it is rare.
bool sameScene(const SceneState& a, const SceneState& b)
{
    for (size_t i = 0; i < settingCount(); ++i) {
        const SettingRow& r = settingRows()[i];
        if (r.part != PicturePart::Unseen && r.part != PicturePart::Globe &&
            settingDiffers(r, a, b))
            return false;
    }
    return sameArray(a.materialSpecular, b.materialSpecular) && a.textures == b.textures;
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
