// Drawing for the browser's OpenGL 1.1: one WebGL 2 program does what the fixed-function pipeline
// did for this engine (per-vertex lighting with colour material, two texture units with modulate
// and add, sphere-map coordinates); immediate mode is gathered and drawn in as few calls as the
// state allows.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "platform/web/gl11_context.h"

namespace tav::gl11 {
namespace {

constexpr GLenum kAdd = 0x0104;

constexpr const char* kVertexShader = R"(#version 300 es
precision highp float;
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
layout(location = 3) in vec2 aTex0;
layout(location = 4) in vec2 aTex1;
uniform mat4 uModelview;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;
uniform bool uLighting;
uniform bool uColourMaterial;
uniform bool uLightOn[8];
uniform vec4 uLightPosition[8];
uniform vec4 uLightAmbient[8];
uniform vec4 uLightDiffuse[8];
uniform bvec2 uSphere0;
uniform bvec2 uSphere1;
out vec4 vColour;
out vec2 vTex0;
out vec2 vTex1;

vec2 sphereMap(vec2 given, bvec2 on, vec3 eye, vec3 normal) {
  if (!on.x && !on.y) return given;
  vec3 u = normalize(eye);
  vec3 r = u - 2.0 * normal * dot(normal, u);
  float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
  vec2 st = vec2(r.x / m + 0.5, r.y / m + 0.5);
  return vec2(on.x ? st.x : given.x, on.y ? st.y : given.y);
}

void main() {
  vec4 eye = uModelview * vec4(aPosition, 1.0);
  gl_Position = uProjection * eye;
  vec3 normal = uNormalMatrix * aNormal;
  vColour = aColour;
  if (uLighting) {
    // The material's ambient and diffuse are the colour when colour material tracks it, else
    // their defaults; the scene ambient is (0.2, 0.2, 0.2).
    vec4 ambient = uColourMaterial ? aColour : vec4(0.2, 0.2, 0.2, 1.0);
    vec4 diffuse = uColourMaterial ? aColour : vec4(0.8, 0.8, 0.8, 1.0);
    vec3 c = ambient.rgb * 0.2;
    for (int i = 0; i < 8; ++i) {
      if (!uLightOn[i]) continue;
      vec3 l = uLightPosition[i].w == 0.0 ? uLightPosition[i].xyz
                                          : uLightPosition[i].xyz - eye.xyz;
      float nl = max(dot(normal, normalize(l)), 0.0);
      c += uLightAmbient[i].rgb * ambient.rgb + nl * uLightDiffuse[i].rgb * diffuse.rgb;
    }
    vColour = vec4(clamp(c, 0.0, 1.0), clamp(diffuse.a, 0.0, 1.0));
  }
  vTex0 = sphereMap(aTex0, uSphere0, eye.xyz, normal);
  vTex1 = sphereMap(aTex1, uSphere1, eye.xyz, normal);
}
)";

constexpr const char* kFragmentShader = R"(#version 300 es
precision highp float;
in vec4 vColour;
in vec2 vTex0;
in vec2 vTex1;
uniform sampler2D uTexture0;
uniform sampler2D uTexture1;
uniform bool uTextureOn[2];
uniform bool uAdd[2];
out vec4 fragColour;

vec4 combine(vec4 fragment, vec4 texel, bool add) {
  return add ? vec4(min(fragment.rgb + texel.rgb, 1.0), fragment.a * texel.a) : fragment * texel;
}

void main() {
  vec4 c = vColour;
  if (uTextureOn[0]) c = combine(c, texture(uTexture0, vTex0), uAdd[0]);
  if (uTextureOn[1]) c = combine(c, texture(uTexture1, vTex1), uAdd[1]);
  fragColour = c;
}
)";

GLuint compile(GLenum kind, const char* source) {
  GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
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

}  // namespace

