#include "tools/showkit/meshes.h"

#include <cmath>
#include <map>
#include <numbers>

#include "tools/showkit/font.h"

namespace tav::showkit {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

void groupAll(Mesh3ds& mesh, const std::string& material) {
  if (material.empty()) return;
  writer3ds::MaterialGroup3ds group{material, {}};
  for (std::size_t f = 0; f < mesh.faces.size(); ++f)
    group.faces.push_back(static_cast<std::uint16_t>(f));
  mesh.materialGroups = {group};
}

std::uint16_t index(std::size_t i) {
  return static_cast<std::uint16_t>(i);
}

// A grid of (rows + 1) x (columns + 1) vertices from `point(u, v)`, u and v in [0, 1], as quads.
Mesh3ds sheet(const std::string& name, Vector3 pivot, int rows, int columns,
              const std::function<Vector3(float, float)>& point, const std::string& material) {
  Mesh3ds mesh;
  mesh.name = name;
  mesh.position = pivot;
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c <= columns; ++c) {
      float u = static_cast<float>(c) / columns, v = static_cast<float>(r) / rows;
      mesh.vertices.push_back(pivot + point(u, v));
      mesh.texCoords.push_back({u, v});
    }
  }
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      std::size_t a = static_cast<std::size_t>(r * (columns + 1) + c), b = a + 1;
      std::size_t d = a + static_cast<std::size_t>(columns + 1), e = d + 1;
      mesh.faces.push_back({index(a), index(b), index(e)});
      mesh.faces.push_back({index(a), index(e), index(d)});
    }
  }
  groupAll(mesh, material);
  return mesh;
}

}  // namespace

Mesh3ds sphere(const std::string& name, Vector3 centre, float radius, int rings, int segments,
               const std::string& material) {
  return sheet(
      name, centre, rings, segments,
      [radius](float u, float v) {
        float theta = v * kPi, phi = u * 2.0f * kPi;
        return Vector3{radius * std::sin(theta) * std::cos(phi),
                       radius * std::sin(theta) * std::sin(phi), -radius * std::cos(theta)};
      },
      material);
}

Mesh3ds torus(const std::string& name, Vector3 centre, float major, float minor, int rings,
              int segments, const std::string& material) {
  return sheet(
      name, centre, rings, segments,
      [major, minor](float u, float v) {
        float a = u * 2.0f * kPi, b = v * 2.0f * kPi;
        float r = major + minor * std::cos(b);
        return Vector3{r * std::cos(a), r * std::sin(a), minor * std::sin(b)};
      },
      material);
}

Mesh3ds cylinder(const std::string& name, Vector3 base, float radius, float height, int segments,
                 const std::string& material) {
  return sheet(
      name, base, 1, segments,
      [radius, height](float u, float v) {
        float a = u * 2.0f * kPi;
        return Vector3{radius * std::cos(a), radius * std::sin(a), v * height};
      },
      material);
}

Mesh3ds plate(const std::string& name, Vector3 centre, float half, int n,
              const std::string& material) {
  return sheet(
      name, centre, n, n,
      [half](float u, float v) {
        return Vector3{(u - 0.5f) * 2.0f * half, (v - 0.5f) * 2.0f * half, 0.0f};
      },
      material);
}

Mesh3ds card(const std::string& name, Vector3 centre, float width, float height, bool flipped,
             const std::string& material) {
  Mesh3ds mesh = sheet(
      name, centre, 1, 1,
      [width, height](float u, float v) {
        return Vector3{(u - 0.5f) * width, 0.0f, (v - 0.5f) * height};
      },
      material);
  // Unflipped, the picture's top row (t = 0) is at the bottom edge: upside down. Flipped across
  // too, it is turned half round, and a half turn of the card shows it upright.
  for (TexCoord& t : mesh.texCoords)
    t.u = flipped ? 1.0f - t.u : t.u;
  if (!flipped) {
    for (TexCoord& t : mesh.texCoords)
      t.v = 1.0f - t.v;
  }
  return mesh;
}

Mesh3ds box(const std::string& name, Vector3 centre, Vector3 half, const std::string& material) {
  Mesh3ds mesh;
  mesh.name = name;
  mesh.position = centre;
  for (int i = 0; i < 8; ++i) {
    mesh.vertices.push_back(centre + Vector3{i & 1 ? half.x : -half.x, i & 2 ? half.y : -half.y,
                                             i & 4 ? half.z : -half.z});
    mesh.texCoords.push_back({i & 1 ? 1.0f : 0.0f, i & 4 ? 1.0f : 0.0f});
  }
  const std::uint16_t quads[6][4] = {{0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2},
                                     {1, 3, 7, 5}, {0, 2, 3, 1}, {4, 5, 7, 6}};
  for (const auto& q : quads) {
    mesh.faces.push_back({q[0], q[1], q[2]});
    mesh.faces.push_back({q[0], q[2], q[3]});
  }
  groupAll(mesh, material);
  return mesh;
}

