#include "engine/render/draw_styles.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "platform/gl.h"

namespace tav::render {
namespace {

using namespace material_flags;

void sphereMapOn(GlState& gl) {
  gl.texGenMode(GL_S, GL_SPHERE_MAP);
  gl.texGenMode(GL_T, GL_SPHERE_MAP);
  gl.enable(GL_TEXTURE_GEN_S);
  gl.enable(GL_TEXTURE_GEN_T);
}

void sphereMapOff(GlState& gl) {
  gl.disable(GL_TEXTURE_GEN_S);
  gl.disable(GL_TEXTURE_GEN_T);
}

void vertex(const GlState& gl, const Vector3& v) {
  if (gl.live) glVertex3f(v.x, v.y, v.z);
}

// Texture coordinates only where the object has them for this vertex.
const TexCoord* texCoordOf(const MeshObject& object, std::int32_t j) {
  return j < object.texCoordCount && static_cast<std::size_t>(j) < object.texCoords.size()
             ? &object.texCoords[static_cast<std::size_t>(j)]
             : nullptr;
}

void texCoordBothUnits(GlState& gl, const TexCoord& t) {
  if (gl.multitexture.available()) {
    gl.multiTexCoord(GL_TEXTURE0_ARB, t.u, t.v);
    gl.multiTexCoord(GL_TEXTURE1_ARB, t.u, t.v);
  } else {
    gl.texCoord(t.u, t.v);
  }
}

bool hasTexCoords(const MeshObject& object, const Face& face) {
  return texCoordOf(object, face.a) || texCoordOf(object, face.b) || texCoordOf(object, face.c);
}

// Calls `send` with each face to send, in order. Drawing, that is every face in range. Keeping the
// state only, it is just the end of the list that leaves the current normal and texture
// coordinates as the whole list would: the last face in range, after the last one before it with
// coordinates when it has none.
template <typename Send>
void sendFaces(const GlState& gl, const MeshObject& object, Send send) {
  const std::vector<Face>& faces = object.faces;
  if (gl.live) {
    for (std::size_t f = 0; f < faces.size(); ++f) {
      if (object.faceInRange(faces[f])) send(f);
    }
    return;
  }
  std::size_t last = faces.size();
  while (last > 0 && !object.faceInRange(faces[last - 1]))
    --last;
  if (last == 0) return;
  --last;
  if (!hasTexCoords(object, faces[last])) {
    for (std::size_t f = last; f > 0; --f) {
      const Face& earlier = faces[f - 1];
      if (object.faceInRange(earlier) && hasTexCoords(object, earlier)) {
        send(f - 1);
        break;
      }
    }
  }
  send(last);
}

// The travelling wave of the distortion styles, from the clock read once per object.
struct Wave {
  float amplitude;  // displacement scale
  float phase;
  float k;  // spatial frequency