// What the program was last given, so that a draw sends only what changed: most of a frame's
// draws change a matrix or two and nothing else.
struct Sent {
  Mat4 modelview, projection;
  bool lighting = false, colourMaterial = false, cull = false;
  std::array<GLint, kLights> lightOn{};
  std::array<float, kLights * 4> lightPosition{}, lightAmbient{}, lightDiffuse{};
  std::array<GLint, kUnits> textureOn{}, add{};
  std::array<GLuint, kUnits> bound{};
  std::array<GLint, 4> sphere{};
};

template <typename T>
bool differs(T& sent, const T& now) {
  if (sent == now) return false;
  sent = now;
  return true;
}

bool operator==(const Mat4& a, const Mat4& b) {
  return a.m == b.m;
}

struct Context::Program {
  GLuint id = 0;
  GLint modelview, projection, normalMatrix, lighting, colourMaterial, lightOn, lightPosition,
      lightAmbient, lightDiffuse, sphere0, sphere1, textureOn, add;
  Sent sent;

  Program() {
    id = glCreateProgram();
    GLuint vs = compile(GL_VERTEX_SHADER, kVertexShader);
    GLuint fs = compile(GL_FRAGMENT_SHADER, kFragmentShader);
    glAttachShader(id, vs);
    glAttachShader(id, fs);
    glLinkProgram(id);
    glDeleteShader(vs);
    glDeleteShader(fs);
    auto at = [this](const char* name) { return glGetUniformLocation(id, name); };
    modelview = at("uModelview");
    projection = at("uProjection");
    normalMatrix = at("uNormalMatrix");
    lighting = at("uLighting");
    colourMaterial = at("uColourMaterial");
    lightOn = at("uLightOn");
    lightPosition = at("uLightPosition");
    lightAmbient = at("uLightAmbient");
    lightDiffuse = at("uLightDiffuse");
    sphere0 = at("uSphere0");
    sphere1 = at("uSphere1");
    textureOn = at("uTextureOn");
    add = at("uAdd");
    glUseProgram(id);
    glUniform1i(at("uTexture0"), 0);
    glUniform1i(at("uTexture1"), 1);
    // Everything the shader reads starts as a fresh context has it.
    glUniformMatrix4fv(modelview, 1, GL_FALSE, sent.modelview.m.data());
    glUniformMatrix4fv(projection, 1, GL_FALSE, sent.projection.m.data());
    glUniformMatrix3fv(normalMatrix, 1, GL_FALSE, gl11::normalMatrix(sent.modelview).data());
  }
  ~Program() { glDeleteProgram(id); }

