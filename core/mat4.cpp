// Fixed-function GL's matrix arithmetic in plain C++.
#include "core/mat4.h"

#include <cmath>

Mat4 identity()
{
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
}

Mat4 operator*(const Mat4& a, const Mat4& b)
{
    Mat4 r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a.m[k * 4 + row] * b.m[c * 4 + k];
            r.m[c * 4 + row] = sum;
        }
    return r;
}

Vec4 operator*(const Mat4& a, const Vec4& v)
{
    const float in[4] = {v.x, v.y, v.z, v.w};
    float out[4];
    for (int r = 0; r < 4; ++r)
        out[r] = a.m[r] * in[0] + a.m[4 + r] * in[1] + a.m[8 + r] * in[2] + a.m[12 + r] * in[3];
    return {out[0], out[1], out[2], out[3]};
}

Mat4 translate(float x, float y, float z)
{
    Mat4 t = identity();
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    return t;
}

Mat4 scale(float s)
{
    Mat4 t = identity();
    t.m[0] = t.m[5] = t.m[10] = s;
    return t;
}

Mat4 rotate(float degrees, float x, float y, float z)
{
    const double a = degrees * 3.14159265358979323846 / 180.0;
    const float c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a));
    const float t = 1 - c;
    return {{t * x * x + c, t * x * y + s * z, t * x * z - s * y, 0,  //
             t * x * y - s * z, t * y * y + c, t * y * z + s * x, 0,  //
             t * x * z + s * y, t * y * z - s * x, t * z * z + c, 0,  //
             0, 0, 0, 1}};
}

Mat4 lookAt(float ex, float ey, float ez, float cx, float cy, float cz, float ux, float uy, float uz)
{
    float f[3] = {cx - ex, cy - ey, cz - ez};
    const float fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (float& v : f)
        v /= fl;
    float s[3] = {f[1] * uz - f[2] * uy, f[2] * ux - f[0] * uz, f[0] * uy - f[1] * ux};
    const float sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    for (float& v : s)
        v /= sl;
    const float u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2],
                        s[0] * f[1] - s[1] * f[0]};
    const Mat4 r = {{s[0], u[0], -f[0], 0, s[1], u[1], -f[1], 0, s[2], u[2], -f[2], 0, 0, 0, 0, 1}};
    return r * translate(-ex, -ey, -ez);
}

Mat4 ortho(float l, float r, float b, float t, float n, float f)
{
    Mat4 o = identity();
    o.m[0] = 2 / (r - l);
    o.m[5] = 2 / (t - b);
    o.m[10] = -2 / (f - n);
    o.m[12] = -(r + l) / (r - l);
    o.m[13] = -(t + b) / (t - b);
    o.m[14] = -(f + n) / (f - n);
    return o;
}
