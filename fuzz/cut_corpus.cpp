// Cuts a corpus of tool-like .3ds files at every 5 % and checks that each mesh whose object chunk
// ends before the cut still loads whole. Prints kept/whole counts per cut; exit status 1 when a
// whole mesh was lost or changed. Usage: cut_corpus [FILES] (default 40).
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engine/model_loader.h"
#include "tools/writer3ds/writer3ds.h"

using namespace tav;
using namespace tav::writer3ds;

namespace {

// A scene laid out as modelling tools write one: materials with texture, reflection and bump maps,
// many meshes of different sizes with material groups, path objects, lights, cameras and a
// keyframer section.
Scene3ds makeScene(std::mt19937& random) {
  auto pick = [&](int low, int high) { return std::uniform_int_distribution(low, high)(random); };
  auto coord = [&] { return std::uniform_real_distribution(-200.0f, 200.0f)(random); };
  Scene3ds scene;
  const int materials = pick(1, 8);
  for (int m = 0; m < materials; ++m) {
    Material3ds material{.name = "material " + std::to_string(m),
                         .shininessPercent = pick(0, 60),
                         .transparencyPercent = pick(0, 50)};
    if (pick(0, 3) > 0) material.textureMap = "tex" + std::to_string(m) + ".jpg";
    if (pick(0, 2) == 0) material.reflectionMap = "sky.jpg";
    if (pick(0, 3) == 0) material.bumpMap = "bump.jpg";
    scene.materials.push_back(material);
  }
  const int meshes = pick(3, 40);
  for (int k = 0; k < meshes; ++k) {
    Mesh3ds mesh;
    mesh.name = "object" + std::to_string(k);
    mesh.position = {coord(), coord(), coord()};
    const int vertices = pick(3, 600);
    for (int v = 0; v < vertices; ++v)
      mesh.vertices.push_back(mesh.position + Vector3{coord(), coord(), coord()});
    if (pick(0, 9) == 0) {  // a camera path: vertices, no faces
      scene.meshes.push_back(mesh);
      continue;
    }
    const int faces = pick(1, 2 * vertices);
    for (int f = 0; f < faces; ++f) {
      mesh.faces.push_back({static_cast<std::uint16_t>(pick(0, vertices - 1)),
                            static_cast<std::uint16_t>(pick(0, vertices - 1)),
                            static_cast<std::uint16_t>(pick(0, vertices - 1))});
    }
    if (pick(0, 3) > 0) {
      for (int v = 0; v < vertices; ++v)
        mesh.texCoords.push_back({coord() / 200.0f, coord() / 200.0f});
    }
    for (int f = 0; f < faces; ++f) {
      std::size_t group = static_cast<std::size_t>(f % materials);
      if (mesh.materialGroups.size() <= group) {
        mesh.materialGroups.push_back({scene.materials[group].name, {}});
      }
      mesh.materialGroups[group].faces.push_back(static_cast<std::uint16_t>(f));
    }
    scene.meshes.push_back(mesh);
  }
  for (int l = pick(0, 3); l > 0; --l)
    scene.lights.push_back({.name = "light" + std::to_string(l), .position = {coord(), 0, 0}});
  for (int c = pick(1, 3); c > 0; --c) {
    scene.cameras.push_back(
        {.name = "camera" + std::to_string(c), .position = {coord(), coord(), coord()}});
  }
  return scene;
}

std::size_t at16(const std::vector<std::uint8_t>& f, std::size_t at) {
  return f[at] | f[at + 1] << 8;
}
std::size_t at32(const std::vector<std::uint8_t>& f, std::size_t at) {
  return at16(f, at) | at16(f, at + 2) << 16;
}

// Where the object chunk of each mesh ends, in mesh order, from the whole file.
std::vector<std::size_t> meshEnds(const std::vector<std::uint8_t>& file) {
  std::vector<std::size_t> ends;
  for (std::size_t at = 6; at + 6 <= file.size(); at += at32(file, at + 2)) {
    if (at16(file, at) != chunk::kEditor) continue;
    const std::size_t editorEnd = at + at32(file, at + 2);
    for (std::size_t object = at + 6; object < editorEnd; object += at32(file, object + 2)) {
      if (at16(file, object) != chunk::kNamedObject) continue;
      const std::size_t objectEnd = object + at32(file, object + 2);
      std::size_t inside = object + 6;
      while (file[inside] != 0)
        ++inside;
      for (++inside; inside < objectEnd; inside += at32(file, inside + 2)) {
        if (at16(file, inside) == chunk::kTriangleMesh) ends.push_back(objectEnd);
      }
    }
  }
  return ends;
}

bool sameMesh(const MeshObject& a, const MeshObject& b) {
  if (a.name != b.name || !(a.position == b.position) || a.vertices != b.vertices ||
      a.faceCount != b.faceCount || a.texCoordCount != b.texCoordCount) {
    return false;
  }
  for (std::size_t f = 0; f < a.faces.size(); ++f) {
    const Face& x = a.faces[f];
    const Face& y = b.faces[f];
    if (x.a != y.a || x.b != y.b || x.c != y.c || x.material != y.material) return false;
  }
  for (std::size_t t = 0; t < a.texCoords.size(); ++t) {
    if (a.texCoords[t].u != b.texCoords[t].u || a.texCoords[t].v != b.texCoords[t].v) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && std::string(argv[1]) == "--help")) {
    std::fprintf(stderr,
                 "usage: cut_corpus [FILES]\nWrites FILES .3ds scenes (default 40), cuts each at "
                 "every 5 %%, and counts the\nmeshes that end before the cut and load whole.\n");
    return argc == 2 ? 0 : 2;
  }
  const int files = argc == 2 ? std::atoi(argv[1]) : 40;
  std::mt19937 random(1234);
  std::vector<std::vector<std::uint8_t>> corpus;
  std::size_t bytes = 0;
  for (int i = 0; i < files; ++i) {
    corpus.push_back(write3ds(makeScene(random)));
    bytes += corpus.back().size();
  }
  std::printf("%d files, %zu bytes; a mesh is whole when its object chunk ends before the cut\n",
              files, bytes);
  std::printf("%5s %13s %11s %12s %10s\n", "cut", "whole meshes", "kept whole", "cut, empty",
              "damaged");
  ModelLoader loader;
  long allWhole = 0;
  long allKept = 0;
  bool halfMeshes = false;
  for (int percent = 5; percent <= 95; percent += 5) {
    long whole = 0, kept = 0, emptied = 0, damaged = 0;
    for (const std::vector<std::uint8_t>& file : corpus) {
      const Model full = loader.parse(file);
      const std::vector<std::size_t> ends = meshEnds(file);
      const std::size_t cutAt = file.size() * static_cast<std::size_t>(percent) / 100;
      const std::vector<std::uint8_t> cut(file.begin(), file.begin() + static_cast<long>(cutAt));
      LoadReport report;
      const Model partial = loader.parse(cut, &report);
      damaged += report.status == LoadStatus::Damaged;
      for (std::size_t k = 0; k < ends.size() && k < full.meshes.size(); ++k) {
        const bool exists = k < partial.meshes.size();
        if (ends[k] <= cutAt) {
          ++whole;
          kept += exists && sameMesh(partial.meshes[k], full.meshes[k]);
        } else if (exists) {
          const MeshObject& m = partial.meshes[k];
          if (m.vertexCount + m.faceCount + m.texCoordCount == 0) {
            ++emptied;
          } else {
            halfMeshes = true;
            std::printf("cut at %d %%: mesh %zu \"%s\" is neither whole nor empty\n", percent, k,
                        m.name.c_str());
          }
        }
      }
    }
    std::printf("%4d%% %13ld %11ld %12ld %10ld\n", percent, whole, kept, emptied, damaged);
    allWhole += whole;
    allKept += kept;
  }
  std::printf("all   %13ld %11ld\n", allWhole, allKept);
  return allKept == allWhole && !halfMeshes ? 0 : 1;
}
