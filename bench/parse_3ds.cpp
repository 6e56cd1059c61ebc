// Parse throughput of .3ds readers on one large model made by the 3DS writer, from memory, in one
// process: our ModelLoader::parse against lib3ds 1.3 and assimp 5.2 (no post-processing), and the
// engine's whole loadModel (file in the page cache, re-centring, tracks and normals). Median of
// RUNS runs each (default 7); prints MB/s and the ratios.
#include <assimp/scene.h>
#include <lib3ds/file.h>
#include <lib3ds/io.h>
#include <assimp/Importer.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "engine/engine.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/writer3ds/writer3ds.h"

using namespace tav;

namespace {

constexpr int kMeshes = 200;
constexpr int kGrid = 50;  // 50 × 50 quads: 5000 triangles a mesh

writer3ds::Scene3ds largeScene() {
  writer3ds::Scene3ds scene;
  for (int m = 0; m < 4; ++m) {
    scene.materials.push_back(
        {.name = "material" + std::to_string(m), .textureMap = "t" + std::to_string(m) + ".jpg"});
  }
  for (int i = 0; i < kMeshes; ++i) {
    writer3ds::Mesh3ds mesh;
    mesh.name = "grid" + std::to_string(i);
    mesh.position = {static_cast<float>(i) * 60.0f, 0.0f, 0.0f};
    for (int y = 0; y <= kGrid; ++y) {
      for (int x = 0; x <= kGrid; ++x) {
        mesh.vertices.push_back({mesh.position.x + static_cast<float>(x), static_cast<float>(y),
                                 std::sin(static_cast<float>(x + y + i) * 0.3f)});
        mesh.texCoords.push_back({static_cast<float>(x) / kGrid, static_cast<float>(y) / kGrid});
      }
    }
    for (int y = 0; y < kGrid; ++y) {
      for (int x = 0; x < kGrid; ++x) {
        auto v = static_cast<std::uint16_t>(y * (kGrid + 1) + x);
        auto below = static_cast<std::uint16_t>(v + kGrid + 1);
        mesh.faces.push_back({v, static_cast<std::uint16_t>(v + 1), below});
        mesh.faces.push_back(
            {static_cast<std::uint16_t>(v + 1), static_cast<std::uint16_t>(below + 1), below});
      }
    }
    mesh.materialGroups.resize(4);
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      mesh.materialGroups[f % 4].material = "material" + std::to_string(f % 4);
      mesh.materialGroups[f % 4].faces.push_back(static_cast<std::uint16_t>(f));
    }
    scene.meshes.push_back(std::move(mesh));
  }
  scene.cameras = {{.name = "camera", .position = {0, -100, 50}}};
  scene.lights = {{.name = "light", .position = {0, 0, 500}}};
  return scene;
}

struct Memory {
  const std::vector<std::uint8_t>* bytes;
  long offset = 0;
};

Lib3dsBool memoryError(void*) {
  return LIB3DS_FALSE;
}
long memorySeek(void* self, long offset, Lib3dsIoSeek origin) {
  auto* m = static_cast<Memory*>(self);
  long size = static_cast<long>(m->bytes->size());
  long base = origin == LIB3DS_SEEK_SET ? 0 : origin == LIB3DS_SEEK_CUR ? m->offset : size;
  if (base + offset < 0 || base + offset > size) return -1;
  m->offset = base + offset;
  return 0;
}
long memoryTell(void* self) {
  return static_cast<Memory*>(self)->offset;
}
size_t memoryRead(void* self, void* buffer, size_t size) {
  auto* m = static_cast<Memory*>(self);
  size_t n = std::min(size, m->bytes->size() - static_cast<size_t>(m->offset));
  std::memcpy(buffer, m->bytes->data() + m->offset, n);
  m->offset += static_cast<long>(n);
  return n;
}
size_t memoryWrite(void*, const void*, size_t) {
  return 0;
}

double medianMs(int runs, const std::function<void()>& once) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    once();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    std::puts("usage: parse_3ds\nRUNS in the environment sets the runs per reader (default 7).");
    return std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
  }
  int runs = std::getenv("RUNS") ? std::max(5, std::atoi(std::getenv("RUNS"))) : 7;
  std::fprintf(stderr, "making the model...\n");
  std::vector<std::uint8_t> bytes = writer3ds::write3ds(largeScene());
  double mb = static_cast<double>(bytes.size()) / 1e6;
  test::TempDir dir;
  test::writeFile(dir.file("large.3ds"), bytes);

  std::size_t checked = 0;
  ModelLoader loader;
  double ours = medianMs(runs, [&] {
    Model model = loader.parse(bytes);
    checked += model.meshes.size();
  });
  double peer3ds = medianMs(runs, [&] {
    Memory memory{&bytes};
    Lib3dsIo* io =
        lib3ds_io_new(&memory, memoryError, memorySeek, memoryTell, memoryRead, memoryWrite);
    Lib3dsFile* file = lib3ds_file_new();
    if (!lib3ds_file_read(file, io)) std::fprintf(stderr, "lib3ds failed to read the model\n");
    checked += file->meshes ? 1 : 0;
    lib3ds_file_free(file);
    lib3ds_io_free(io);
  });
  double assimp = medianMs(runs, [&] {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "3ds");
    if (!scene) std::fprintf(stderr, "assimp: %s\n", importer.GetErrorString());
    checked += scene ? scene->mNumMeshes : 0;
  });
  double whole = medianMs(runs, [&] {
    Engine engine;
    engine.textureMode = TextureMode::None;
    engine.loadModel(dir.file("large.3ds"));
    checked += static_cast<std::size_t>(engine.model().meshCount());
  });

  Model model = loader.parse(bytes);
  std::size_t triangles = 0;
  for (const MeshObject& m : model.meshes)
    triangles += m.faces.size();
  std::printf(
      "model: %.1f MB, %d meshes, %zu triangles, texture coordinates, 4 material groups a mesh\n",
      mb, model.meshCount(), triangles);
  std::printf("median of %d runs each (ms, MB/s):\n", runs);
  std::printf("  ModelLoader::parse         %8.2f ms  %8.0f MB/s\n", ours, mb / ours * 1000);
  std::printf("  lib3ds 1.3 file_read      %8.2f ms  %8.0f MB/s\n", peer3ds, mb / peer3ds * 1000);
  std::printf("  assimp 5.2 from memory     %8.2f ms  %8.0f MB/s\n", assimp, mb / assimp * 1000);
  std::printf("  Engine::loadModel (whole)  %8.2f ms  %8.0f MB/s\n", whole, mb / whole * 1000);
  std::printf("ratios: parse / lib3ds %.2fx, parse / assimp %.2fx, loadModel / lib3ds %.2fx\n",
              peer3ds / ours, assimp / ours, peer3ds / whole);
  return checked > 0 ? 0 : 1;
}
