// Drawing for the browser's OpenGL 1.1: a family of WebGL 2 programs, one for each combination of
// switches a draw uses, does what the fixed-function pipeline did for this engine (per-vertex
// lighting with colour material, two texture units with modulate and add, sphere-map
// coordinates); immediate mode is gathered and drawn in as few calls as the state allows.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/web/gl11_context.h"

namespace tav::gl11 {
namespace {

constexpr GLenum kAdd = 0x0104;

// What a program is made for: the switches of the state it draws with, as constants in its
// shaders, so that each draw runs only the work its state asks for.
enum Feature : std::uint32_t {
  kLit = 1u << 0,
  kColourMaterial = 1u << 1,
  kSphere0S = 1u << 2,
  kSphere0T = 1u << 3,
  kSphere1S = 1u << 4,
  kSphere1T = 1u << 5,
  kTexture0 = 1u << 6,
  kTexture1 = 1u << 7,
  kAdd0 = 1u << 8,
  kAdd1 = 1u << 9,
};
constexpr int kLightShift = 12;  // the number of lights on, when lit

// The programs the show draws with, made while it loads: made at their first draw, each held up
// a frame (the first took 139 ms on a software GPU). Its lit, textured meshes under its one
// light; its dual-textured meshes with the sphere map added on unit 1; its textured quads and
// overlays; and what it draws untextured. Any other state still gets its program when first
// drawn, and is counted (programsMadeWhileDrawing).
constexpr std::uint32_t kOneLight = 1u << kLightShift;
constexpr std::uint32_t kShowPrograms[] = {
    kLit | kColourMaterial | kTexture0 | kOneLight,
    kLit | kColourMaterial | kTexture0 | kTexture1 | kAdd1 | kSphere1S | kSphere1T | kOneLight,
    kTexture0,
    0,
};

constexpr const char* kVertexShader = R"(
precision highp float;
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
layout(location = 3) in vec2 aTex0;
layout(location = 4) in vec2 aTex1;
uniform mat4 uModelview;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;
#if defined(LIT) && !defined(COLOUR_MATERIAL)
uniform vec4 uMaterialAmbient;
uniform vec4 uMaterialDiffuse;
#endif
#if LIGHTS > 0
uniform vec4 uLightPosition[LIGHTS];
uniform vec4 uLightAmbient[LIGHTS];
uniform vec4 uLightDiffuse[LIGHTS];
#endif
out vec4 vColour;
#ifdef TEXTURE0
out vec2 vTex0;
#endif
#ifdef TEXTURE1
out vec2 vTex1;
#endif

// Sphere-map coordinates of a vertex at `eye` with `normal`, as fixed-function texgen makes them.
vec2 sphereMap(vec3 eye, vec3 normal) {
  vec3 u = normalize(eye);
  vec3 r = u - 2.0 * normal * dot(normal, u);
  float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
  return vec2(r.x / m + 0.5, r.y / m + 0.5);
}

void main() {
  vec4 eye = uModelview * vec4(aPosition, 1.0);
  gl_Position = uProjection * eye;
  vec3 normal = uNormalMatrix * aNormal;
#ifdef LIT
  // The material's ambient and diffuse are the colour when colour material tracks it, else
  // what they were left at; the scene ambient is (0.2, 0.2, 0.2).
#ifdef COLOUR_MATERIAL
  vec4 ambient = aColour;
  vec4 diffuse = aColour;
#else
  vec4 ambient = uMaterialAmbient;
  vec4 diffuse = uMaterialDiffuse;
#endif
  vec3 c = ambient.rgb * 0.2;
#if LIGHTS > 0
  for (int i = 0; i < LIGHTS; ++i) {
    vec3 l = uLightPosition[i].w == 0.0 ? uLightPosition[i].xyz : uLightPosition[i].xyz - eye.xyz;
    float nl = max(dot(normal, normalize(l)), 0.0);
    c += uLightAmbient[i].rgb * ambient.rgb + nl * uLightDiffuse[i].rgb * diffuse.rgb;
  }
#endif
  vColour = vec4(clamp(c, 0.0, 1.0), clamp(diffuse.a, 0.0, 1.0));
#else
  vColour = clamp(aColour, 0.0, 1.0);
#endif
  // Coordinates only for the units that draw: every output is interpolated at every pixel.
#ifdef TEXTURE0
  vTex0 = aTex0;
#endif
#ifdef TEXTURE1
  vTex1 = aTex1;
#endif
#if defined(SPHERE0_S) || defined(SPHERE0_T) || defined(SPHERE1_S) || defined(SPHERE1_T)
  vec2 st = sphereMap(eye.xyz, normal);
#endif
#ifdef SPHERE0_S
  vTex0.x = st.x;
#endif
#ifdef SPHERE0_T
  vTex0.y = st.y;
#endif
#ifdef SPHERE1_S
  vTex1.x = st.x;
#endif
#ifdef SPHERE1_T
  vTex1.y = st.y;
#endif
}
)";

constexpr const char* kFragmentShader = R"(
precision highp float;
in vec4 vColour;
#ifdef TEXTURE0
in vec2 vTex0;
uniform sampler2D uTexture0;
#endif
#ifdef TEXTURE1
in vec2 vTex1;
uniform sampler2D uTexture1;
#endif
out vec4 fragColour;

// A texture unit's environment: the texel added to the fragment, or multiplied with it.
vec4 combine(vec4 fragment, vec4 texel, bool add) {
  return add ? vec4(min(fragment.rgb + texel.rgb, 1.0), fragment.a * texel.a) : fragment * texel;
}

void main() {
  vec4 c = vColour;
#ifdef TEXTURE0
  c = combine(c, texture(uTexture0, vTex0), ADD0);
#endif
#ifdef TEXTURE1
  c = combine(c, texture(uTexture1, vTex1), ADD1);
#endif
  fragColour = c;
}
)";

