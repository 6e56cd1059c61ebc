#pragma once
// The state of the browser's OpenGL 1.1 context and the WebGL 2 program that draws with it. One
// context per canvas, made current as a desktop context is; calls with none current do nothing.
#include <GLES3/gl3.h>

#include <array>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/web/gl11_api.h"
#include "platform/web/gl11_math.h"

namespace tav::gl11 {

inline constexpr int kLights = 8;
inline constexpr int kUnits = 2;

struct Light {
  bool on = false;
  std::array<float, 4> ambient{0, 0, 0, 1};
  std::array<float, 4> diffuse{0, 0, 0, 1};
  std::array<float, 4> specular{0, 0, 0, 1};
  std::array<float, 4> position{0, 0, 1, 0};  // in eye space, as the modelview placed it
};

struct TextureUnit {
  bool enabled = false;
  bool sphereS = false;  // GL_TEXTURE_GEN_S on, with the sphere-map mode
  bool sphereT = false;
  bool genS = false;
  bool genT = false;
  GLuint bound = 0;
  GLenum envMode = 0x2100;  // GL_MODULATE
};

// One corner as the vertex shader reads it.
struct Vertex {
  float position[3];
  float normal[3];
  float colour[4];
  float tex0[2];
  float tex1[2];
};

struct ClientArray {
  bool enabled = false;
  const float* pointer = nullptr;
};

// One mesh's client arrays on the GPU, with the copies they were made from (gl11_arrays.cpp).
struct MeshArrays {
  enum Buffer : std::size_t { kPositions, kNormals, kCoordinates, kIndices, kBuffers };

  MeshArrays();
  ~MeshArrays();
  MeshArrays(const MeshArrays&) = delete;
  MeshArrays& operator=(const MeshArrays&) = delete;

  std::size_t bytes() const;
  // Attribute `index` reads `buffer`, sent anew when `changed`, or its constant when not `on`.
  void attach(Buffer buffer, GLuint index, GLint size, bool on, bool changed,
              const std::vector<float>& data, Work& work);

  GLuint vao = 0;
  std::array<GLuint, kBuffers> buffers{};
  std::vector<float> positions, normals, coordinates;
  std::vector<std::uint32_t> indices;
  std::uint32_t highest = 0;  // the highest index: the arrays hold highest + 1 vertices
  std::array<bool, kBuffers> attached{};
  std::uint64_t lastDrawn = 0;
};

class Context {
 public:
  // The canvas is `width` × `height`: the first viewport and scissor box.
  Context(int width, int height);
  ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  // Draws what immediate mode has gathered; every change of state calls it first.
  void flush();
  // Textures were bound on WebGL outside a draw: the next draw binds its own again.
  void texturesChanged();
  // Programs made at a draw because the context did not make them up front.
  int programsMadeWhileDrawing() const { return programsMadeWhileDrawing_; }
  // What it has sent to WebGL so far.
  const Work& work() const { return work_; }
  Work& work() { return work_; }

  // Matrices.
  GLenum matrixMode = 0x1700;  // GL_MODELVIEW
  std::vector<Mat4> modelview{Mat4{}};
  std::vector<Mat4> projection{Mat4{}};
  Mat4& top() { return matrixMode == 0x1701 ? projection.back() : modelview.back(); }

