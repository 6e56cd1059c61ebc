#pragma once
// The records of the scene database: what a loaded model holds.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/vector3.h"

namespace tav {

struct Face {
  std::int32_t a = 0;
  std::int32_t b = 0;
  std::int32_t c = 0;
  std::int32_t material = -1;  // index into the model's materials; -1: none
};

struct TexCoord {
  float u = 0.0f;
  float v = 0.0f;
};

struct MeshObject {
  // Entries in vertices (and vertexNormals, baseNormals), faces (and faceNormals), texCoords.
  std::int32_t vertexCount = 0;
  std::int32_t faceCount = 0;
  std::int32_t texCoordCount = 0;
  // While negative, drawing leaves the material state as it is.
  std::int32_t materialState = 0;
  // Relative to position for a mesh with faces; in file coordinates for a path object.
  std::vector<Vector3> vertices;
  std::vector<Vector3> vertexNormals;
  std::vector<Face> faces;
  std::vector<Vector3> faceNormals;
  std::vector<TexCoord> texCoords;   // per vertex index, where they exist
  std::vector<Vector3> baseNormals;  // the vertex normals as computed, for the distortion style
  Vector3 position;
  Vector3 rotation;                 // degrees about X, Y, Z
  Vector3 scale{1.0f, 1.0f, 1.0f};  // drawn only while all three are above 0
  // A path object left empty by damage in its file: it still takes its place among the tracks.
  bool emptiedPath = false;
  std::string name;  // at most 31 characters

  // A face is drawn and given a normal only when all its corners are vertices of this object.
  bool faceInRange(const Face& f) const {
    return f.a >= 0 && f.a < vertexCount && f.b >= 0 && f.b < vertexCount && f.c >= 0 &&
           f.c < vertexCount;
  }
};

struct Camera {
  Vector3 position;
  Vector3 target;
  float bank = 0.0f;
  float lens = 0.0f;
};

struct Rgba {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 0.0f;
};

struct Light {
  Vector3 position;
  Rgba ambient{0.1f, 0.1f, 0.1f, 1.0f};
  Rgba diffuse{0.7f, 0.7f, 0.7f, 1.0f};
  Rgba specular{1.0f, 1.0f, 1.0f, 1.0f};
};

// A closed-loop Bezier path through `points`, built from a path object's vertices. Parameter k
// is key k; the curve loops over keys 1 to keyCount - 2 with period keyCount - 2.
struct Track {
  std::vector<Vector3> points;
  std::vector<Vector3> handles;
  float tension = 0.5f;
  std::int32_t keyCount = 0;

  // The curve point at parameter t. A track of fewer than 3 keys has no loop: it gives its first
  // point (the origin when it has none). A track with no keys, a damaged path object's, is
  // followed as no path.
  Vector3 evaluate(float t) const;
};

namespace material_flags {
inline constexpr std::uint32_t kFlat = 0x1;
inline constexpr std::uint32_t kSmooth = 0x2;
inline constexpr std::uint32_t kTextured = 0x4;
inline constexpr std::uint32_t kReflective = 0x8;
inline constexpr std::uint32_t kCullBack = 0x10;
inline constexpr std::uint32_t kDualTextured = 0x20;
inline constexpr std::uint32_t kAdditive = 0x40;
inline constexpr std::uint32_t kSprite = 0x80;
inline constexpr std::uint32_t kDistort = 0x100;
}  // namespace material_flags

struct Material {
  std::string name;
  std::string texture0File;  // empty: none
  std::string texture1File;
  std::uint8_t colour[3] = {0, 0, 0};
  float opacity = 1.0f;  // below 1: drawn in the blended pass
  std::uint32_t flags = 0;
  float distortParameters[3] = {0.0f, 0.0f, 0.0f};
  std::int32_t texture0 = -1;  // OpenGL texture ids; -1: not loaded
  std::int32_t texture1 = -1;
};

struct Model {
  std::vector<MeshObject> meshes;
  std::vector<Camera> cameras;
  std::vector<Light> lights;
  std::vector<Track> tracks;
  std::vector<Material> materials;

  std::int32_t meshCount() const { return static_cast<std::int32_t>(meshes.size()); }
  std::int32_t cameraCount() const { return static_cast<std::int32_t>(cameras.size()); }
  std::int32_t lightCount() const { return static_cast<std::int32_t>(lights.size()); }
  std::int32_t trackCount() const { return static_cast<std::int32_t>(tracks.size()); }
  std::int32_t materialCount() const { return static_cast<std::int32_t>(materials.size()); }
};

namespace render_flags {
inline constexpr std::int32_t kWireframe = 1;
inline constexpr std::int32_t kDepthTest = 2;
inline constexpr std::int32_t kSpriteFade = 4;
}  // namespace render_flags

class GlState;
struct TexelBounds;

struct RenderSettings {
  std::int32_t flags = render_flags::kDepthTest;
  float clearColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  float spriteSize = 10.0f;  // half the edge of a sprite quad
  float spriteAlpha = 0.9f;
  // A scene sets both before it turns on kSpriteFade.
  float fadeCentreX = 0.0f;
  float fadeRate = 0.0f;

  // Drawing with these settings (engine/render).
  void clear(GlState& gl) const;
  void clearDepth(GlState& gl) const;
  // One model as seen from its camera `cameraIndex`: lights, camera, raster state, the opaque
  // objects, then the blended ones.
  void renderPass(Model& model, std::int32_t cameraIndex, GlState& gl) const;
  // A textured rectangle in a fixed eye space; texture -1: untextured. With `bounds`, a blended
  // one fills only the pixels where the texture is not black.
  void drawScreenQuad(Vector3 position, Vector3 rotation, Vector3 size, float alpha,
                      std::int32_t texture, GlState& gl, const TexelBounds* bounds = nullptr) const;
};

}  // namespace tav
