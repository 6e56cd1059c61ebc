// Load time and peak memory of the engine's whole loadModel on crafted .3ds files that cost the
// most per byte: many materials named by many material groups, many small objects, nested meshes
// full of damaged chunks, and records with nothing in them. Each file is loaded in a fresh process,
// so the peak (getrusage) is that load's alone: the file read into memory, the model and everything
// the load keeps while it runs. Usage: crafted_3ds [MB] (default 10); a load over LIMIT_S seconds
// (default 60) is stopped and shown as such.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "tests/support/temp_dir.h"
#include "tools/writer3ds/writer3ds.h"

using namespace tav;
using writer3ds::ChunkWriter;

namespace {

struct Kind {
  const char* name;
  // Writes objects into the open editor chunk until the writer holds about `bytes`.
  std::function<void(ChunkWriter&, std::size_t bytes)> fill;
};

std::string numbered(const char* prefix, std::size_t i) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%07zu", prefix, i);
  return text;
}

void named(ChunkWriter& w, const std::string& name, std::uint16_t id) {
  w.begin(chunk::kNamedObject);
  w.text(name);
  w.begin(id);
}

// Half the bytes in distinct materials, half in one-face material groups of a single mesh, each
// naming a material spread over the whole list.
void materialsAndGroups(ChunkWriter& w, std::size_t bytes) {
  std::size_t materials = 0;
  while (w.bytes().size() < bytes / 2) {
    w.begin(chunk::kMaterial);
    w.begin(chunk::kMaterialName);
    w.text(numbered("material", materials++));
    w.end();
    w.end();
  }
  named(w, "groups", chunk::kTriangleMesh);
  w.begin(chunk::kVertexList);
  w.u16(3);
  for (int v = 0; v < 3; ++v)
    w.vec3({static_cast<float>(v), 0, 0});
  w.end();
  w.begin(chunk::kFaceList);
  w.u16(1);
  for (std::uint16_t index : {0, 1, 2, 0})
    w.u16(index);
  for (std::size_t g = 0; w.bytes().size() < bytes; ++g) {
    w.begin(chunk::kFaceMaterial);
    w.text(numbered("material", g * 7919 % materials));
    w.u16(1);
    w.u16(0);
    w.end();
  }
  w.end();
  w.end();
  w.end();
}

// Named objects each holding one triangle with a vertex, face, texture coordinate and material
// group: the smallest object that fills every array of a mesh.
void smallObjects(ChunkWriter& w, std::size_t bytes) {
  w.begin(chunk::kMaterial);
  w.begin(chunk::kMaterialName);
  w.text("m");
  w.end();
  w.end();
  while (w.bytes().size() < bytes) {
    named(w, "", chunk::kTriangleMesh);
    w.begin(chunk::kVertexList);
    w.u16(1);
    w.vec3({1, 2, 3});
    w.end();
    w.begin(chunk::kFaceList);
    w.u16(1);
    for (int i = 0; i < 4; ++i)
      w.u16(0);
    w.begin(chunk::kFaceMaterial);
    w.text("m");
    w.u16(1);
    w.u16(0);
    w.end();
    w.end();
    w.begin(chunk::kTexCoords);
    w.u16(1);
    w.f32(0);
    w.f32(0);
    w.end();
    w.end();
    w.end();
  }
}

// Meshes nested as deep as chunks may nest, then chunks whose data does not fit in them: every
// one is damage inside every open mesh.
void nestedDamage(ChunkWriter& w, std::size_t bytes) {
  const int meshes = 60;
  w.begin(chunk::kNamedObject);
  w.text("deep");
  for (int d = 0; d < meshes; ++d)
    w.begin(chunk::kTriangleMesh);
  while (w.bytes().size() < bytes) {
    w.begin(chunk::kMeshMatrix);
    w.end();
  }
  for (int d = 0; d <= meshes; ++d)
    w.end();
}

// Objects with nothing in them: a name and an empty mesh chunk.
void emptyMeshes(ChunkWriter& w, std::size_t bytes) {
  while (w.bytes().size() < bytes) {
    named(w, "", chunk::kTriangleMesh);
    w.end();
    w.end();
  }
}