  explicit Wave(const Material& material) {
    double t = platform::clock::nowMs();
    const float* p = material.distortParameters;
    amplitude = p[2] * 5.0f;
    // Reduced to one turn in double precision: the sine is the same, and a clock of weeks of
    // uptime no longer makes the wave stutter in single-precision steps.
    phase = static_cast<float>(std::fmod(t * p[0] * 0.001, 2.0 * std::numbers::pi));
    k = p[1] * 0.001f;
  }
  float at(float x) const { return std::sin(x * k + phase); }
};

// One corner of a distorted face: the vertex pushed along its base normal by the wave value s.
void distortedCorner(GlState& gl, const MeshObject& object, std::uint32_t flags, std::int32_t j,
                     float s, float amplitude, bool bothUnits) {
  auto v = static_cast<std::size_t>(j);
  const Vector3& base = object.baseNormals[v];
  if (flags & kSmooth) gl.normal(object.vertexNormals[v] * (base.x * s));
  if (const TexCoord* t = texCoordOf(object, j)) {
    if (bothUnits) {
      texCoordBothUnits(gl, *t);
    } else {
      gl.texCoord(t->u, t->v);
    }
  }
  vertex(gl, object.vertices[v] + base * (amplitude * s));
}

// Every face of a distorted object, the wave running over `waveInput` of each undisplaced corner;
// `bothUnits` sends texture coordinates to both units (else to unit 0 only).
template <typename WaveInput>
void drawDistortedFaces(GlState& gl, const MeshObject& object, const Material& material,
                        bool bothUnits, WaveInput waveInput) {
  const Wave wave(material);
  if (gl.live) glBegin(GL_TRIANGLES);
  sendFaces(gl, object, [&](std::size_t f) {
    const Face& face = object.faces[f];
    if (material.flags & kFlat) gl.normal(object.faceNormals[f]);
    for (std::int32_t j : {face.a, face.b, face.c}) {
      float s = wave.at(waveInput(object.vertices[static_cast<std::size_t>(j)], j));
      distortedCorner(gl, object, material.flags, j, s, wave.amplitude, bothUnits);
    }
  });
  if (gl.live) glEnd();
}

}  // namespace

std::int32_t rawMaterialIndex(const MeshObject& object) {
  return object.faces.empty() ? -1 : object.faces[0].material;
}

const Material* materialOf(const Model& model, const MeshObject& object) {
  std::int32_t m = rawMaterialIndex(object);
  return m >= 0 && m < model.materialCount() ? &model.materials[static_cast<std::size_t>(m)]
                                             : nullptr;
}

void applyMaterial(GlState& gl, const Model& model, const MeshObject& object) {
  std::int32_t m = rawMaterialIndex(object);
  if (m >= model.materialCount() || object.materialState < 0) return;
  static const Material kNone = [] {
    Material none;
    none.flags = kSmooth;
    return none;
  }();
  const Material& material = m < 0 ? kNone : model.materials[static_cast<std::size_t>(m)];
  const std::uint32_t flags = material.flags;
  const bool mt = gl.multitexture.available();

  gl.shadeModel(GL_SMOOTH);
  if (flags & kCullBack) {
    gl.enable(GL_CULL_FACE);
  } else {
    gl.disable(GL_CULL_FACE);
  }
  if (!material.texture0File.empty() && !material.texture1File.empty() && (flags & kDualTextured)) {
    gl.activeTexture(GL_TEXTURE0_ARB);
    gl.bindTexture(static_cast<GLuint>(material.texture0));
    sphereMapOff(gl);
    gl.enable(GL_TEXTURE_2D);
    if (mt) {
      // The second unit adds or modulates a sphere-mapped reflection, and stays active.
      gl.activeTexture(GL_TEXTURE1_ARB);
      gl.bindTexture(static_cast<GLuint>(material.texture1));
      sphereMapOn(gl);
      gl.enable(GL_TEXTURE_2D);
      gl.texEnvMode(flags & kAdditive ? GL_ADD : GL_MODULATE);
    }
  } else {
    if (mt) {
      gl.activeTexture(GL_TEXTURE1_ARB);
      gl.bindTexture(0);
      gl.disable(GL_TEXTURE_2D);
      gl.activeTexture(GL_TEXTURE0_ARB);
    }
    gl.disable(GL_TEXTURE_2D);
  }
  if (!material.texture0File.empty() && (flags & kTextured) && !(flags & kDualTextured)) {
    sphereMapOff(gl);
    if (flags & kReflective) sphereMapOn(gl);
    gl.bindTexture(static_cast<GLuint>(material.texture0));
    gl.enable(GL_TEXTURE_2D);
  }
  if (!(flags & kTextured) && !(flags & kDualTextured)) {
    sphereMapOff(gl);
    gl.bindTexture(0);
    gl.disable(GL_TEXTURE_2D);
  }
  if (m < 0) {
    gl.color(1.0f, 1.0f, 1.0f, 1.0f);  // no material: opaque white
  } else {
    constexpr double kByte = 1.0 / 255.0;
    gl.color(static_cast<float>(material.colour[0] * kByte),
             static_cast<float>(material.colour[1] * kByte),
             static_cast<float>(material.colour[2] * kByte), material.opacity);
  }
}

void drawPlainImmediate(GlState& gl, const MeshObject& object) {
  if (gl.live) glBegin(GL_TRIANGLES);
  sendFaces(gl, object, [&](std::size_t f) {
    const Face& face = object.faces[f];
    for (std::int32_t j : {face.a, face.b, face.c}) {
      gl.normal(object.vertexNormals[static_cast<std::size_t>(j)]);
      if (const TexCoord* t = texCoordOf(object, j)) gl.texCoord(t->u, t->v);
      vertex(gl, object.vertices[static_cast<std::size_t>(j)]);
    }
  });
  if (gl.live) glEnd();
}

void drawPlain(GlState& gl, const MeshObject& object) {
  const bool someTexCoords = object.texCoordCount > 0;
  const bool allTexCoords = object.texCoordCount >= object.vertexCount &&
                            object.texCoords.size() >= static_cast<std::size_t>(object.vertexCount);
  if (someTexCoords && !allTexCoords) {
    drawPlainImmediate(gl, object);  // coordinates for some vertices only: sent where they exist
    return;
  }
  std::optional<std::size_t> last;
  if (gl.live) {
    // The same vertices, normals and coordinates as immediate mode, in one call: most of the
    // submission cost goes. Reused between calls, so drawing allocates nothing once warm.
    thread_local std::vector<GLuint> indices;
    indices.clear();
    for (const Face& face : object.faces) {
      if (!object.faceInRange(face)) continue;
      indices.insert(indices.end(), {static_cast<GLuint>(face.a), static_cast<GLuint>(face.b),
                                     static_cast<GLuint>(face.c)});
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, object.vertices.data());
    glNormalPointer(GL_FLOAT, 0, object.vertexNormals.data());
    if (someTexCoords) {
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, 0, object.texCoords.data());
    }
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT,
                   indices.data());
    if (someTexCoords) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (!indices.empty()) last = indices.back();
  } else {
    sendFaces(gl, object, [&](std::size_t f) { last = object.faces[f].c; });
  }
  // Arrays leave the current normal and texture coordinate undefined; immediate mode leaves the
  // last corner's, and an object drawn next without coordinates of its own is drawn with them.
  if (last) {
    gl.normal(object.vertexNormals[*last]);
    if (someTexCoords) gl.texCoord(object.texCoords[*last].u, object.texCoords[*last].v);
  }
}

