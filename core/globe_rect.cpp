// The globe's screen rectangle, from the still life's places and the view.
#include "core/globe_rect.h"

#include <algorithm>
#include <cmath>

#include "core/mat4.h"
#include "core/scene_state.h"
#include "core/still_life.h"

namespace {

// Pixels added on every side: GL rasterises a pixel (or sample) whose centre lies inside a
// polygon, so coverage never passes the projected outline by more than half a pixel; the rest
// absorbs the difference between this float arithmetic and the renderer's.
constexpr double kMarginPixels = 2.0;

// The largest factor by which the matrix's upper 3 x 3 stretches a vector (bounded by the
// largest column length times sqrt 3, exact for rotations and uniform scales: their columns
// have one length).
double largestStretch(const Mat4& a)
{
    double longest = 0.0;
    double lengths[3];
    for (int c = 0; c < 3; ++c) {
        const float* col = a.m + c * 4;
        lengths[c] = std::sqrt(double(col[0]) * col[0] + double(col[1]) * col[1] +
                               double(col[2]) * col[2]);
        longest = std::max(longest, lengths[c]);
    }
    const bool uniform = std::fabs(lengths[0] - lengths[1]) < 1e-5 * longest &&
                         std::fabs(lengths[1] - lengths[2]) < 1e-5 * longest;
    return uniform ? longest : longest * std::sqrt(3.0);
}

}  // namespace

PixelRect globeScreenRect(const SceneState& state, const Viewport& viewport)
{
    const PixelRect none{viewport.x, viewport.y, 0, 0};
    if (viewport.width <= 0 || viewport.height <= 0)
        return none;
    const StillLife& life = stillLife();
    const Camera& c = kCamera;
    // The modelview as a frame sets it before the pieces: camera, then the view rotation.
    const Mat4 view = lookAt(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1],
                             c.centre[2], c.up[0], c.up[1], c.up[2]) *
                      rotate(state.rotation[0], 1, 0, 0) * rotate(state.rotation[1], 0, 1, 0) *
                      rotate(state.rotation[2], 0, 0, 1);
    // glOrtho of the view: x and y scaled by 1 / (2 zoom) into -1..1.
    const double ndcPerUnit = 1.0 / (2.0 * double(state.zoom));
    double left = 1e30, right = -1e30, bottom = 1e30, top = -1e30;
    for (const Piece& piece : life.pieces) {
        if (!turnsWithGlobe(life, piece))
            continue;
        const Shape& shape = life.shapes[piece.shape];
        if (shape.kind != ShapeKind::Sphere)
            return PixelRect{viewport.x, viewport.y, viewport.width, viewport.height};
        // A sphere is round: its outline, and so its bound, is the same at every angle. GLU's
        // vertices lie on it, so its facets lie within it.
        const Mat4 m = placeMatrix(life, piece.place, state.globeAngle, view);
        const Vec4 centre = m * Vec4{0, 0, 0, 1};
        const double radius = shape.r0 * largestStretch(m) * ndcPerUnit;
        const double cx = centre.x * ndcPerUnit, cy = centre.y * ndcPerUnit;
        left = std::min(left, viewport.x + (cx - radius + 1.0) * 0.5 * viewport.width);
        right = std::max(right, viewport.x + (cx + radius + 1.0) * 0.5 * viewport.width);
        bottom = std::min(bottom, viewport.y + (cy - radius + 1.0) * 0.5 * viewport.height);
        top = std::max(top, viewport.y + (cy + radius + 1.0) * 0.5 * viewport.height);
    }
    if (left > right)
        return none;
    const double x0 = std::max<double>(viewport.x, std::floor(left - kMarginPixels));
    const double y0 = std::max<double>(viewport.y, std::floor(bottom - kMarginPixels));
    const double x1 = std::min<double>(viewport.x + viewport.width, std::ceil(right + kMarginPixels));
    const double y1 = std::min<double>(viewport.y + viewport.height, std::ceil(top + kMarginPixels));
    if (x1 <= x0 || y1 <= y0)
        return none;
    return PixelRect{int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
}
