#include "engine/model_loader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "platform/files.h"

namespace tav {
namespace {

constexpr std::size_t kHeader = 6;
constexpr std::size_t kMaxName = 31;
constexpr std::size_t kMaxMapName = 254;
constexpr std::size_t kMaxDepth = 64;

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

// One parse: the file, the position, the entered chunks still open, and the model it fills. A
// chunk that claims more than its parent (a file cut short, a damaged length) is cut to its parent
// and still walked, so that everything whole before the damage is kept.
class Walk {
 public:
  Walk(std::span<const std::uint8_t> bytes, std::int32_t& mapCounter, Model& model)
      : data_(bytes.data()), mapCounter_(mapCounter), model_(model) {
    end_ = std::min<std::size_t>(u32(data_ + 2), bytes.size());
    fileCut_ = u32(data_ + 2) > bytes.size();
  }

  void run(LoadReport& report) {
    walk();
    emptyBrokenMeshes();
    if (problemAt_ == kNone) return;
    report.status = LoadStatus::Damaged;
    report.problem = std::string(problem_) + " (chunk at byte " + std::to_string(problemAt_) + ")";
    if (!leftEmpty_.empty()) report.problem += "; left empty: " + leftEmpty_;
  }

 private:
  static constexpr std::size_t kBad = SIZE_MAX;
  static constexpr std::size_t kNone = SIZE_MAX;

  void walk() {
    std::size_t pos = kHeader;
    open_[0] = {end_, -1};
    depth_ = 1;
    while (pos < end_) {
      while (depth_ > 1 && pos >= open_[depth_ - 1].end)
        --depth_;
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
      if (next < chunkEnd_) {
        // Entered: its nested chunks come next, within it.
        if (depth_ == kMaxDepth) return damaged(pos, "chunks nest too deep");
        open_[depth_++] = {chunkEnd_, opensMesh_ ? model_.meshCount() - 1 : -1};
      }
      if (overruns) {
        damaged(pos, fileCut_ && length > end_ - pos ? "the file ends inside a chunk"
                                                     : "a chunk runs past its parent");
      }
      pos = next;
    }
  }

  // Records the first problem; every mesh whose chunk is open has lost data and cannot be drawn
  // as it was meant.
  void damaged(std::size_t pos, const char* what) {
    if (problemAt_ == kNone) {
      problemAt_ = pos;
      problem_ = what;
    }
    for (std::size_t d = 1; d < depth_; ++d) {
      if (open_[d].mesh >= 0) broken_.push_back(open_[d].mesh);
    }
  }

  // A mesh is drawn whole or not at all: a damaged one keeps its name and place but no geometry,
  // so it draws nothing, builds no track, and the objects after it keep their indices.
  void emptyBrokenMeshes() {
    std::sort(broken_.begin(), broken_.end());
    broken_.erase(std::unique(broken_.begin(), broken_.end()), broken_.end());
    for (std::int32_t index : broken_) {
      MeshObject& mesh = model_.meshes[static_cast<std::size_t>(index)];
      mesh.vertexCount = mesh.faceCount = mesh.texCoordCount = 0;
      mesh.vertices.clear();
      mesh.vertexNormals.clear();
      mesh.baseNormals.clear();
      mesh.faces.clear();
      mesh.faceNormals.clear();
      mesh.texCoords.clear();
      if (!leftEmpty_.empty()) leftEmpty_ += ", ";
      leftEmpty_ += "mesh " + std::to_string(index) + " \"" + mesh.name + "\"";
    }
  }

  bool fits(std::size_t from, std::size_t bytes) const {
    return from <= chunkEnd_ && bytes <= chunkEnd_ - from;
  }

  // The NUL-terminated string at `from`, cut to `limit` characters; `from` moves past its NUL (or
  // to the chunk's end when it has none).
  std::string name(std::size_t& from, std::size_t limit) const {
    const auto* start = reinterpret_cast<const char*>(data_ + from);
    std::size_t room = chunkEnd_ - from;
    std::size_t length = strnlen(start, room);
    from += std::min(length + 1, room);
    return std::string(start, std::min(length, limit));
  }

  // A signed 16-bit count, negative taken as none.
  std::size_t count(std::size_t at) const {
    return static_cast<std::size_t>(
        std::max<std::int16_t>(0, static_cast<std::int16_t>(u16(data_ + at))));
  }