// The shaders' source for `features`: their switches as definitions.
std::string withFeatures(const char* body, std::uint32_t features) {
  std::string source =
      "#version 300 es\n#define LIGHTS " + std::to_string(features >> kLightShift) + "\n";
  const std::pair<Feature, const char*> names[] = {{kLit, "LIT"},
                                                   {kColourMaterial, "COLOUR_MATERIAL"},
                                                   {kSphere0S, "SPHERE0_S"},
                                                   {kSphere0T, "SPHERE0_T"},
                                                   {kSphere1S, "SPHERE1_S"},
                                                   {kSphere1T, "SPHERE1_T"},
                                                   {kTexture0, "TEXTURE0"},
                                                   {kTexture1, "TEXTURE1"}};
  for (const auto& [bit, name] : names) {
    if (features & bit) source += std::string("#define ") + name + "\n";
  }
  // Constants the compiler folds: add or modulate, per unit.
  source += std::string("#define ADD0 ") + (features & kAdd0 ? "true" : "false") + "\n";
  source += std::string("#define ADD1 ") + (features & kAdd1 ? "true" : "false") + "\n";
  return source + body;
}

GLuint compile(GLenum kind, const std::string& source) {
  GLuint shader = glCreateShader(kind);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024];
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::fprintf(stderr, "gl11: shader does not compile: %s\n", log);
  }
  return shader;
}

// What the program was last given, so that a draw sends only what changed: most of a frame's
// draws change a matrix or two and nothing else.
struct Sent {
  Mat4 modelview, projection;
  std::array<float, kLights * 4> lightPosition{}, lightAmbient{}, lightDiffuse{};
  std::array<float, 4> materialAmbient{-1, -1, -1, -1}, materialDiffuse{-1, -1, -1, -1};
};

template <typename T>
bool differs(T& sent, const T& now) {
  if (sent == now) return false;
  sent = now;
  return true;
}

}  // namespace

// One program of the family, with the uniforms it has.
struct Context::Program {
  GLuint id = 0;
  int lights = 0;
  GLint modelview, projection, normalMatrix, lightPosition, lightAmbient, lightDiffuse,
      materialAmbient, materialDiffuse;
  Sent sent;

  explicit Program(std::uint32_t features) : lights(static_cast<int>(features >> kLightShift)) {
    id = glCreateProgram();
    GLuint vs = compile(GL_VERTEX_SHADER, withFeatures(kVertexShader, features));
    GLuint fs = compile(GL_FRAGMENT_SHADER, withFeatures(kFragmentShader, features));
    glAttachShader(id, vs);
    glAttachShader(id, fs);
    glLinkProgram(id);
    glDeleteShader(vs);
    glDeleteShader(fs);
    auto at = [this](const char* name) { return glGetUniformLocation(id, name); };
    modelview = at("uModelview");
    projection = at("uProjection");
    normalMatrix = at("uNormalMatrix");
    lightPosition = at("uLightPosition");
    lightAmbient = at("uLightAmbient");
    lightDiffuse = at("uLightDiffuse");
    materialAmbient = at("uMaterialAmbient");
    materialDiffuse = at("uMaterialDiffuse");
    glUseProgram(id);
    glUniform1i(at("uTexture0"), 0);
    glUniform1i(at("uTexture1"), 1);
    // Everything the shaders read starts as a fresh context has it.
    glUniformMatrix4fv(modelview, 1, GL_FALSE, sent.modelview.m.data());
    glUniformMatrix4fv(projection, 1, GL_FALSE, sent.projection.m.data());
    glUniformMatrix3fv(normalMatrix, 1, GL_FALSE, gl11::normalMatrix(sent.modelview).data());
  }
  ~Program() { glDeleteProgram(id); }

