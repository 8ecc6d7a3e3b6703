// The standard views: the still life seen square on from the front, a side, above or below,
// as the view rotation that turns it to face the look-at camera. No GL.
#pragma once

enum class StandardView { Front, Back, Right, Left, Top, Bottom };
constexpr int kStandardViewCount = 6;

// The view's name as menus show it ("Front", "Back", ...).
const char* standardViewName(StandardView view);

// Degrees about X, Y and Z (applied in that order after the camera, as `rotation` is) that show
// the table top edge-on and upright from the front (looking along +z), the back, the right
// (looking along +x: the front view's right hand) or the left, or face-on from above or below
// with the front edge at the bottom of the picture.
void standardViewRotation(StandardView view, float rotation[3]);