  MeshObject* lastMesh() { return model_.meshes.empty() ? nullptr : &model_.meshes.back(); }
  Material* lastMaterial() { return model_.materials.empty() ? nullptr : &model_.materials.back(); }

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
        model_.meshes.emplace_back().name = objectName_;
        opensMesh_ = true;
        return at;
      case chunk::kVertexList:
        return vertexList(at);
      case chunk::kFaceList:
        return faceList(at);
      case chunk::kFaceMaterial:
        return faceMaterial(at);
      case chunk::kTexCoords:
        return texCoords(at);
      case chunk::kMeshMatrix:
        if (!fits(at, 48)) return kBad;
        if (MeshObject* mesh = lastMesh()) mesh->position = vec3(data_ + at + 36);
        return at + 48;
      case chunk::kLight:
        if (!fits(at, 12)) return kBad;
        model_.lights.emplace_back().position = vec3(data_ + at);
        return at + 12;
      case chunk::kCamera: {
        if (!fits(at, 32)) return kBad;
        Camera& camera = model_.cameras.emplace_back();
        camera.position = vec3(data_ + at);
        camera.target = vec3(data_ + at + 12);
        camera.bank = f32(data_ + at + 24);
        camera.lens = f32(data_ + at + 28);
        return at + 32;
      }
      case chunk::kMaterial:
        model_.materials.emplace_back();
        return at;
      case chunk::kMaterialName: {
        std::string text = name(at, kMaxName);
        mapCounter_ = 0;
        if (Material* material = lastMaterial()) {
          material->name = std::move(text);
          material->flags = 0;
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
        std::string file = name(at, kMaxMapName);
        if (Material* material = lastMaterial()) {
          (mapCounter_ == 0 ? material->texture0File : material->texture1File) = std::move(file);
        }
        ++mapCounter_;
        return chunkEnd_;
      }
      default:
        return chunkEnd_;
    }
  }

  // A list of a signed 16-bit count of `recordBytes` records, applied to the last mesh; the walk
  // goes on after the records.
  template <typename Apply>
  std::size_t countedList(std::size_t at, std::size_t recordBytes, Apply apply) {
    if (!fits(at, 2)) return kBad;
    std::size_t n = count(at);
    if (!fits(at + 2, n * recordBytes)) return kBad;
    if (MeshObject* mesh = lastMesh()) apply(*mesh, n, data_ + at + 2);
    return at + 2 + n * recordBytes;
  }

  std::size_t vertexList(std::size_t at) {
    return countedList(at, 12, [](MeshObject& mesh, std::size_t n, const std::uint8_t* p) {
      mesh.vertexCount = static_cast<std::int32_t>(n);
      readFloats(p, n, mesh.vertices);
      mesh.vertexNormals.assign(n, Vector3{});
      mesh.baseNormals.assign(n, Vector3{});
    });
  }

  std::size_t faceList(std::size_t at) {
    return countedList(at, 8, [](MeshObject& mesh, std::size_t n, const std::uint8_t* p) {
      mesh.faceCount = static_cast<std::int32_t>(n);
      mesh.faces.resize(n);
      for (Face& face : mesh.faces) {
        face.a = static_cast<std::int16_t>(u16(p));
        face.b = static_cast<std::int16_t>(u16(p + 2));
        face.c = static_cast<std::int16_t>(u16(p + 4));
        face.material = -1;
        p += 8;
      }
      mesh.faceNormals.assign(n, Vector3{});
    });
  }

  std::size_t texCoords(std::size_t at) {
    return countedList(at, 8, [](MeshObject& mesh, std::size_t n, const std::uint8_t* p) {
      mesh.texCoordCount = static_cast<std::int32_t>(n);
      readFloats(p, n, mesh.texCoords);
    });
  }

  std::size_t faceMaterial(std::size_t at) {
    // Cut as material names are, so that a long name still finds its material.
    std::string materialName = name(at, kMaxName);
    if (!fits(at, 2)) return kBad;
    std::size_t n = u16(data_ + at);
    if (!fits(at + 2, n * 2)) return kBad;
    MeshObject* mesh = lastMesh();
    const std::vector<Material>& materials = model_.materials;
    auto found = std::find_if(materials.rbegin(), materials.rend(),
                              [&](const Material& m) { return m.name == materialName; });
    if (!mesh || found == materials.rend()) return chunkEnd_;
    auto index = static_cast<std::int32_t>(materials.rend() - found - 1);
    for (std::size_t i = 0; i < n; ++i) {
      std::uint16_t face = u16(data_ + at + 2 + 2 * i);
      if (face < mesh->faceCount) mesh->faces[face].material = index;
    }
    return chunkEnd_;
  }

  struct Open {
    std::size_t end = 0;
    std::int32_t mesh = -1;  // the mesh this chunk appended, if any
  };

  const std::uint8_t* data_;
  std::size_t end_ = 0;       // of the main chunk, or of the file when that ends first
  bool fileCut_ = false;      // the file ends before its main chunk
  std::size_t chunkEnd_ = 0;  // of the chunk being handled, cut to its parent
  std::array<Open, kMaxDepth> open_{};
  std::size_t depth_ = 0;
  bool opensMesh_ = false;
  std::vector<std::int32_t> broken_;
  std::size_t problemAt_ = kNone;
  const char* problem_ = "";
  std::string leftEmpty_;
  std::string objectName_;
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

}  // namespace tav
