// Where the panel window goes beside the scene window on the screen.
#include "desktop/panel/placement.h"

#include <algorithm>

PanelPlacement placePanelBesideScene(FrameRect scene, FrameRect panel, int screenWidth,
                                     int screenHeight, int gap)
{
    PanelPlacement p{scene, panel};
    const int rightOfScene = scene.x + scene.width + gap;
    const int leftOfScene = scene.x - gap - panel.width;
    if (rightOfScene + panel.width <= screenWidth) {
        p.panel.x = rightOfScene;
    } else if (leftOfScene >= 0) {
        p.panel.x = leftOfScene;
    } else if (scene.width + gap + panel.width <= screenWidth) {
        p.scene.x = screenWidth - panel.width - gap - scene.width;
        p.panel.x = screenWidth - panel.width;
    } else {
        p.panel.x = std::max(0, screenWidth - panel.width);
    }
    p.panel.y = std::max(0, std::min(scene.y, screenHeight - panel.height));
    return p;
}