  // Sends what the draw needs and the last draw did not have.
  void update(const Context& c, bool lines) {
    const Mat4& m = c.modelview.back();
    if (differs(sent.modelview, m)) {
      glUniformMatrix4fv(modelview, 1, GL_FALSE, m.m.data());
      glUniformMatrix3fv(normalMatrix, 1, GL_FALSE, gl11::normalMatrix(m).data());
    }
    if (differs(sent.projection, c.projection.back())) {
      glUniformMatrix4fv(projection, 1, GL_FALSE, sent.projection.m.data());
    }
    if (differs(sent.lighting, c.lighting)) glUniform1i(lighting, c.lighting);
    if (differs(sent.colourMaterial, c.colourMaterial)) {
      glUniform1i(colourMaterial, c.colourMaterial);
    }
    if (c.lighting) {
      std::array<GLint, kLights> on{};
      std::array<float, kLights * 4> positions{}, ambient{}, diffuse{};
      for (std::size_t i = 0; i < kLights; ++i) {
        const Light& light = c.lights[i];
        on[i] = light.on;
        std::memcpy(&positions[4 * i], light.position.data(), sizeof(float) * 4);
        std::memcpy(&ambient[4 * i], light.ambient.data(), sizeof(float) * 4);
        std::memcpy(&diffuse[4 * i], light.diffuse.data(), sizeof(float) * 4);
      }
      if (differs(sent.lightOn, on)) glUniform1iv(lightOn, kLights, on.data());
      if (differs(sent.lightPosition, positions)) {
        glUniform4fv(lightPosition, kLights, positions.data());
      }
      if (differs(sent.lightAmbient, ambient)) glUniform4fv(lightAmbient, kLights, ambient.data());
      if (differs(sent.lightDiffuse, diffuse)) glUniform4fv(lightDiffuse, kLights, diffuse.data());
    }
    std::array<GLint, kUnits> on{}, adds{};
    for (std::size_t u = 0; u < kUnits; ++u) {
      const TextureUnit& unit = c.units[u];
      // A unit whose texture has no image draws as if texturing were off, as desktop GL does.
      on[u] = unit.enabled && c.complete(unit.bound);
      adds[u] = unit.envMode == kAdd;
      if (on[u] && sent.bound[u] != unit.bound) {
        sent.bound[u] = unit.bound;
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(u));
        glBindTexture(GL_TEXTURE_2D, unit.bound);
      }
    }
    if (differs(sent.textureOn, on)) glUniform1iv(textureOn, kUnits, on.data());
    if (differs(sent.add, adds)) glUniform1iv(add, kUnits, adds.data());
    const std::array<GLint, 4> sphere{
        c.units[0].genS && c.units[0].sphereS, c.units[0].genT && c.units[0].sphereT,
        c.units[1].genS && c.units[1].sphereS, c.units[1].genT && c.units[1].sphereT};
    if (differs(sent.sphere, sphere)) {
      glUniform2i(sphere0, sphere[0], sphere[1]);
      glUniform2i(sphere1, sphere[2], sphere[3]);
    }
    // Lines are edges of polygons that were already culled by their facing.
    if (differs(sent.cull, c.cullFace && !lines)) {
      sent.cull ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
    }
  }

  // The texture unit state WebGL holds was changed behind the program's back (an upload).
  void forgetTextures() { sent.bound.fill(0xFFFFFFFF); }
};

