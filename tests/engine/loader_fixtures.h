#pragma once
// Small .3ds scenes for the loader tests, written with the 3DS writer.
#include "tools/writer3ds/writer3ds.h"

namespace tav::test {

// One triangle with texture coordinates, placed at `position` (vertices in file coordinates).
inline writer3ds::Mesh3ds triangle(const std::string& name, Vector3 position = {}) {
  writer3ds::Mesh3ds mesh;
  mesh.name = name;
  mesh.position = position;
  mesh.vertices = {position + Vector3{0, 0, 0}, position + Vector3{1, 0, 0},
                   position + Vector3{0, 1, 0}};
  mesh.faces = {{0, 1, 2}};
  mesh.texCoords = {{0, 0}, {1, 0}, {0, 1}};
  return mesh;
}

inline writer3ds::Mesh3ds path(const std::string& name, std::vector<Vector3> points) {
  writer3ds::Mesh3ds mesh;
  mesh.name = name;
  mesh.vertices = std::move(points);
  return mesh;
}

}  // namespace tav::test
