// 4 x 4 matrices as fixed-function GL keeps them (column-major floats) and the products its
// matrix calls make: enough to place the still life's pieces without GL.
#pragma once

struct Mat4 {
    float m[16];  // column-major: element (row r, column c) at m[c * 4 + r]
};

Mat4 identity();
Mat4 operator*(const Mat4& a, const Mat4& b);

// glTranslatef.
Mat4 translate(float x, float y, float z);
// glScalef with one factor for all three axes.
Mat4 scale(float s);
// glRotatef: `degrees` about the unit axis (x, y, z).
Mat4 rotate(float degrees, float x, float y, float z);
// gluLookAt.
Mat4 lookAt(float ex, float ey, float ez, float cx, float cy, float cz, float ux, float uy, float uz);
// glOrtho.
Mat4 ortho(float l, float r, float b, float t, float n, float f);

// The point (x, y, z, w) transformed by `a`.
struct Vec4 {
    float x, y, z, w;
};
Vec4 operator*(const Mat4& a, const Vec4& v);
