// The planar shadow projection onto the table top.
#include "core/shadow.h"

#include "core/scene_state.h"
#include "core/still_life.h"

namespace {

Mat4 viewRotation(const SceneState& state)
{
    return rotate(state.rotation[0], 1, 0, 0) * rotate(state.rotation[1], 0, 1, 0) *
           rotate(state.rotation[2], 0, 0, 1);
}

// A rotation's inverse is its transpose: the vector (x, y, z) turned back.
Vec4 unrotate(const Mat4& r, float x, float y, float z, float w)
{
    Vec4 v{0, 0, 0, w};
    v.x = r.m[0] * x + r.m[1] * y + r.m[2] * z;
    v.y = r.m[4] * x + r.m[5] * y + r.m[6] * z;
    v.z = r.m[8] * x + r.m[9] * y + r.m[10] * z;
    return v;
}

}  // namespace

Vec4 lightInViewFrame(const SceneState& state)
{
    const float* l = state.lightPosition;
    return unrotate(viewRotation(state), l[0], l[1], l[2], l[3]);
}

TableShadow buildTableShadow(const SceneState& state)
{
    TableShadow shadow;
    const Mat4 r = viewRotation(state);
    const Camera& c = kCamera;
    const Vec4 look = unrotate(r, c.centre[0] - c.eye[0], c.centre[1] - c.eye[1],
                               c.centre[2] - c.eye[2], 0.0f);
    const Vec4 light = lightInViewFrame(state);
    // The plane y = kTableTopY as (a, b, c, d) with a x + b y + c z + d w = 0.
    const float plane[4] = {0.0f, 1.0f, 0.0f, -kTableTopY};
    const float l[4] = {light.x, light.y, light.z, light.w};
    const float dot = plane[1] * l[1] + plane[3] * l[3];
    // Seen from below, or lit from below or along the plane, the top face holds no shadow.
    shadow.falls = look.y < 0.0f && dot > 1e-6f;
    // flatten = dot * I - l * plane^T: every point goes along the light onto the plane.
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            shadow.flatten.m[col * 4 + row] = (row == col ? dot : 0.0f) - l[row] * plane[col];
    return shadow;
}
