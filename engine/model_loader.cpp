#include "engine/model_loader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <string_view>
#include <unordered_map>

#include "platform/files.h"

namespace tav {
namespace {

constexpr std::size_t kHeader = 6;
constexpr std::size_t kMaxName = 31;
constexpr std::size_t kMaxMapName = 254;
constexpr std::size_t kMaxDepth = 64;
// A file's objects are numbered in 16 bits by its keyframer (65535 meaning none), and no tool
// writes more materials than that: past it a file is a flood of empty records, refused as damage
// so that 6 bytes of file never cost a 232-byte record without end.
constexpr std::int32_t kMaxRecords = 65535;

static_assert(sizeof(Vector3) == 12 && sizeof(TexCoord) == 8);

std::uint16_t u16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
float f32(const std::uint8_t* p) {
  // std::bit_cast, which the browser build's C++ library does not have yet.
  const std::uint32_t bits = u32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
Vector3 vec3(const std::uint8_t* p) {
  return {f32(p), f32(p + 4), f32(p + 8)};
}

// Copies `count` records of `floats` little-endian floats each into `out`.
template <typename T>
void readFloats(const std::uint8_t* p, std::size_t count, std::vector<T>& out) {
  constexpr std::size_t floats = sizeof(T) / sizeof(float);
  out.resize(count);
  if constexpr (std::endian::native == std::endian::little) {
    if (count > 0) std::memcpy(out.data(), p, count * sizeof(T));
  } else {
    auto* dst = reinterpret_cast<float*>(out.data());
    for (std::size_t i = 0; i < count * floats; ++i)
      dst[i] = f32(p + 4 * i);
  }
}

// How many records of each kind a file makes.
struct Counts {
  std::size_t meshes = 0;
  std::size_t cameras = 0;
  std::size_t lights = 0;
  std::size_t materials = 0;
};

// One parse: the file, the position, the entered chunks still open, and the model it fills. A
// chunk that claims more than its parent (a file cut short, a damaged length) is cut to its parent
// and still walked, so that everything whole before the damage is kept. A counting walk takes the
// same steps but only counts the records it would append.
class Walk {
 public:
  Walk(std::span<const std::uint8_t> bytes, std::int32_t& mapCounter, Model& model,
       Counts* counting = nullptr)
      : data_(bytes.data()), counting_(counting), mapCounter_(mapCounter), model_(model) {
    end_ = std::min<std::size_t>(u32(data_ + 2), bytes.size());
    fileCut_ = u32(data_ + 2) > bytes.size();
  }

  void count() { walk(); }

  void run(LoadReport& report) {
    walk();
    if (problemAt_ == kNone) return;
    report.status = LoadStatus::Damaged;
    report.problem = std::string(problem_) + " (chunk at byte " + std::to_string(problemAt_);
    if (moreProblems_ > 0)
      report.problem += "; " + std::to_string(moreProblems_) + " more after it";
    report.problem += ")";
    report.leftEmpty = std::move(leftEmpty_);
    report.leftEmptyCount = emptied_;
  }

 private:
  static constexpr std::size_t kBad = SIZE_MAX;
  static constexpr std::size_t kNone = SIZE_MAX;
  // Emptied meshes named in the report; the rest are counted.
  static constexpr std::size_t kNamedEmpty = 8;

  struct Open {
    std::size_t end = 0;
    std::int32_t mesh = -1;     // the mesh this chunk appended, if any
    std::size_t meshDepth = 0;  // the innermost open mesh chunk, this one or below; 0: none
    bool damaged = false;       // damage was found while it was open
    // Of a mesh: whether its last lists have entries as written (a count that cannot be read
    // counts as some); vertices and no faces make a path object.
    bool holdsVertices = false;
    bool holdsFaces = false;
  };

  void walk() {
    std::size_t pos = kHeader;
    open_[0] = {.end = end_};
    depth_ = 1;
    scan(pos);
    while (depth_ > 1)
      close();
  }

  void scan(std::size_t pos) {
    while (pos < end_) {
      while (depth_ > 1 && pos >= open_[depth_ - 1].end)
        close();
      const std::size_t parentEnd = open_[depth_ - 1].end;
      if (pos + kHeader > parentEnd) {
        damaged(pos, "a chunk header overruns its parent");
        pos = parentEnd;
        continue;
      }
      std::uint16_t id = u16(data_ + pos);
      std::size_t length = u32(data_ + pos + 2);
      // Nothing after such a length can be trusted to be a chunk: the walk ends here.
      if (length < kHeader) return damaged(pos, "a chunk is shorter than its header");
      const bool overruns = length > parentEnd - pos;
      chunkEnd_ = overruns ? parentEnd : pos + length;
      opensMesh_ = false;
      std::size_t next = handle(id, pos + kHeader);
      if (next == kBad) {
        damaged(pos, "a chunk's data does not fit in it");
        next = chunkEnd_;
      }
      if (next < chunkEnd_ && depth_ == kMaxDepth) {
        // Its nested chunks cannot be followed: it is skipped whole, and a mesh it began is empty.
        damaged(pos, "chunks nest too deep");
        if (opensMesh_) empty(meshes_ - 1, false);
        next = chunkEnd_;
      } else if (next < chunkEnd_) {
        // Entered: its nested chunks come next, within it.
        const std::size_t meshDepth = opensMesh_ ? depth_ : open_[depth_ - 1].meshDepth;
        open_[depth_] = {chunkEnd_, opensMesh_ ? meshes_ - 1 : -1, meshDepth};
        ++depth_;
      }
      if (overruns) {
        damaged(pos, fileCut_ && length > end_ - pos ? "the file ends inside a chunk"
                                                     : "a chunk runs past its parent");
      }
      pos = next;
    }
  }

  // Leaves the innermost open chunk. A mesh's data comes only from within its chunk, so a mesh
  // that saw damage there is final now and can be emptied.
  void close() {
    const Open& chunk = open_[--depth_];
    if (chunk.mesh >= 0 && chunk.damaged)
      empty(chunk.mesh, chunk.holdsVertices && !chunk.holdsFaces);
  }

  // Records the first problem and counts the rest; every mesh whose chunk is open has lost data
  // and cannot be drawn as it was meant. The chunks below an already damaged one are damaged too,
  // so each chunk is marked once.
  void damaged(std::size_t pos, const char* what) {
    if (problemAt_ == kNone) {
      problemAt_ = pos;
      problem_ = what;
    } else {
      ++moreProblems_;
    }
    for (std::size_t d = depth_ - 1; d > 0 && !open_[d].damaged; --d)
      open_[d].damaged = true;
  }

  // A mesh is drawn whole or not at all: a damaged one keeps its name and place but no geometry,
  // so it draws nothing and the objects after it keep their indices; a path object keeps its
  // place among the tracks too.
  void empty(std::int32_t index, bool path) {
    if (counting_) return;
    MeshObject& mesh = model_.meshes[static_cast<std::size_t>(index)];
    MeshObject emptied;  // releases the arrays, which clearing would keep
    emptied.position = mesh.position;
    emptied.name = std::move(mesh.name);
    emptied.emptiedPath = path;
    mesh = std::move(emptied);
    if (++emptied_ <= kNamedEmpty) leftEmpty_.push_back(index);
  }

  bool fits(std::size_t from, std::size_t bytes) const {
    return from <= chunkEnd_ && bytes <= chunkEnd_ - from;
  }

  // The NUL-terminated string at `from`, cut to `limit` characters; `from` moves past its NUL (or
  // to the chunk's end when it has none).
  std::string_view name(std::size_t& from, std::size_t limit) const {
    const auto* start = reinterpret_cast<const char*>(data_ + from);
    std::size_t room = chunkEnd_ - from;
    std::size_t length = strnlen(start, room);
    from += std::min(length + 1, room);
    return {start, std::min(length, limit)};
  }

  // A signed 16-bit count, negative taken as none.
  std::size_t count(std::size_t at) const {
    return static_cast<std::size_t>(
        std::max<std::int16_t>(0, static_cast<std::int16_t>(u16(data_ + at))));
  }

  // Appends a record, or only counts it on a counting walk.
  template <typename T>
  T* append(std::vector<T>& records, std::size_t Counts::*counted) {
    if (!counting_) return &records.emplace_back();
    ++(counting_->*counted);
    return nullptr;
  }
  Material* lastMaterial() {
    return counting_ || model_.materials.empty() ? nullptr : &model_.materials.back();
  }

  // Handles the chunk whose data starts at `at`; returns where the walk goes on: inside the chunk
  // to enter it, its end to skip it, kBad when its data does not fit.
  std::size_t handle(std::uint16_t id, std::size_t at) {
    switch (id) {
      case chunk::kEditor:
        return at;
      case chunk::kNamedObject:
        objectName_ = name(at, kMaxName);
        return at;
      case chunk::kTriangleMesh:
        if (meshes_ == kMaxRecords) {
          damaged(at - kHeader, "more mesh objects than a file can number");
          return chunkEnd_;
        }
        if (MeshObject* mesh = append(model_.meshes, &Counts::meshes)) mesh->name = objectName_;
        ++meshes_;
        opensMesh_ = true;
        return at;
      case chunk::kVertexList:
      case chunk::kFaceList:
      case chunk::kFaceMaterial:
      case chunk::kTexCoords:
      case chunk::kMeshMatrix:
        return meshChunk(id, at);
      case chunk::kLight:
        if (!fits(at, 12)) return kBad;
        if (Light* light = append(model_.lights, &Counts::lights))
          light->position = vec3(data_ + at);
        return at + 12;
      case chunk::kCamera:
        if (!fits(at, 32)) return kBad;
        if (Camera* camera = append(model_.cameras, &Counts::cameras)) {
          camera->position = vec3(data_ + at);
          camera->target = vec3(data_ + at + 12);
          camera->bank = f32(data_ + at + 24);
          camera->lens = f32(data_ + at + 28);
        }
        return at + 32;
      case chunk::kMaterial:
        if (materials_ == kMaxRecords) {
          damaged(at - kHeader, "more materials than a file can hold");
          return chunkEnd_;
        }
        ++materials_;
        // Only the last material's name can still change: the one before it is final now.
        if (!counting_ && !model_.materials.empty()) {
          byName_.insert_or_assign(lastMaterialName_, model_.materialCount() - 1);
        }
        lastMaterialName_ = {};
        append(model_.materials, &Counts::materials);
        return at;
      case chunk::kMaterialName: {
        std::string_view text = name(at, kMaxName);
        mapCounter_ = 0;
        if (Material* material = lastMaterial()) {
          material->name = text;
          material->flags = 0;
          lastMaterialName_ = text;
        }
        return chunkEnd_;
      }
      case chunk::kAmbient:
        // The colour is the first nested chunk's data: 24-bit RGB after its 6-byte header. Some
        // exporters write the chunk with no colour inside: nothing to read, nothing damaged.
        if (!fits(at, 9)) return chunkEnd_;
        if (Material* material = lastMaterial()) std::memcpy(material->colour, data_ + at + 6, 3);
        return chunkEnd_;
      case chunk::kShininess:
        if (!fits(at, 7)) return chunkEnd_;
        if (Material* material = lastMaterial();
            material && static_cast<std::int8_t>(data_[at + 6]) > 1) {
          material->flags |= material_flags::kAdditive;
        }
        return chunkEnd_;
      case chunk::kTransparency:
        if (!fits(at, 7)) return chunkEnd_;
        if (Material* material = lastMaterial()) {
          material->opacity = static_cast<float>(100 - data_[at + 6]) * 0.01f;
        }
        return chunkEnd_;
      case chunk::kTextureMap:
        return at;
      case chunk::kReflectionMap:
        if (Material* material = lastMaterial()) material->flags |= material_flags::kReflective;
        return at;
      case chunk::kMapFile: {
        std::string_view file = name(at, kMaxMapName);
        if (Material* material = lastMaterial()) {
          (mapCounter_ == 0 ? material->texture0File : material->texture1File) = file;
        }
        ++mapCounter_;
        return chunkEnd_;
      }
      default:
        return chunkEnd_;
    }
  }

  // A mesh's own chunks apply only to the mesh whose chunk holds them. Elsewhere (in a light, or
  // after the mesh has ended) they would rewrite some other mesh: they are skipped as damage.
  std::size_t meshChunk(std::uint16_t id, std::size_t at) {
    Open& holder = open_[open_[depth_ - 1].meshDepth];
    if (holder.mesh < 0) {
      damaged(at - kHeader, "a mesh's chunk stands outside any mesh");
      return chunkEnd_;
    }
    MeshObject* mesh = counting_ ? nullptr : &model_.meshes[static_cast<std::size_t>(holder.mesh)];
    switch (id) {
      case chunk::kVertexList:
        holder.holdsVertices = !fits(at, 2) || count(at) > 0;
        return vertexList(at, mesh);
      case chunk::kFaceList:
        holder.holdsFaces = !fits(at, 2) || count(at) > 0;
        return faceList(at, mesh);
      case chunk::kFaceMaterial:
        return faceMaterial(at, mesh);
      case chunk::kTexCoords:
        return texCoords(at, mesh);
      default:
        if (!fits(at, 48)) return kBad;
        if (mesh) mesh->position = vec3(data_ + at + 36);
        return at + 48;
    }
  }

  // A list of a signed 16-bit count of `recordBytes` records, applied to `mesh`; the walk goes on
  // after the records.
  template <typename Apply>
  std::size_t countedList(std::size_t at, std::size_t recordBytes, MeshObject* mesh, Apply apply) {
    if (!fits(at, 2)) return kBad;
    std::size_t n = count(at);
    if (!fits(at + 2, n * recordBytes)) return kBad;
    if (mesh) apply(*mesh, n, data_ + at + 2);
    return at + 2 + n * recordBytes;
  }

  std::size_t vertexList(std::size_t at, MeshObject* mesh) {
    return countedList(at, 12, mesh, [](MeshObject& m, std::size_t n, const std::uint8_t* p) {
      m.vertexCount = static_cast<std::int32_t>(n);
      readFloats(p, n, m.vertices);
      m.vertexNormals.assign(n, Vector3{});
      m.baseNormals.assign(n, Vector3{});
    });
  }

  std::size_t faceList(std::size_t at, MeshObject* mesh) {
    return countedList(at, 8, mesh, [](MeshObject& m, std::size_t n, const std::uint8_t* p) {
      m.faceCount = static_cast<std::int32_t>(n);
      m.faces.resize(n);
      for (Face& face : m.faces) {
        face.a = static_cast<std::int16_t>(u16(p));
        face.b = static_cast<std::int16_t>(u16(p + 2));
        face.c = static_cast<std::int16_t>(u16(p + 4));
        face.material = -1;
        p += 8;
      }
      m.faceNormals.assign(n, Vector3{});
    });
  }

  std::size_t texCoords(std::size_t at, MeshObject* mesh) {
    return countedList(at, 8, mesh, [](MeshObject& m, std::size_t n, const std::uint8_t* p) {
      m.texCoordCount = static_cast<std::int32_t>(n);
      readFloats(p, n, m.texCoords);
    });
  }

  // The last material called exactly `materialName`, or -1.
  std::int32_t findMaterial(std::string_view materialName) const {
    if (!model_.materials.empty() && lastMaterialName_ == materialName) {
      return model_.materialCount() - 1;
    }
    auto found = byName_.find(materialName);
    return found == byName_.end() ? -1 : found->second;
  }

  std::size_t faceMaterial(std::size_t at, MeshObject* mesh) {
    // Cut as material names are, so that a long name still finds its material.
    std::string_view materialName = name(at, kMaxName);
    if (!fits(at, 2)) return kBad;
    std::size_t n = u16(data_ + at);
    if (!fits(at + 2, n * 2)) return kBad;
    const std::int32_t index = mesh ? findMaterial(materialName) : -1;
    if (index < 0) return chunkEnd_;
    for (std::size_t i = 0; i < n; ++i) {
      std::uint16_t face = u16(data_ + at + 2 + 2 * i);
      if (face < mesh->faceCount) mesh->faces[face].material = index;
    }
    return chunkEnd_;
  }

  const std::uint8_t* data_;
  Counts* counting_;
  std::size_t end_ = 0;       // of the main chunk, or of the file when that ends first
  bool fileCut_ = false;      // the file ends before its main chunk
  std::size_t chunkEnd_ = 0;  // of the chunk being handled, cut to its parent
  std::array<Open, kMaxDepth> open_{};
  std::size_t depth_ = 0;
  bool opensMesh_ = false;
  std::int32_t meshes_ = 0;     // appended so far
  std::int32_t materials_ = 0;  // appended so far
  std::size_t problemAt_ = kNone;
  const char* problem_ = "";
  std::size_t moreProblems_ = 0;
  std::size_t emptied_ = 0;
  std::vector<std::int32_t> leftEmpty_;  // the first kNamedEmpty of them
  std::string objectName_;
  // Every material but the last by name, the later of two with one name winning; views into the
  // file, which outlives the walk.
  std::unordered_map<std::string_view, std::int32_t> byName_;
  std::string_view lastMaterialName_;
  std::int32_t& mapCounter_;
  Model& model_;
};

}  // namespace

Model ModelLoader::load(const std::string& path, std::int32_t mode, LoadReport* report) {
  LoadReport local;
  LoadReport& r = report ? *report : local;
  r = LoadReport{};
  if (mode != 0) {
    r.status = LoadStatus::Skipped;
    return Model{};
  }
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!platform::readWholeFile(path, bytes, error)) {
    r.status = LoadStatus::Unreadable;
    r.problem = error;
    return Model{};
  }
  return parse(bytes, &r);
}

Model ModelLoader::parse(std::span<const std::uint8_t> bytes, LoadReport* report) {
  LoadReport local;
  LoadReport& r = report ? *report : local;
  r = LoadReport{};
  mapCounter_ = 0;
  Model model;
  if (bytes.size() < kHeader || u16(bytes.data()) != chunk::kMain ||
      u32(bytes.data() + 2) <= kHeader) {
    r.status = LoadStatus::NotA3ds;
    r.problem = "not a 3DS file: it does not begin with a main chunk";
    return model;
  }
  // Each record array is made once at its size: growing one would hold the old array and the
  // new at once, twice what the model needs.
  Counts counts;
  std::int32_t countingMaps = 0;
  Walk(bytes, countingMaps, model, &counts).count();
  model.meshes.reserve(counts.meshes);
  model.cameras.reserve(counts.cameras);
  model.lights.reserve(counts.lights);
  model.materials.reserve(counts.materials);
  Walk(bytes, mapCounter_, model).run(r);
  if (r.status == LoadStatus::Ok && u32(bytes.data() + 2) > bytes.size()) {
    // Cut between two whole chunks: everything there is was read.
    r.status = LoadStatus::Damaged;
    r.problem = "the file ends before its main chunk does";
  }
  return model;
}

void buildTrack(Track& track, const std::vector<Vector3>& vertices, std::int32_t n) {
  std::int32_t keys =
      std::clamp<std::int32_t>(n - 1, 0, static_cast<std::int32_t>(vertices.size()));
  track.keyCount = keys;
  track.points.assign(vertices.begin(), vertices.begin() + keys);
  track.handles.assign(static_cast<std::size_t>(keys), Vector3{});
  for (std::int32_t i = 1; i <= keys - 2; ++i) {
    auto k = static_cast<std::size_t>(i);
    const Vector3& p = track.points[k];
    Vector3 d = track.points[k + 1] - track.points[k - 1];
    track.handles[k] = {p.x + d.x * 0.5f * track.tension, p.y + d.y * 0.5f * track.tension,
                        p.z + d.z * 0.5f * track.tension};
  }
}

std::string describe(const LoadReport& report, const Model& model,
                     const std::function<std::string(std::string_view)>& name) {
  std::string text = report.problem;
  if (report.leftEmptyCount == 0) return text;
  text += "; left empty: ";
  for (std::size_t i = 0; i < report.leftEmpty.size(); ++i) {
    const std::int32_t index = report.leftEmpty[i];
    const std::string& raw = index >= 0 && static_cast<std::size_t>(index) < model.meshes.size()
                                 ? model.meshes[static_cast<std::size_t>(index)].name
                                 : std::string();
    text += (i > 0 ? ", mesh " : "mesh ") + std::to_string(index) + " \"" +
            (name ? name(raw) : raw) + "\"";
  }
  const std::size_t unnamed = report.leftEmptyCount - report.leftEmpty.size();
  if (unnamed > 0) text += " and " + std::to_string(unnamed) + " more meshes";
  return text;
}

}  // namespace tav
