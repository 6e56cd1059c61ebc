#pragma once
// Writes .3ds files from code: the show's test fixtures and, later, its own data set. A scene is
// written the way modelling tools write one (version chunks, full material descriptions with
// 24-bit, gamma and float colours, integer percentages, map parameters, smoothing groups, light
// and camera details, a keyframer section), which includes every chunk the loader reads and many
// it skips. ChunkWriter builds chunks by hand, for fixtures no tool would write.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/records.h"

namespace tav::writer3ds {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

struct Material3ds {
  std::string name;
  Rgb ambient{40, 40, 40};
  Rgb diffuse{200, 200, 200};
  Rgb specular{230, 230, 230};
  int shininessPercent = 0;  // integer percentages, as modelling tools write them
  int transparencyPercent = 0;
  std::string textureMap;  // file names; empty: no such map
  std::string reflectionMap;
  std::string bumpMap;  // a map kind the loader skips whole
};

struct Face3ds {
  std::uint16_t a = 0;
  std::uint16_t b = 0;
  std::uint16_t c = 0;
  std::uint16_t flags = 7;  // edge visibility, as tools set it
};

struct MaterialGroup3ds {
  std::string material;
  std::vector<std::uint16_t> faces;
};

struct Mesh3ds {
  std::string name;
  std::vector<Vector3> vertices;  // in file coordinates; the loader re-centres meshes with faces
  std::vector<Face3ds> faces;     // none: a path object
  std::vector<TexCoord> texCoords;
  Vector3 position;  // the translation row of the mesh matrix
  std::vector<MaterialGroup3ds> materialGroups;
};

struct Light3ds {
  std::string name;
  Vector3 position;
  float colour[3] = {1.0f, 1.0f, 1.0f};
};

struct Camera3ds {
  std::string name;
  Vector3 position;
  Vector3 target;
  float bank = 0.0f;
  float lens = 35.0f;
};

// Named objects are written meshes first, then lights, then cameras, each in its own order:
// object, light and camera indices after loading follow these lists.
struct Scene3ds {
  std::vector<Material3ds> materials;
  std::vector<Mesh3ds> meshes;
  std::vector<Light3ds> lights;
  std::vector<Camera3ds> cameras;
  bool keyframer = true;
};

std::vector<std::uint8_t> write3ds(const Scene3ds& scene);

class ChunkWriter {
 public:
  // Opens a chunk; end() closes the latest open one and fills in its length.
  void begin(std::uint16_t id);
  void end();

  void u8(std::uint8_t v) { bytes_.push_back(v); }
  void u16(std::uint16_t v);
  void u32(std::uint32_t v);
  void f32(float v);
  void vec3(const Vector3& v);
  void text(const std::string& s);  // with its NUL
  void raw(const std::vector<std::uint8_t>& data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }

  // A whole chunk with one nested colour or percentage chunk, as materials hold them.
  void colourChunk(std::uint16_t id, const Rgb& colour);
  void percentChunk(std::uint16_t id, int percent);

  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::vector<std::size_t> open_;
};

}  // namespace tav::writer3ds
