#include "tools/examine/show_check.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "engine/engine.h"
#include "platform/files.h"
#include "shell/show.h"
#include "shell/sync_track.h"
#include "tools/examine/file_check.h"
#include "tools/examine/name_text.h"

namespace tav::inspect {
namespace {

namespace fs = std::filesystem;

// The scene 8 floor and how long scene 9 runs before it ends the show.
constexpr float kFloor = 347.8f;
constexpr double kClosingSceneMs = 21470.0;

// What a scene needs of one model.
struct Needs {
  int meshes = 0;
  int cameras = 1;
  std::vector<const char*> objects;    // names looked up by prefix
  std::vector<const char*> materials;  // names looked up by prefix
  int spriteObjects = 0;               // objects 0.. that must draw as sprites
  bool track = false;                  // track 0 with at least 3 keys
};

Needs needsOf(int model) {
  switch (model) {
    case 0:
      return {.meshes = 15, .track = true};
    case 1:
      return {.materials = {"history", "ssmall"}};
    case 2:
      return {.meshes = 4, .spriteObjects = 4};
    case 3:
      return {.meshes = 3, .cameras = 4, .objects = {"Text02", "Text03", "Text06"}};
    case 4:
      return {.meshes = 2};
    case 5:
      return {.objects = {"wanted"}, .materials = {"distort_1"}};
    case 8:
      return {.meshes = 1, .materials = {"distort1"}};
    case 9:
      return {.meshes = 4, .spriteObjects = 4};
    case 6:
    case 7:
    case 10:
    case 11:
    case 12:
      return {.meshes = 2, .spriteObjects = 2};
    case 13:
      return {.objects = {"csphere"}, .track = true};
    case 14:
      return {.meshes = 4};
    default:
      return {};
  }
}

bool hasPrefix(const std::vector<std::string>& names, const char* prefix) {
  return std::any_of(names.begin(), names.end(),
                     [prefix](const std::string& n) { return n.starts_with(prefix); });
}

class Checker {
 public:
  explicit Checker(const fs::path& dir) : dir_(dir) { engine_.textureMode = TextureMode::None; }

  void problem(const std::string& file, const std::string& what) {
    problems_.push_back(file + ": " + what);
  }
  std::vector<std::string> take() { return std::move(problems_); }

  // A texture file that exists and decodes.
  void texture(const std::string& name, const std::string& usedBy) {
    if (!checked_.insert(name).second) return;
    const std::string error = textureProblem(dir_ / "data/textures" / name);
    if (!error.empty()) {
      problem("data/textures/" + shownName(name), error + " (wanted by " + usedBy + ")");
    }
  }

  void model(int index) {
    const std::string file = kModelFiles[static_cast<std::size_t>(index)];
    engine_.loadModel((dir_ / file).string());
    const LoadReport& report = engine_.lastLoad();
    if (report.status != LoadStatus::Ok) {
      problem(file, describe(report, engine_.model(), shownName));
      if (report.status != LoadStatus::Damaged) return;
    }
    const Model& m = engine_.model();
    const Needs needs = needsOf(index);
    std::vector<std::string> objectNames, materialNames;
    for (const MeshObject& o : m.meshes)
      objectNames.push_back(o.name);
    for (const Material& mat : m.materials)
      materialNames.push_back(mat.name);

    if (m.meshCount() < needs.meshes) {
      problem(file, "has " + std::to_string(m.meshCount()) + " mesh objects; its scene moves " +
                        std::to_string(needs.meshes));
    }
    if (m.cameraCount() < needs.cameras) {
      problem(file, "has " + std::to_string(m.cameraCount()) + " cameras; its scene needs " +
                        std::to_string(needs.cameras));
    }
    if (m.lightCount() < 1)
      problem(file, "has no light; it would inherit the lighting of the model before");
    for (const char* name : needs.objects) {
      if (!hasPrefix(objectNames, name))
        problem(file, std::string("has no mesh object named \"") + name + "...\"");
    }
    for (const char* name : needs.materials) {
      if (!hasPrefix(materialNames, name))
        problem(file, std::string("has no material named \"") + name + "...\"");
    }
    for (int i = 0; i < needs.spriteObjects && i < m.meshCount(); ++i) {
      const MeshObject& o = m.meshes[static_cast<std::size_t>(i)];
      const Material* mat = !o.faces.empty() && o.faces[0].material >= 0
                                ? &m.materials[static_cast<std::size_t>(o.faces[0].material)]
                                : nullptr;
      if (!mat || (mat->flags & material_flags::kSprite) == 0 || mat->opacity >= 1.0f) {
        problem(file, "mesh object " + std::to_string(i) + " (\"" + shownName(o.name) +
                          "\") is not drawn as sprites: its first face needs a material named "
                          "\"...sprite...\" with some transparency");
      }
    }
    if (needs.track && (m.trackCount() < 1 || m.tracks[0].keyCount < 3)) {
      problem(file, "has no camera path of at least 3 keys (a path object of 4 or more vertices)");
    }
    if (std::find(materialNames.begin(), materialNames.end(), "none") != materialNames.end()) {
      problem(file,
              "has a material named \"none\", which the white flashes look up to draw untextured");
    }
    for (const Material& mat : m.materials) {
      if (!mat.texture0File.empty())
        texture(mat.texture0File, file + " material \"" + shownName(mat.name) + "\"");
      if (!mat.texture1File.empty())
        texture(mat.texture1File, file + " material \"" + shownName(mat.name) + "\"");
    }
    if (index == 13) spheres(file, m);
  }

