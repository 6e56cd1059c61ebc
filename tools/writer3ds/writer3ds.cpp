#include "tools/writer3ds/writer3ds.h"

#include <bit>

namespace tav::writer3ds {
namespace {

// Chunk ids of the format, the ones the loader reads and the ones tools write besides.
enum : std::uint16_t {
  kMain = 0x4D4D,
  kVersion = 0x0002,
  kColourFloat = 0x0010,
  kColour24 = 0x0011,
  kColourGamma24 = 0x0012,
  kPercentInt = 0x0030,
  kMasterScale = 0x0100,
  kEditor = 0x3D3D,
  kMeshVersion = 0x3D3E,
  kNamedObject = 0x4000,
  kTriangleMesh = 0x4100,
  kVertexList = 0x4110,
  kFaceList = 0x4120,
  kFaceMaterial = 0x4130,
  kTexCoords = 0x4140,
  kSmoothingGroups = 0x4150,
  kMeshMatrix = 0x4160,
  kLight = 0x4600,
  kLightMultiplier = 0x465B,
  kCamera = 0x4700,
  kCameraRanges = 0x4720,
  kMaterial = 0xAFFF,
  kMaterialName = 0xA000,
  kAmbient = 0xA010,
  kDiffuse = 0xA020,
  kSpecular = 0xA030,
  kShininess = 0xA040,
  kShininessStrength = 0xA041,
  kTransparency = 0xA050,
  kTransparencyFalloff = 0xA052,
  kReflectionBlur = 0xA053,
  kSelfIllumination = 0xA084,
  kWireSize = 0xA087,
  kShading = 0xA100,
  kTextureMap = 0xA200,
  kReflectionMap = 0xA220,
  kBumpMap = 0xA230,
  kMapFile = 0xA300,
  kMapTiling = 0xA351,
  kMapUScale = 0xA354,
  kMapVScale = 0xA356,
  kKeyframer = 0xB000,
  kKeyframerHeader = 0xB00A,
  kKeyframerSegment = 0xB008,
  kKeyframerCurrent = 0xB009,
  kObjectNode = 0xB002,
  kNodeId = 0xB030,
  kNodeHeader = 0xB010,
  kPivot = 0xB013,
  kPositionTrack = 0xB020,
};

void map(ChunkWriter& w, std::uint16_t id, const std::string& file) {
  if (file.empty()) return;
  w.begin(id);
  w.percentChunk(kPercentInt, 100);
  w.begin(kMapFile);
  w.text(file);
  w.end();
  w.begin(kMapTiling);
  w.u16(0);
  w.end();
  w.begin(kMapUScale);
  w.f32(1.0f);
  w.end();
  w.begin(kMapVScale);
  w.f32(1.0f);
  w.end();
  w.end();
}

void material(ChunkWriter& w, const Material3ds& m) {
  w.begin(kMaterial);
  w.begin(kMaterialName);
  w.text(m.name);
  w.end();
  w.colourChunk(kAmbient, m.ambient);
  w.colourChunk(kDiffuse, m.diffuse);
  w.colourChunk(kSpecular, m.specular);
  w.percentChunk(kShininess, m.shininessPercent);
  w.percentChunk(kShininessStrength, 50);
  w.percentChunk(kTransparency, m.transparencyPercent);
  w.percentChunk(kTransparencyFalloff, 0);
  w.percentChunk(kReflectionBlur, 0);
  w.begin(kShading);
  w.u16(3);
  w.end();
  w.percentChunk(kSelfIllumination, 0);
  w.begin(kWireSize);
  w.f32(1.0f);
  w.end();
  map(w, kTextureMap, m.textureMap);
  map(w, kReflectionMap, m.reflectionMap);
  map(w, kBumpMap, m.bumpMap);
  w.end();
}

void mesh(ChunkWriter& w, const Mesh3ds& m) {
  w.begin(kNamedObject);
  w.text(m.name);
  w.begin(kTriangleMesh);
  w.begin(kVertexList);
  w.u16(static_cast<std::uint16_t>(m.vertices.size()));
  for (const Vector3& v : m.vertices)
    w.vec3(v);
  w.end();
  if (!m.texCoords.empty()) {
    w.begin(kTexCoords);
    w.u16(static_cast<std::uint16_t>(m.texCoords.size()));
    for (const TexCoord& t : m.texCoords) {
      w.f32(t.u);
      w.f32(t.v);
    }
    w.end();
  }
  w.begin(kMeshMatrix);
  const float rotation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  for (float f : rotation)
    w.f32(f);
  w.vec3(m.position);
  w.end();
  if (!m.faces.empty()) {
    w.begin(kFaceList);
    w.u16(static_cast<std::uint16_t>(m.faces.size()));
    for (const Face3ds& f : m.faces) {
      w.u16(f.a);
      w.u16(f.b);
      w.u16(f.c);
      w.u16(f.flags);
    }
    for (const MaterialGroup3ds& group : m.materialGroups) {
      w.begin(kFaceMaterial);
      w.text(group.material);
      w.u16(static_cast<std::uint16_t>(group.faces.size()));
      for (std::uint16_t face : group.faces)
        w.u16(face);
      w.end();
    }
    w.begin(kSmoothingGroups);
    for (std::size_t i = 0; i < m.faces.size(); ++i)
      w.u32(1);
    w.end();
    w.end();
  }
  w.end();
  w.end();
}

void light(ChunkWriter& w, const Light3ds& l) {
  w.begin(kNamedObject);
  w.text(l.name);
  w.begin(kLight);
  w.vec3(l.position);
  w.begin(kColourFloat);
  for (float c : l.colour)
    w.f32(c);
  w.end();
  w.begin(kLightMultiplier);
  w.f32(1.0f);
  w.end();
  w.end();
  w.end();
}

void camera(ChunkWriter& w, const Camera3ds& c) {
  w.begin(kNamedObject);
  w.text(c.name);
  w.begin(kCamera);
  w.vec3(c.position);
  w.vec3(c.target);
  w.f32(c.bank);
  w.f32(c.lens);
  w.begin(kCameraRanges);
  w.f32(1.0f);
  w.f32(10000.0f);
  w.end();
  w.end();
  w.end();
}

// A keyframer section such as tools write: one node per mesh with a position track whose only
// key puts the object somewhere else. The loader skips it whole.
void keyframer(ChunkWriter& w, const Scene3ds& scene) {
  w.begin(kKeyframer);
  w.begin(kKeyframerHeader);
  w.u16(5);
  w.text("MAXSCENE");
  w.u32(100);
  w.end();
  w.begin(kKeyframerSegment);
  w.u32(0);
  w.u32(100);
  w.end();
  w.begin(kKeyframerCurrent);
  w.u32(0);
  w.end();
  for (std::size_t i = 0; i < scene.meshes.size(); ++i) {
    w.begin(kObjectNode);
    w.begin(kNodeId);
    w.u16(static_cast<std::uint16_t>(i));
    w.end();
    w.begin(kNodeHeader);
    w.text(scene.meshes[i].name);
    w.u16(0);
    w.u16(0);
    w.u16(0xFFFF);
    w.end();
    w.begin(kPivot);
    w.vec3({});
    w.end();
    w.begin(kPositionTrack);
    w.u16(0);
    w.u32(0);
    w.u32(0);
    w.u32(1);
    w.u32(0);
    w.u16(0);
    w.vec3({999.0f, 999.0f, 999.0f});
    w.end();
    w.end();
  }
  w.end();
}

}  // namespace

void ChunkWriter::begin(std::uint16_t id) {
  open_.push_back(bytes_.size());
  u16(id);
  u32(0);
}

void ChunkWriter::end() {
  std::size_t start = open_.back();
  open_.pop_back();
  auto length = static_cast<std::uint32_t>(bytes_.size() - start);
  for (int i = 0; i < 4; ++i)
    bytes_[start + 2 + i] = static_cast<std::uint8_t>(length >> (8 * i));
}

void ChunkWriter::u16(std::uint16_t v) {
  u8(static_cast<std::uint8_t>(v));
  u8(static_cast<std::uint8_t>(v >> 8));
}

void ChunkWriter::u32(std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    u8(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ChunkWriter::f32(float v) {
  u32(std::bit_cast<std::uint32_t>(v));
}

void ChunkWriter::vec3(const Vector3& v) {
  f32(v.x);
  f32(v.y);
  f32(v.z);
}

void ChunkWriter::text(const std::string& s) {
  bytes_.insert(bytes_.end(), s.begin(), s.end());
  u8(0);
}

void ChunkWriter::colourChunk(std::uint16_t id, const Rgb& colour) {
  begin(id);
  begin(kColour24);
  u8(colour.r);
  u8(colour.g);
  u8(colour.b);
  end();
  begin(kColourGamma24);
  u8(colour.r);
  u8(colour.g);
  u8(colour.b);
  end();
  end();
}

void ChunkWriter::percentChunk(std::uint16_t id, int percent) {
  begin(id);
  begin(kPercentInt);
  u16(static_cast<std::uint16_t>(percent));
  end();
  end();
}

std::vector<std::uint8_t> write3ds(const Scene3ds& scene) {
  ChunkWriter w;
  w.begin(kMain);
  w.begin(kVersion);
  w.u32(3);
  w.end();
  w.begin(kEditor);
  w.begin(kMeshVersion);
  w.u32(3);
  w.end();
  for (const Material3ds& m : scene.materials)
    material(w, m);
  w.begin(kMasterScale);
  w.f32(1.0f);
  w.end();
  for (const Mesh3ds& m : scene.meshes)
    mesh(w, m);
  for (const Light3ds& l : scene.lights)
    light(w, l);
  for (const Camera3ds& c : scene.cameras)
    camera(w, c);
  w.end();
  if (scene.keyframer) keyframer(w, scene);
  w.end();
  return std::move(w.bytes());
}

}  // namespace tav::writer3ds