  // Sends what the draw needs and this program's last draw did not have.
  void update(const Context& c) {
    const Mat4& m = c.modelview.back();
    if (differs(sent.modelview, m)) {
      glUniformMatrix4fv(modelview, 1, GL_FALSE, m.m.data());
      glUniformMatrix3fv(normalMatrix, 1, GL_FALSE, gl11::normalMatrix(m).data());
    }
    if (differs(sent.projection, c.projection.back())) {
      glUniformMatrix4fv(projection, 1, GL_FALSE, sent.projection.m.data());
    }
    if (materialAmbient >= 0 && differs(sent.materialAmbient, c.materialAmbient)) {
      glUniform4fv(materialAmbient, 1, c.materialAmbient.data());
    }
    if (materialDiffuse >= 0 && differs(sent.materialDiffuse, c.materialDiffuse)) {
      glUniform4fv(materialDiffuse, 1, c.materialDiffuse.data());
    }
    if (lights == 0) return;
    // The lights that are on, in order.
    std::array<float, kLights * 4> positions{}, ambient{}, diffuse{};
    std::size_t n = 0;
    for (const Light& light : c.lights) {
      if (!light.on) continue;
      std::memcpy(&positions[4 * n], light.position.data(), sizeof(float) * 4);
      std::memcpy(&ambient[4 * n], light.ambient.data(), sizeof(float) * 4);
      std::memcpy(&diffuse[4 * n], light.diffuse.data(), sizeof(float) * 4);
      ++n;
    }
    if (differs(sent.lightPosition, positions)) {
      glUniform4fv(lightPosition, lights, positions.data());
    }
    if (differs(sent.lightAmbient, ambient)) glUniform4fv(lightAmbient, lights, ambient.data());
    if (differs(sent.lightDiffuse, diffuse)) glUniform4fv(lightDiffuse, lights, diffuse.data());
  }
};

Context::Context(int width, int height) : canvasWidth_(width), canvasHeight_(height) {
  viewport = {0, 0, width, height};
  scissorBox = viewport;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  // The browser hands out the canvas's one WebGL context again to a context made anew (tests
  // make one per case): WebGL starts as this context's state says, whatever it was left at.
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glDepthMask(GL_TRUE);
  glDisable(GL_SCISSOR_TEST);
  glScissor(0, 0, width, height);
  glViewport(0, 0, width, height);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  for (std::uint32_t features : kShowPrograms)
    programs_[features] = std::make_unique<Program>(features);
  glUseProgram(0);
}

Context::~Context() {
  meshes_.clear();
  programs_.clear();
  for (const StreamBuffers& stream : streams_) {
    glDeleteBuffers(1, &stream.vertices);
    glDeleteBuffers(1, &stream.indices);
    glDeleteVertexArrays(1, &stream.vao);
  }
}

// The buffers for the frame's next batch: made, with the corners' layout, the first time a
// frame has this many batches.
Context::StreamBuffers& Context::nextStream() {
  if (nextStream_ == kMaxStreams) nextStream_ = 0;
  if (nextStream_ == streams_.size()) {
    ++work_.batchBuffersMade;
    StreamBuffers& stream = streams_.emplace_back();
    glGenBuffers(1, &stream.vertices);
    glGenBuffers(1, &stream.indices);
    glGenVertexArrays(1, &stream.vao);
    glBindVertexArray(stream.vao);
    glBindBuffer(GL_ARRAY_BUFFER, stream.vertices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, stream.indices);
    constexpr auto stride = static_cast<GLsizei>(sizeof(Vertex));
    auto attribute = [](GLuint index, GLint size, std::size_t offset) {
      glEnableVertexAttribArray(index);
      glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, stride,
                            reinterpret_cast<const void*>(offset));
    };
    attribute(0, 3, offsetof(Vertex, position));
    attribute(1, 3, offsetof(Vertex, normal));
    attribute(2, 4, offsetof(Vertex, colour));
    attribute(3, 2, offsetof(Vertex, tex0));
    attribute(4, 2, offsetof(Vertex, tex1));
  }
  return streams_[nextStream_++];
}