// Empty mesh chunks back to back in one object: the smallest chunk that makes a mesh record.
void bareMeshChunks(ChunkWriter& w, std::size_t bytes) {
  w.begin(chunk::kNamedObject);
  w.text("");
  while (w.bytes().size() < bytes) {
    w.begin(chunk::kTriangleMesh);
    w.end();
  }
  w.end();
}

// Material chunks with nothing in them.
void emptyMaterials(ChunkWriter& w, std::size_t bytes) {
  while (w.bytes().size() < bytes) {
    w.begin(chunk::kMaterial);
    w.end();
  }
}

const std::vector<Kind>& kinds() {
  static const std::vector<Kind> all = {{"materials and groups", materialsAndGroups},
                                        {"small objects", smallObjects},
                                        {"nested damage", nestedDamage},
                                        {"empty meshes", emptyMeshes},
                                        {"bare mesh chunks", bareMeshChunks},
                                        {"empty materials", emptyMaterials}};
  return all;
}

std::vector<std::uint8_t> craft(const Kind& kind, std::size_t bytes) {
  ChunkWriter w;
  w.begin(chunk::kMain);
  w.begin(chunk::kEditor);
  kind.fill(w, bytes);
  w.end();
  w.end();
  return std::move(w.bytes());
}

// In the child: loads one file and prints its line.
int loadOne(const char* kind, const char* path) {
  const auto start = std::chrono::steady_clock::now();
  Engine engine;
  engine.textureMode = TextureMode::None;
  engine.loadModel(path);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const Model& m = engine.model();
  std::FILE* file = std::fopen(path, "rb");
  std::fseek(file, 0, SEEK_END);
  const double mb = static_cast<double>(std::ftell(file)) / 1e6;
  std::fclose(file);
  const double peakMb = static_cast<double>(usage.ru_maxrss) / 1e3;
  std::printf("%-22s %6.2f %9.1f %9.1f %7.1fx %9d %9d  %s\n", kind, mb, ms, peakMb, peakMb / mb,
              m.meshCount(), m.materialCount(),
              engine.lastLoad().status == LoadStatus::Ok ? "ok" : "damaged");
  return 0;
}

// Runs this program on one file in a fresh process, stopped after `limit` seconds.
void measure(const char* self, const Kind& kind, const std::string& path, int limit) {
  std::vector<char*> args = {const_cast<char*>(self), const_cast<char*>("--load"),
                             const_cast<char*>(kind.name), const_cast<char*>(path.c_str()),
                             nullptr};
  std::fflush(stdout);
  // fork and exec, not posix_spawn: a child that shares the parent's memory until its exec
  // inherits the parent's peak as its own.
  const pid_t child = fork();
  if (child == 0) {
    execv("/proc/self/exe", args.data());
    _exit(127);
  }
  if (child < 0) {
    std::printf("%-22s could not start a process\n", kind.name);
    return;
  }
  const auto start = std::chrono::steady_clock::now();
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(limit)) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      std::printf("%-22s stopped: still loading after %d s\n", kind.name, limit);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--load") == 0) return loadOne(argv[2], argv[3]);
  if (argc > 2 || (argc == 2 && std::atof(argv[1]) <= 0)) {
    std::puts(
        "usage: crafted_3ds [MB]\nLoads crafted .3ds files of MB megabytes (default 10) each in "
        "a fresh process;\nLIMIT_S in the environment stops a load after that many seconds "
        "(default 60).");
    return argc == 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
  }
  const double mb = argc == 2 ? std::atof(argv[1]) : 10.0;
  const int limit = std::getenv("LIMIT_S") ? std::max(1, std::atoi(std::getenv("LIMIT_S"))) : 60;
  test::TempDir dir;
  std::printf("%-22s %6s %9s %9s %8s %9s %9s  %s\n", "file", "MB", "load ms", "peak MB", "peak/MB",
              "meshes", "materials", "status");
  for (const Kind& kind : kinds()) {
    const std::string path = dir.file("crafted.3ds");
    test::writeFile(path, craft(kind, static_cast<std::size_t>(mb * 1e6)));
    measure(argv[0], kind, path, limit);
  }
  return 0;
}
