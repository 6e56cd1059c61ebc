#pragma once
// The matrices of the browser's OpenGL 1.1: column-major floats, built and multiplied as desktop
// OpenGL and GLU build them (single precision, GLU's perspective in double), so that a frame
// comes out as close as can be to the desktop one.
#include <array>
#include <cmath>
#include <numbers>

namespace tav::gl11 {

struct Mat4 {
  std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

  float& at(int row, int column) { return m[static_cast<std::size_t>(column * 4 + row)]; }
  float at(int row, int column) const { return m[static_cast<std::size_t>(column * 4 + row)]; }
  friend bool operator==(const Mat4&, const Mat4&) = default;
};

inline Mat4 operator*(const Mat4& a, const Mat4& b) {
  Mat4 p;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      p.at(i, j) = a.at(i, 0) * b.at(0, j) + a.at(i, 1) * b.at(1, j) + a.at(i, 2) * b.at(2, j) +
                   a.at(i, 3) * b.at(3, j);
    }
  }
  return p;
}

inline Mat4 translation(float x, float y, float z) {
  Mat4 t;
  t.at(0, 3) = x;
  t.at(1, 3) = y;
  t.at(2, 3) = z;
  return t;
}

// A rotation by `degrees` about (x, y, z); rotations about a main axis are built exactly.
inline Mat4 rotation(float degrees, float x, float y, float z) {
  const double radians = static_cast<double>(degrees) * std::numbers::pi / 180.0;
  const auto s = static_cast<float>(std::sin(radians));
  const auto c = static_cast<float>(std::cos(radians));
  Mat4 r;
  if (x == 0.0f && y == 0.0f && z != 0.0f) {
    if (z < 0.0f) return rotation(-degrees, 0.0f, 0.0f, -z);
    r.at(0, 0) = c;
    r.at(1, 1) = c;
    r.at(0, 1) = -s;
    r.at(1, 0) = s;
    return r;
  }
  if (x == 0.0f && z == 0.0f && y != 0.0f) {
    if (y < 0.0f) return rotation(-degrees, 0.0f, -y, 0.0f);
    r.at(0, 0) = c;
    r.at(2, 2) = c;
    r.at(0, 2) = s;
    r.at(2, 0) = -s;
    return r;
  }
  if (y == 0.0f && z == 0.0f && x != 0.0f) {
    if (x < 0.0f) return rotation(-degrees, -x, 0.0f, 0.0f);
    r.at(1, 1) = c;
    r.at(2, 2) = c;
    r.at(1, 2) = -s;
    r.at(2, 1) = s;
    return r;
  }
  const float length = std::sqrt(x * x + y * y + z * z);
  if (length <= 1.0e-4f) return r;
  x /= length;
  y /= length;
  z /= length;
  const float one = 1.0f - c;
  r.at(0, 0) = one * x * x + c;
  r.at(0, 1) = one * x * y - z * s;
  r.at(0, 2) = one * z * x + y * s;
  r.at(1, 0) = one * x * y + z * s;
  r.at(1, 1) = one * y * y + c;
  r.at(1, 2) = one * y * z - x * s;
  r.at(2, 0) = one * z * x - y * s;
  r.at(2, 1) = one * y * z + x * s;
  r.at(2, 2) = one * z * z + c;
  return r;
}

// GLU's perspective, computed in double and handed over as floats; a degenerate one is ignored.
inline bool perspectiveMatrix(double fovy, double aspect, double zNear, double zFar, Mat4& out) {
  const double radians = fovy / 2.0 * std::numbers::pi / 180.0;
  const double deltaZ = zFar - zNear;
  const double sine = std::sin(radians);
  if (deltaZ == 0.0 || sine == 0.0 || aspect == 0.0) return false;
  const double cotangent = std::cos(radians) / sine;
  out = Mat4{};
  out.at(0, 0) = static_cast<float>(cotangent / aspect);
  out.at(1, 1) = static_cast<float>(cotangent);
  out.at(2, 2) = static_cast<float>(-(zFar + zNear) / deltaZ);
  out.at(3, 2) = -1.0f;
  out.at(2, 3) = static_cast<float>(-2.0 * zNear * zFar / deltaZ);
  out.at(3, 3) = 0.0f;
  return true;
}

// GLU's look-at in single precision: the eye's frame, then the move of the eye to the origin.
inline Mat4 lookAtMatrix(const float eye[3], const float centre[3], const float upIn[3]) {
  float forward[3] = {centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]};
  float up[3] = {upIn[0], upIn[1], upIn[2]};
  auto normalise = [](float v[3]) {
    const float r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (r == 0.0f) return;
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
  };
  auto cross = [](const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
  };
  normalise(forward);
  float side[3];
  cross(forward, up, side);
  normalise(side);
  cross(side, forward, up);
  Mat4 m;
  for (int i = 0; i < 3; ++i) {
    m.at(0, i) = side[i];
    m.at(1, i) = up[i];
    m.at(2, i) = -forward[i];
  }
  return m * translation(-eye[0], -eye[1], -eye[2]);
}

// The inverse transpose of the upper 3 × 3, column-major: what turns normals into eye space.
inline std::array<float, 9> normalMatrix(const Mat4& m) {
  const double a = m.at(0, 0), b = m.at(0, 1), c = m.at(0, 2);
  const double d = m.at(1, 0), e = m.at(1, 1), f = m.at(1, 2);
  const double g = m.at(2, 0), h = m.at(2, 1), i = m.at(2, 2);
  const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
  if (det == 0.0) return {1, 0, 0, 0, 1, 0, 0, 0, 1};
  const double k = 1.0 / det;
  // Column j of the inverse transpose is row j of the inverse.
  return {static_cast<float>((e * i - f * h) * k), static_cast<float>(-(b * i - c * h) * k),
          static_cast<float>((b * f - c * e) * k), static_cast<float>(-(d * i - f * g) * k),
          static_cast<float>((a * i - c * g) * k), static_cast<float>(-(a * f - c * d) * k),
          static_cast<float>((d * h - e * g) * k), static_cast<float>(-(a * h - b * g) * k),
          static_cast<float>((a * e - b * d) * k)};
}

}  // namespace tav::gl11