// The program for the state in force, with what it reads sent, and the texture units bound.
void Context::useProgram(bool lines) {
  std::uint32_t features = 0;
  if (lighting) {
    features |= kLit;
    if (colourMaterial) features |= kColourMaterial;
    const auto on =
        std::count_if(lights.begin(), lights.end(), [](const Light& l) { return l.on; });
    features |= static_cast<std::uint32_t>(on) << kLightShift;
  }
  for (std::size_t u = 0; u < kUnits; ++u) {
    const TextureUnit& unit = units[u];
    // A unit whose texture has no image draws as if texturing were off, as desktop GL does.
    if (!unit.enabled || !complete(unit.bound)) continue;
    if (TextureState& texture = textures[unit.bound]; !texture.drawn) {
      texture.drawn = true;
      ++work_.texturesFirstDrawn;
    }
    features |= u == 0 ? kTexture0 : kTexture1;
    if (unit.envMode == kAdd) features |= u == 0 ? kAdd0 : kAdd1;
    if (boundUnits_[u] != unit.bound) {
      boundUnits_[u] = unit.bound;
      glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(u));
      glBindTexture(GL_TEXTURE_2D, unit.bound);
    }
    // Coordinates are made only for a unit that reads them: texgen left on a unit that is off
    // changes no pixel, and so makes no program of its own.
    const int shift = u == 0 ? 0 : 2;
    if (unit.genS && unit.sphereS) features |= kSphere0S << shift;
    if (unit.genT && unit.sphereT) features |= kSphere0T << shift;
  }
  features_ = features;
  std::unique_ptr<Program>& program = programs_[features];
  if (!program) {
    program = std::make_unique<Program>(features);
    ++programsMadeWhileDrawing_;
  }
  if (program.get() != inUse_) {
    inUse_ = program.get();
    glUseProgram(inUse_->id);
  }
  inUse_->update(*this);
  // Lines are edges of polygons that were already culled by their facing.
  const bool cull = cullFace && !lines;
  if (cull != culling_) {
    culling_ = cull;
    cull ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
  }
  // WebGL makes a pipeline for each set of blend factors, used or not: with blending off they
  // are left at one set, so that a change the engine makes while blending is off costs nothing.
  if (blend != blending_) {
    blending_ = blend;
    blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
  }
  if (blend && blendFactors != sentFactors_) {
    sentFactors_ = blendFactors;
    glBlendFunc(blendFactors[0], blendFactors[1]);
  }
}

// A driver makes its pipeline for a combination of program, fixed state and vertex layout at the
// first draw in it (compiling code, on a software GPU): such draws are counted for the report.
void Context::noteState(bool lines, std::uint32_t layout) {
  auto factor = [](GLenum f) -> std::uint64_t {
    return (f >= GL_SRC_COLOR ? f - GL_SRC_COLOR + 2 : f) & 0xF;
  };
  std::uint64_t key = features_;
  key = key << 1 | (cullFace && !lines);
  key = key << 8 | (blend ? 1u << 7 | factor(blendFactors[0]) << 4 | factor(blendFactors[1]) : 0);
  key = key << 1 | depthTest;
  key = key << 3 | ((depthFunction - GL_NEVER) & 7);
  key = key << 1 | depthWrites;
  key = key << 1 | lines;
  key = key << 3 | (layout & 7);
  if (statesDrawn_.insert(key).second) ++work_.statesFirstDrawn;
}

void Context::texturesChanged() {
  boundUnits_.fill(0xFFFFFFFFu);
}