Mesh3ds dots(const std::string& name, Vector3 pivot, const std::vector<Vector3>& points,
             const std::string& material) {
  Mesh3ds mesh;
  mesh.name = name;
  mesh.position = pivot;
  for (const Vector3& p : points)
    mesh.vertices.push_back(pivot + p);
  if (mesh.vertices.size() < 3) mesh.vertices.resize(3, pivot);
  mesh.faces = {{0, 1, 2}};
  groupAll(mesh, material);
  return mesh;
}

std::vector<Vector3> wordPoints(const std::string& text, float left, float top, float spacing) {
  std::vector<Vector3> points;
  for (const Dot& d : wordDots(text)) {
    points.push_back({left + static_cast<float>(d.column) * spacing, 0.0f,
                      top - static_cast<float>(d.row) * spacing});
  }
  return points;
}

Mesh3ds blockWord(const std::string& name, Vector3 pivot, const std::string& text, float spacing,
                  const std::string& material) {
  float width = static_cast<float>(wordColumns(text) - 1) * spacing;
  std::vector<Mesh3ds> blocks;
  for (const Vector3& p : wordPoints(text, -width / 2, 3.0f * spacing, spacing)) {
    blocks.push_back(
        box(name, pivot + p, {spacing * 0.45f, spacing * 0.6f, spacing * 0.45f}, material));
  }
  Mesh3ds word = merge(name, blocks);
  word.position = pivot;
  return word;
}

std::vector<Vector3> spherePoints(Vector3 centre, float radius, int count) {
  std::vector<Vector3> points;
  const float golden = kPi * (3.0f - std::sqrt(5.0f));
  for (int i = 0; i < count; ++i) {
    float z = 1.0f - 2.0f * (static_cast<float>(i) + 0.5f) / static_cast<float>(count);
    float r = std::sqrt(1.0f - z * z), a = golden * static_cast<float>(i);
    points.push_back(centre +
                     Vector3{radius * r * std::cos(a), radius * r * std::sin(a), radius * z});
  }
  return points;
}

Mesh3ds loopPath(const std::string& name, const std::vector<Vector3>& keys) {
  Mesh3ds mesh;
  mesh.name = name;
  mesh.vertices.push_back(keys.back());
  mesh.vertices.insert(mesh.vertices.end(), keys.begin(), keys.end());
  mesh.vertices.push_back(keys.front());
  mesh.vertices.push_back(keys.front());  // dropped by the loader
  return mesh;
}

std::vector<Vector3> circleKeys(Vector3 centre, float radius, int count, float phase) {
  std::vector<Vector3> keys;
  for (int i = 0; i < count; ++i) {
    float a = phase + 2.0f * kPi * static_cast<float>(i) / static_cast<float>(count);
    keys.push_back(centre + Vector3{radius * std::cos(a), radius * std::sin(a), 0.0f});
  }
  return keys;
}

Mesh3ds merge(const std::string& name, const std::vector<Mesh3ds>& parts) {
  Mesh3ds mesh;
  mesh.name = name;
  if (!parts.empty()) mesh.position = parts.front().position;
  std::map<std::string, std::size_t> groups;
  for (const Mesh3ds& part : parts) {
    auto base = static_cast<std::uint16_t>(mesh.vertices.size());
    auto faceBase = static_cast<std::uint16_t>(mesh.faces.size());
    mesh.vertices.insert(mesh.vertices.end(), part.vertices.begin(), part.vertices.end());
    mesh.texCoords.insert(mesh.texCoords.end(), part.texCoords.begin(), part.texCoords.end());
    for (writer3ds::Face3ds f : part.faces) {
      mesh.faces.push_back({static_cast<std::uint16_t>(f.a + base),
                            static_cast<std::uint16_t>(f.b + base),
                            static_cast<std::uint16_t>(f.c + base), f.flags});
    }
    for (const writer3ds::MaterialGroup3ds& g : part.materialGroups) {
      auto [it, added] = groups.emplace(g.material, mesh.materialGroups.size());
      if (added) mesh.materialGroups.push_back({g.material, {}});
      for (std::uint16_t f : g.faces) {
        mesh.materialGroups[it->second].faces.push_back(static_cast<std::uint16_t>(f + faceBase));
      }
    }
  }
  return mesh;
}

}  // namespace tav::showkit
