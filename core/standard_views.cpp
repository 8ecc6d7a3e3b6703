// The standard views' rotations, worked out from the camera so that they follow it.
#include "core/standard_views.h"

#include <cmath>

#include "core/still_life.h"

namespace {

void cross(const double a[3], const double b[3], double out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

void normalise(double v[3])
{
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int k = 0; k < 3; ++k)
        v[k] /= length;
}

// The rows (right, up, backward) of the eye's rotation for a view along `forward` with `up`,
// as gluLookAt makes them.
void eyeRows(const double forward[3], const double up[3], double rows[3][3])
{
    double f[3] = {forward[0], forward[1], forward[2]};
    normalise(f);
    cross(f, up, rows[0]);
    normalise(rows[0]);
    cross(rows[0], f, rows[1]);
    for (int k = 0; k < 3; ++k)
        rows[2][k] = -f[k];
}

constexpr double kDegrees = 180.0 / 3.14159265358979323846;

}  // namespace

const char* standardViewName(StandardView view)
{
    static const char* const names[kStandardViewCount] = {"Front", "Back", "Right",
                                                          "Left",  "Top",  "Bottom"};
    return names[static_cast<int>(view)];
}

void standardViewRotation(StandardView view, float rotation[3])
{
    // Where the view looks and which way is up on the screen, in the still life's axes.
    static const double kLooks[kStandardViewCount][2][3] = {
        {{0, 0, 1}, {0, 1, 0}},   {{0, 0, -1}, {0, 1, 0}}, {{1, 0, 0}, {0, 1, 0}},
        {{-1, 0, 0}, {0, 1, 0}},  {{0, -1, 0}, {0, 0, 1}}, {{0, 1, 0}, {0, 0, 1}},
    };
    const Camera& c = kCamera;
    const double toCentre[3] = {c.centre[0] - c.eye[0], c.centre[1] - c.eye[1],
                                c.centre[2] - c.eye[2]};
    const double cameraUp[3] = {c.up[0], c.up[1], c.up[2]};
    double camera[3][3], wanted[3][3];
    eyeRows(toCentre, cameraUp, camera);
    const int v = static_cast<int>(view);
    eyeRows(kLooks[v][0], kLooks[v][1], wanted);
    // camera * r = wanted, and the camera's rows are orthonormal: r = cameraᵀ * wanted.
    double r[3][3] = {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                r[i][j] += camera[k][i] * wanted[k][j];
    // r = Rx(a) Ry(b) Rz(c): r[0][2] = sin b, r[1][2] = -sin a cos b, r[2][2] = cos a cos b,
    // r[0][0] = cos b cos c, r[0][1] = -cos b sin c. The camera's slant keeps cos b away from 0.
    rotation[0] = static_cast<float>(std::atan2(-r[1][2], r[2][2]) * kDegrees);
    rotation[1] = static_cast<float>(std::asin(std::fmax(-1.0, std::fmin(1.0, r[0][2]))) * kDegrees);
    rotation[2] = static_cast<float>(std::atan2(-r[0][1], r[0][0]) * kDegrees);
}
