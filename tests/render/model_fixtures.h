#pragma once
// Models built directly in memory for the render tests.
#include "engine/records.h"

namespace tav::test {

// A triangle (or more) with normals and texture coordinates, using material `material`.
inline MeshObject triangleObject(std::int32_t material, bool texCoords = true) {
  MeshObject o;
  o.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  o.vertexCount = 3;
  o.vertexNormals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
  o.baseNormals = o.vertexNormals;
  o.faces = {{0, 1, 2, material}};
  o.faceCount = 1;
  o.faceNormals = {{0, 0, 1}};
  if (texCoords) {
    o.texCoords = {{0, 0}, {1, 0}, {0, 1}};
    o.texCoordCount = 3;
  }
  return o;
}

inline Material material(const char* name, std::uint32_t flags, float opacity = 1.0f) {
  Material m;
  m.name = name;
  m.flags = flags;
  m.opacity = opacity;
  m.colour[0] = 255;
  m.colour[1] = 51;
  m.colour[2] = 0;
  m.texture0 = 7;
  m.texture1 = 8;
  return m;
}

}  // namespace tav::test