Context::Context(int width, int height) : program_(std::make_unique<Program>()) {
  viewport = {0, 0, width, height};
  scissorBox = viewport;
  glGenBuffers(1, &vertexBuffer_);
  glGenBuffers(3, arrayBuffers_);
  glGenBuffers(1, &indexBuffer_);
  // Immediate mode's corners, interleaved: the layout is set once.
  glGenVertexArrays(1, &immediateVao_);
  glBindVertexArray(immediateVao_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
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
  glGenVertexArrays(1, &arraysVao_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
}

Context::~Context() {
  glDeleteBuffers(1, &vertexBuffer_);
  glDeleteBuffers(3, arrayBuffers_);
  glDeleteBuffers(1, &indexBuffer_);
  glDeleteVertexArrays(1, &immediateVao_);
  glDeleteVertexArrays(1, &arraysVao_);
}

void Context::useProgram(bool lines) {
  program_->update(*this, lines);
}

void Context::texturesChanged() {
  program_->forgetTextures();
}

void Context::draw(const Vertex* vertices, std::size_t count, bool lines) {
  if (count == 0) return;
  useProgram(lines);
  glBindVertexArray(immediateVao_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(Vertex)), vertices,
               GL_STREAM_DRAW);
  glDrawArrays(lines ? GL_LINES : GL_TRIANGLES, 0, static_cast<GLsizei>(count));
}

void Context::flush() {
  if (pending.empty()) return;
  draw(pending.data(), pending.size(), pendingLines);
  pending.clear();
}

// A polygon faces away when its corners run clockwise on the screen.
bool Context::backFacing(const Vertex* corners, int n) const {
  const Mat4 mvp = projection.back() * modelview.back();
  double area = 0.0;
  for (int i = 0; i < n; ++i) {
    const float* a = corners[i].position;
    const float* b = corners[(i + 1) % n].position;
    auto window = [&mvp](const float* v, double& x, double& y) {
      const double w =
          mvp.at(3, 0) * v[0] + mvp.at(3, 1) * v[1] + mvp.at(3, 2) * v[2] + mvp.at(3, 3);
      x = (mvp.at(0, 0) * v[0] + mvp.at(0, 1) * v[1] + mvp.at(0, 2) * v[2] + mvp.at(0, 3)) / w;
      y = (mvp.at(1, 0) * v[0] + mvp.at(1, 1) * v[1] + mvp.at(1, 2) * v[2] + mvp.at(1, 3)) / w;
    };
    double ax, ay, bx, by;
    window(a, ax, ay);
    window(b, bx, by);
    area += ax * by - bx * ay;
  }
  return area < 0.0;
}

void Context::emitPolygon(const Vertex* corners, int n) {
  if (wireframe) {
    if (cullFace && backFacing(corners, n)) return;
    for (int i = 0; i < n; ++i) {
      pending.push_back(corners[i]);
      pending.push_back(corners[(i + 1) % n]);
    }
    return;
  }
  for (int i = 1; i + 1 < n; ++i) {
    pending.push_back(corners[0]);
    pending.push_back(corners[i]);
    pending.push_back(corners[i + 1]);
  }
}

void Context::drawArrays(const std::uint32_t* indices, std::size_t count) {
  if (!vertexArray.enabled || !vertexArray.pointer || count < 3) return;
  std::uint32_t highest = 0;
  for (std::size_t i = 0; i < count; ++i)
    highest = std::max(highest, indices[i]);
  const std::size_t vertices = static_cast<std::size_t>(highest) + 1;
  count -= count % 3;
  if (wireframe) {
    // Each triangle's three edges, one vertex after another, as immediate mode would send them.
    std::vector<Vertex> edges;
    Vertex corner = current;
    std::vector<Vertex> triangle(3, corner);
    for (std::size_t f = 0; f < count; f += 3) {
      for (int k = 0; k < 3; ++k) {
        const std::size_t j = indices[f + static_cast<std::size_t>(k)];
        Vertex& v = triangle[static_cast<std::size_t>(k)];
        std::memcpy(v.position, vertexArray.pointer + 3 * j, sizeof v.position);
        if (normalArray.enabled && normalArray.pointer) {
          std::memcpy(v.normal, normalArray.pointer + 3 * j, sizeof v.normal);
        }
        if (texCoordArray.enabled && texCoordArray.pointer) {
          std::memcpy(v.tex0, texCoordArray.pointer + 2 * j, sizeof v.tex0);
        }
      }
      emitPolygon(triangle.data(), 3);
    }
    flush();
    return;
  }
  useProgram(false);
  glBindVertexArray(arraysVao_);
  auto attribute = [](GLuint buffer, GLuint index, GLint size, const float* data, std::size_t n) {
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(n * sizeof(float) * size), data,
                 GL_STREAM_DRAW);
    glEnableVertexAttribArray(index);
    glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, 0, nullptr);
  };
  attribute(arrayBuffers_[0], 0, 3, vertexArray.pointer, vertices);
  if (normalArray.enabled && normalArray.pointer) {
    attribute(arrayBuffers_[1], 1, 3, normalArray.pointer, vertices);
  } else {
    glDisableVertexAttribArray(1);
    glVertexAttrib4f(1, current.normal[0], current.normal[1], current.normal[2], 1.0f);
  }
  glDisableVertexAttribArray(2);
  glVertexAttrib4fv(2, current.colour);
  if (texCoordArray.enabled && texCoordArray.pointer) {
    attribute(arrayBuffers_[2], 3, 2, texCoordArray.pointer, vertices);
  } else {
    glDisableVertexAttribArray(3);
    glVertexAttrib4f(3, current.tex0[0], current.tex0[1], 0.0f, 1.0f);
  }
  glDisableVertexAttribArray(4);
  glVertexAttrib4f(4, current.tex1[0], current.tex1[1], 0.0f, 1.0f);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(std::uint32_t)),
               indices, GL_STREAM_DRAW);
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT, nullptr);
}

}  // namespace tav::gl11