  // Switches.
  bool lighting = false;
  bool colourMaterial = false;
  // The material's ambient and diffuse while colour material is off: its defaults, or the
  // colour it last tracked.
  std::array<float, 4> materialAmbient{0.2f, 0.2f, 0.2f, 1.0f};
  std::array<float, 4> materialDiffuse{0.8f, 0.8f, 0.8f, 1.0f};
  bool blend = false;
  std::array<GLenum, 2> blendFactors{1, 0};  // GL_ONE, GL_ZERO
  bool depthTest = false;
  GLenum depthFunction = 0x0201;  // GL_LESS
  bool depthWrites = true;
  bool scissorTest = false;
  bool cullFace = false;
  bool wireframe = false;
  // Light 0 starts white, the others dark, as a fresh desktop context has them.
  std::array<Light, kLights> lights{Light{false, {0, 0, 0, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}}};
  std::array<TextureUnit, kUnits> units{};
  int activeUnit = 0;
  // What desktop GL needs of a texture before it draws with it: an image, and a minifying filter
  // that asks for no mipmaps (the first one does).
  struct TextureState {
    bool image = false;
    bool plainFilter = false;
    bool drawn = false;
  };
  std::map<GLuint, TextureState> textures;
  bool complete(GLuint texture) const {
    auto found = textures.find(texture);
    return found != textures.end() && found->second.image && found->second.plainFilter;
  }
  std::array<float, 4> clearColour{0, 0, 0, 0};
  std::array<GLint, 4> viewport{};
  std::array<GLint, 4> scissorBox{};

  // Immediate mode and client arrays.
  bool inBegin = false;
  GLenum mode = 0;
  Vertex current{{0, 0, 0}, {0, 0, 1}, {1, 1, 1, 1}, {0, 0}, {0, 0}};
  std::vector<Vertex> primitive;              // the corners since glBegin
  std::vector<Vertex> pending;                // corners of whole polygons waiting to be drawn
  std::vector<std::uint32_t> pendingIndices;  // their triangles, or their edges as line pairs
  bool pendingLines = false;
  ClientArray vertexArray, normalArray, texCoordArray;

  // Draws the `indices` of `vertices` as triangles or as lines.
  void draw(const std::vector<Vertex>& vertices, const std::vector<std::uint32_t>& indices,
            bool lines);
  // The frame is presented: its batches' buffers may be written again.
  void frameEnded() { nextStream_ = 0; }
  void drawArrays(const std::uint32_t* indices, std::size_t count);
  // The corners of one polygon, as triangles or as its edges, into `pending`.
  void emitPolygon(const Vertex* corners, int n);

 private:
  void useProgram(bool lines);
  // Counts a draw in a state not drawn in before; `layout` tells the vertex arrays apart.
  void noteState(bool lines, std::uint32_t layout);
  bool scissoredAway() const;
  bool backFacing(const Vertex* corners, int n) const;
  void constantAttribute(GLuint index, const float* value);
  void forgetIfOverBound();

  struct Program;
  std::map<std::uint32_t, std::unique_ptr<Program>> programs_;  // by the switches they serve
  Program* inUse_ = nullptr;
  int programsMadeWhileDrawing_ = 0;
  Work work_;
  std::uint32_t features_ = 0;  // of the program the last draw used
  std::unordered_set<std::uint64_t> statesDrawn_;
  std::array<GLuint, kUnits> boundUnits_{};
  bool culling_ = false;
  bool blending_ = false;
  std::array<GLenum, 2> sentFactors_{1, 0};
  int canvasWidth_ = 0;
  int canvasHeight_ = 0;
  // Immediate mode's batches, each in buffers of its own that no other draw of the frame reads
  // (gl11_draw.cpp): a GPU that is still to draw what a buffer held before it is written waits
  // for that draw, or copies the buffer, before taking the new data.
  struct StreamBuffers {
    GLuint vao = 0;
    GLuint vertices = 0;
    GLuint indices = 0;
    std::size_t vertexBytes = 0;  // storage held
    std::size_t indexBytes = 0;
  };
  // More batches in a frame than this take the first buffers again (and may wait).
  static constexpr std::size_t kMaxStreams = 256;
  std::vector<StreamBuffers> streams_;
  std::size_t nextStream_ = 0;
  StreamBuffers& nextStream();

  // Client arrays on the GPU, by where a mesh's vertices lie.
  std::unordered_map<const float*, std::unique_ptr<MeshArrays>> meshes_;
  std::size_t keptBytes_ = 0;
  std::uint64_t draws_ = 0;
  // The constant attributes as WebGL holds them (an array that is off reads its constant).
  std::array<std::array<float, 4>, 5> constants_{
      {{0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}}};
};

Context* current();
void makeCurrent(Context* context);

}  // namespace tav::gl11