void Context::draw(const std::vector<Vertex>& vertices, const std::vector<std::uint32_t>& indices,
                   bool lines) {
  if (indices.empty()) return;
  useProgram(lines);
  noteState(lines, 0);
  StreamBuffers& stream = nextStream();
  glBindVertexArray(stream.vao);
  glBindBuffer(GL_ARRAY_BUFFER, stream.vertices);
  // Storage grows to the largest batch its place in the frame has held, and is then written in
  // place: storage made anew for every batch piles up for the browser to free, in pauses.
  auto send = [this](GLenum target, std::size_t& held, const void* data, std::size_t bytes) {
    if (bytes > held) {
      held = std::bit_ceil(std::max<std::size_t>(bytes, 4096));
      glBufferData(target, static_cast<GLsizeiptr>(held), nullptr, GL_STREAM_DRAW);
      work_.storageBytes += held;
    }
    glBufferSubData(target, 0, static_cast<GLsizeiptr>(bytes), data);
    work_.sentBytes += bytes;
  };
  send(GL_ARRAY_BUFFER, stream.vertexBytes, vertices.data(), vertices.size() * sizeof(Vertex));
  send(GL_ELEMENT_ARRAY_BUFFER, stream.indexBytes, indices.data(),
       indices.size() * sizeof(std::uint32_t));
  glDrawElements(lines ? GL_LINES : GL_TRIANGLES, static_cast<GLsizei>(indices.size()),
                 GL_UNSIGNED_INT, nullptr);
  ++work_.draws;
}

// A scissor box that holds no pixel of the canvas lets nothing through: such draws are not
// sent at all (the engine narrows additive overlays off screen to an empty box).
bool Context::scissoredAway() const {
  if (!scissorTest) return false;
  const auto [x, y, width, height] = scissorBox;
  return width <= 0 || height <= 0 || x >= canvasWidth_ || y >= canvasHeight_ || x + width <= 0 ||
         y + height <= 0;
}

void Context::flush() {
  if (pendingIndices.empty()) return;
  if (!scissoredAway()) draw(pending, pendingIndices, pendingLines);
  pending.clear();
  pendingIndices.clear();
}

// A polygon faces away unless its corners run counter-clockwise on the screen, judged as
// fixed-function GL judges it: on what is left after clipping, a polygon of no area facing away.
// The part in front of the eye has the orientation of the corners' clip coordinates (x, y, w)
// taken as a determinant, whatever the sign of w; a fan of such determinants sums a polygon.
bool Context::backFacing(const Vertex* corners, int n) const {
  const Mat4 mvp = projection.back() * modelview.back();
  auto clip = [&mvp](const float* v, int row) {
    return static_cast<double>(mvp.at(row, 0)) * v[0] + static_cast<double>(mvp.at(row, 1)) * v[1] +
           static_cast<double>(mvp.at(row, 2)) * v[2] + static_cast<double>(mvp.at(row, 3));
  };
  std::array<std::array<double, 3>, 4> p{};  // x, y, w of up to four corners
  for (int i = 0; i < n && i < 4; ++i) {
    const float* v = corners[i].position;
    p[static_cast<std::size_t>(i)] = {clip(v, 0), clip(v, 1), clip(v, 3)};
  }
  // Corners on one line leave rounding noise, not an area: below a millionth of the terms'
  // size, the polygon has none.
  double area = 0.0, size = 0.0;
  for (std::size_t i = 1; i + 1 < static_cast<std::size_t>(n); ++i) {
    const auto& a = p[0];
    const auto& b = p[i];
    const auto& c = p[i + 1];
    const double terms[] = {a[0] * b[1] * c[2], -a[0] * c[1] * b[2], -a[1] * b[0] * c[2],
                            a[1] * c[0] * b[2], a[2] * b[0] * c[1],  -a[2] * c[0] * b[1]};
    for (double t : terms) {
      area += t;
      size += std::abs(t);
    }
  }
  return area <= size * 1e-6;
}

void Context::emitPolygon(const Vertex* corners, int n) {
  if (wireframe && cullFace && backFacing(corners, n)) return;
  // One batch is all triangles or all lines.
  if (!pending.empty() && pendingLines != wireframe) flush();
  pendingLines = wireframe;
  // Each corner once; a quad's four make two triangles that share two of them.
  const auto first = static_cast<std::uint32_t>(pending.size());
  pending.insert(pending.end(), corners, corners + n);
  for (std::uint32_t i = 0; wireframe && i < static_cast<std::uint32_t>(n); ++i) {
    pendingIndices.insert(pendingIndices.end(),
                          {first + i, first + (i + 1) % static_cast<std::uint32_t>(n)});
  }
  for (std::uint32_t i = 1; !wireframe && i + 1 < static_cast<std::uint32_t>(n); ++i) {
    pendingIndices.insert(pendingIndices.end(), {first, first + i, first + i + 1});
  }
}

}  // namespace tav::gl11