  // Scene 8's 27 spheres: present, above the floor, apart at rest.
  void spheres(const std::string& file, const Model& m) {
    auto first = std::find_if(m.meshes.begin(), m.meshes.end(),
                              [](const MeshObject& o) { return o.name.starts_with("csphere"); });
    if (first == m.meshes.end()) return;
    auto from = static_cast<std::size_t>(first - m.meshes.begin());
    if (from + 27 > m.meshes.size()) {
      problem(file, "has " + std::to_string(m.meshes.size() - from) +
                        " mesh objects from \"csphere\" on; scene 8 moves 27");
      return;
    }
    std::vector<std::pair<Vector3, float>> balls;
    for (std::size_t i = from; i < from + 27; ++i) {
      float radius = 0.0f;
      for (const Vector3& v : m.meshes[i].vertices)
        radius = std::max(radius, v.length());
      balls.emplace_back(m.meshes[i].position, radius);
      if (m.meshes[i].position.z - radius < kFloor) {
        problem(file,
                "sphere \"" + shownName(m.meshes[i].name) + "\" reaches below the floor at 347.8");
      }
    }
    for (std::size_t a = 0; a < balls.size(); ++a) {
      for (std::size_t b = a + 1; b < balls.size(); ++b) {
        if (balls[a].first.distance(balls[b].first) < balls[a].second + balls[b].second) {
          problem(file, "spheres " + shownName(m.meshes[from + a].name) + " and " +
                            shownName(m.meshes[from + b].name) + " overlap at rest");
        }
      }
    }
  }

  // Returns the time of the last event, and of the last scene change.
  void syncAndMusic() {
    std::vector<std::uint8_t> bytes;
    std::string error;
    double lastEvent = 0.0, lastChange = 0.0;
    if (!platform::readWholeFile((dir_ / "sync.dat").string(), bytes, error)) {
      problem("sync.dat", error);
    } else {
      SyncTrack sync;
      std::string bad = sync.parse(bytes);
      if (!bad.empty()) problem("sync.dat", bad);
      if (bytes.size() > 4 + 8 * static_cast<std::size_t>(sync.count())) {
        problem("sync.dat", "has bytes past its last event");
      }
      int changes = 0;
      for (std::int32_t i = 0; i < sync.count(); ++i) {
        const SyncEvent& e = sync.event(i);
        if (i > 0 && e.timeMs < sync.event(i - 1).timeMs) {
          problem("sync.dat", "event " + std::to_string(i) + " at " + std::to_string(e.timeMs) +
                                  " ms comes before the one above it (" +
                                  std::to_string(sync.event(i - 1).timeMs) +
                                  " ms): the table must be sorted by time");
        }
        lastEvent = std::max(lastEvent, static_cast<double>(e.timeMs));
        if (e.value == 39) {
          ++changes;
          lastChange = std::max(lastChange, static_cast<double>(e.timeMs));
        }
      }
      if (changes < 8) {
        problem("sync.dat",
                "has " + std::to_string(changes) +
                    " scene changes (code 39); the show needs 8 to reach its last scene");
      }
    }
    double musicMs = 0.0;
    const std::string bad = musicProblem(dir_ / "forest.mp3", &musicMs);
    if (!bad.empty()) {
      problem("forest.mp3", bad);
      return;
    }
    if (musicMs <= lastEvent) {
      problem("forest.mp3", "lasts " + std::to_string(static_cast<long>(musicMs)) +
                                " ms, not past the last sync event at " +
                                std::to_string(static_cast<long>(lastEvent)) + " ms");
    } else if (musicMs < lastChange + kClosingSceneMs) {
      problem("forest.mp3", "ends before the last scene can end the show (" +
                                std::to_string(static_cast<long>(lastChange + kClosingSceneMs)) +
                                " ms)");
    }
  }

 private:
  fs::path dir_;
  Engine engine_;
  std::vector<std::string> problems_;
  std::set<std::string> checked_;
};

}  // namespace

std::vector<std::string> checkShow(const fs::path& dir) {
  Checker check(dir);
  if (!fs::is_directory(dir)) {
    check.problem(shownName(dir.string()), "is not a folder");
    return check.take();
  }
  for (int i = 0; i < static_cast<int>(kModelFiles.size()); ++i)
    check.model(i);
  for (const NamedTexture& t : kNamedTextures) {
    check.texture(t.file, std::string("the set-up (\"") + t.name + "\")");
  }
  check.syncAndMusic();
  return check.take();
}

}  // namespace tav::inspect
