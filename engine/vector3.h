#pragma once
// Three single-precision floats: vertices, normals, positions, rotations in degrees, particle
// state. Operations stay in single precision, as the show computes them.
#include <cmath>

namespace tav {

struct Vector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  void set(float nx, float ny, float nz) {
    x = nx;
    y = ny;
    z = nz;
  }
  Vector3& operator+=(const Vector3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
  }
  Vector3& operator-=(const Vector3& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
  }
  Vector3& operator*=(float s) {
    x *= s;
    y *= s;
    z *= s;
    return *this;
  }
  friend Vector3 operator+(Vector3 a, const Vector3& b) { return a += b; }
  friend Vector3 operator-(Vector3 a, const Vector3& b) { return a -= b; }
  friend Vector3 operator*(Vector3 a, float s) { return a *= s; }
  friend Vector3 operator-(const Vector3& a) { return {-a.x, -a.y, -a.z}; }
  friend bool operator==(const Vector3&, const Vector3&) = default;

  float length() const { return std::sqrt(x * x + y * y + z * z); }
  float distance(const Vector3& to) const { return (to - *this).length(); }
};

inline Vector3 cross(const Vector3& u, const Vector3& w) {
  return {u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
}

// The unit vector along v; a zero vector stays zero rather than becoming NaN.
inline Vector3 normalised(const Vector3& v) {
  float length = v.length();
  if (length == 0.0f) return v;
  return v * (1.0f / length);
}

}  // namespace tav