void drawDualTextured(GlState& gl, const Model& model, const MeshObject& object) {
  const Material* material = materialOf(model, object);
  std::uint32_t flags = material ? material->flags : 0;
  if (gl.live) glBegin(GL_TRIANGLES);
  sendFaces(gl, object, [&](std::size_t f) {
    const Face& face = object.faces[f];
    if (flags & kFlat) gl.normal(object.faceNormals[f]);
    for (std::int32_t j : {face.a, face.b, face.c}) {
      if (flags & kSmooth) gl.normal(object.vertexNormals[static_cast<std::size_t>(j)]);
      if (const TexCoord* t = texCoordOf(object, j)) texCoordBothUnits(gl, *t);
      vertex(gl, object.vertices[static_cast<std::size_t>(j)]);
    }
  });
  if (gl.live) glEnd();
}

void drawDistorted(GlState& gl, const Model& model, const MeshObject& object) {
  const Material* material = materialOf(model, object);
  if (!material) return;
  // Along the vertex numbering: neighbouring indices have neighbouring phases.
  drawDistortedFaces(gl, object, *material, false,
                     [](const Vector3&, std::int32_t j) { return static_cast<float>(j); });
}

void drawDistortedDual(GlState& gl, const Model& model, const MeshObject& object) {
  const Material* material = materialOf(model, object);
  if (!material) return;
  // Rings around the pivot: the wave runs over a tenth of the squared distance.
  drawDistortedFaces(gl, object, *material, true, [](const Vector3& v, std::int32_t) {
    return 0.1f * (v.x * v.x + v.y * v.y + v.z * v.z);
  });
}

void drawSprites(GlState& gl, const RenderSettings& settings, const MeshObject& object) {
  gl.depthMask(GL_FALSE);
  gl.disable(GL_LIGHTING);
  gl.enable(GL_BLEND);
  gl.blendFunc(GL_SRC_ALPHA, GL_ONE);
  const bool fade = (settings.flags & render_flags::kSpriteFade) != 0;
  // The eye's X and Y axes in the object's coordinates: the quads face the camera. Only a fade
  // needs them to keep the state, and only for the last sprite, which leaves the colour.
  Vector3 right, up;
  if (gl.live || fade) {
    GLfloat m[16];
    gl.modelview(m);
    right = {m[0], m[4], m[8]};
    up = {m[1], m[5], m[9]};
  }
  gl.color(1.0f, 1.0f, 1.0f, settings.spriteAlpha);
  const float size = settings.spriteSize;
  // A sprite of no alpha adds exactly nothing under this blending and writes no depth: it is
  // not filled, and the texture coordinate is left as its quad would have left it.
  bool skipped = false;
  const std::int32_t first = gl.live ? 0 : std::max(object.vertexCount - 1, 0);
  for (std::int32_t j = first; j < object.vertexCount; ++j) {
    const Vector3& p = object.vertices[static_cast<std::size_t>(j)];
    const Vector3 corners[4] = {p + (-right - up) * size, p + (right - up) * size,
                                p + (right + up) * size, p + (up - right) * size};
    float alpha = settings.spriteAlpha;
    if (fade) {
      float d =
          std::fabs(corners[0].x + object.position.x - settings.fadeCentreX) * settings.fadeRate;
      alpha = 1.0f - std::min(d, 1.0f);
      gl.color(1.0f, 1.0f, 1.0f, alpha);
    }
    if (!(alpha > 0.0f)) {
      skipped = true;
      continue;
    }
    constexpr float kCoords[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
    if (gl.live) glBegin(GL_QUADS);
    for (int c = 0; c < 4; ++c) {
      gl.texCoord(kCoords[c][0], kCoords[c][1]);
      vertex(gl, corners[c]);
    }
    if (gl.live) glEnd();
  }
  if (skipped) gl.texCoord(0.0f, 1.0f);
  gl.disable(GL_BLEND);
  gl.depthMask(GL_TRUE);
  gl.enable(GL_LIGHTING);
}

}  // namespace tav::render
