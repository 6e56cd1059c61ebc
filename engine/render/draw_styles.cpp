#include "engine/render/draw_styles.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "platform/clock.h"
#include "platform/gl.h"

namespace tav::render {
namespace {

using namespace material_flags;

void sphereMapOn() {
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
}

void sphereMapOff() {
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
}

void normal(const Vector3& n) {
  glNormal3f(n.x, n.y, n.z);
}
void vertex(const Vector3& v) {
  glVertex3f(v.x, v.y, v.z);
}

// Texture coordinates only where the object has them for this vertex.
const TexCoord* texCoordOf(const MeshObject& object, std::int32_t j) {
  return j < object.texCoordCount && static_cast<std::size_t>(j) < object.texCoords.size()
             ? &object.texCoords[static_cast<std::size_t>(j)]
             : nullptr;
}

void texCoordBothUnits(const TexCoord& t, const Multitexture& multitexture) {
  if (multitexture.available()) {
    multitexture.multiTexCoord2f(GL_TEXTURE0_ARB, t.u, t.v);
    multitexture.multiTexCoord2f(GL_TEXTURE1_ARB, t.u, t.v);
  } else {
    glTexCoord2f(t.u, t.v);
  }
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
void distortedCorner(const MeshObject& object, std::uint32_t flags, std::int32_t j, float s,
                     float amplitude, const Multitexture* bothUnits) {
  auto v = static_cast<std::size_t>(j);
  const Vector3& base = object.baseNormals[v];
  if (flags & kSmooth) normal(object.vertexNormals[v] * (base.x * s));
  if (const TexCoord* t = texCoordOf(object, j)) {
    if (bothUnits) {
      texCoordBothUnits(*t, *bothUnits);
    } else {
      glTexCoord2f(t->u, t->v);
    }
  }
  vertex(object.vertices[v] + base * (amplitude * s));
}

// Every face of a distorted object, the wave running over `waveInput` of each undisplaced corner;
// `bothUnits` sends texture coordinates to both units (null: unit 0 only).
template <typename WaveInput>
void drawDistortedFaces(const MeshObject& object, const Material& material,
                        const Multitexture* bothUnits, WaveInput waveInput) {
  const Wave wave(material);
  glBegin(GL_TRIANGLES);
  for (std::size_t f = 0; f < object.faces.size(); ++f) {
    const Face& face = object.faces[f];
    if (!object.faceInRange(face)) continue;
    if (material.flags & kFlat) normal(object.faceNormals[f]);
    for (std::int32_t j : {face.a, face.b, face.c}) {
      float s = wave.at(waveInput(object.vertices[static_cast<std::size_t>(j)], j));
      distortedCorner(object, material.flags, j, s, wave.amplitude, bothUnits);
    }
  }
  glEnd();
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

void applyMaterial(const Model& model, const MeshObject& object, const Multitexture& multitexture) {
  std::int32_t m = rawMaterialIndex(object);
  if (m >= model.materialCount() || object.materialState < 0) return;
  static const Material kNone = [] {
    Material none;
    none.flags = kSmooth;
    return none;
  }();
  const Material& material = m < 0 ? kNone : model.materials[static_cast<std::size_t>(m)];
  const std::uint32_t flags = material.flags;
  const bool mt = multitexture.available();

  glShadeModel(GL_SMOOTH);
  if (flags & kCullBack) {
    glEnable(GL_CULL_FACE);
  } else {
    glDisable(GL_CULL_FACE);
  }
  if (!material.texture0File.empty() && !material.texture1File.empty() && (flags & kDualTextured)) {
    if (mt) multitexture.activeTexture(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(material.texture0));
    sphereMapOff();
    glEnable(GL_TEXTURE_2D);
    if (mt) {
      // The second unit adds or modulates a sphere-mapped reflection, and stays active.
      multitexture.activeTexture(GL_TEXTURE1_ARB);
      glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(material.texture1));
      sphereMapOn();
      glEnable(GL_TEXTURE_2D);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, flags & kAdditive ? GL_ADD : GL_MODULATE);
    }
  } else {
    if (mt) {
      multitexture.activeTexture(GL_TEXTURE1_ARB);
      glBindTexture(GL_TEXTURE_2D, 0);
      glDisable(GL_TEXTURE_2D);
      multitexture.activeTexture(GL_TEXTURE0_ARB);
    }
    glDisable(GL_TEXTURE_2D);
  }
  if (!material.texture0File.empty() && (flags & kTextured) && !(flags & kDualTextured)) {
    sphereMapOff();
    if (flags & kReflective) sphereMapOn();
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(material.texture0));
    glEnable(GL_TEXTURE_2D);
  }
  if (!(flags & kTextured) && !(flags & kDualTextured)) {
    sphereMapOff();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
  }
  if (m < 0) {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);  // no material: opaque white
  } else {
    constexpr double kByte = 1.0 / 255.0;
    glColor4f(static_cast<float>(material.colour[0] * kByte),
              static_cast<float>(material.colour[1] * kByte),
              static_cast<float>(material.colour[2] * kByte), material.opacity);
  }
}

void drawPlainImmediate(const MeshObject& object) {
  glBegin(GL_TRIANGLES);
  for (const Face& face : object.faces) {
    if (!object.faceInRange(face)) continue;
    for (std::int32_t j : {face.a, face.b, face.c}) {
      normal(object.vertexNormals[static_cast<std::size_t>(j)]);
      if (const TexCoord* t = texCoordOf(object, j)) glTexCoord2f(t->u, t->v);
      vertex(object.vertices[static_cast<std::size_t>(j)]);
    }
  }
  glEnd();
}

void drawPlain(const MeshObject& object) {
  const bool someTexCoords = object.texCoordCount > 0;
  const bool allTexCoords = object.texCoordCount >= object.vertexCount &&
                            object.texCoords.size() >= static_cast<std::size_t>(object.vertexCount);
  if (someTexCoords && !allTexCoords) {
    drawPlainImmediate(object);  // coordinates for some vertices only: sent where they exist
    return;
  }
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
  // Arrays leave the current normal and texture coordinate undefined; immediate mode leaves the
  // last corner's, and an object drawn next without coordinates of its own is drawn with them.
  if (!indices.empty()) {
    const std::size_t last = indices.back();
    normal(object.vertexNormals[last]);
    if (someTexCoords) glTexCoord2f(object.texCoords[last].u, object.texCoords[last].v);
  }
}

void drawDualTextured(const Model& model, const MeshObject& object,
                      const Multitexture& multitexture) {
  const Material* material = materialOf(model, object);
  std::uint32_t flags = material ? material->flags : 0;
  glBegin(GL_TRIANGLES);
  for (std::size_t f = 0; f < object.faces.size(); ++f) {
    const Face& face = object.faces[f];
    if (!object.faceInRange(face)) continue;
    if (flags & kFlat) normal(object.faceNormals[f]);
    for (std::int32_t j : {face.a, face.b, face.c}) {
      if (flags & kSmooth) normal(object.vertexNormals[static_cast<std::size_t>(j)]);
      if (const TexCoord* t = texCoordOf(object, j)) texCoordBothUnits(*t, multitexture);
      vertex(object.vertices[static_cast<std::size_t>(j)]);
    }
  }
  glEnd();
}

void drawDistorted(const Model& model, const MeshObject& object) {
  const Material* material = materialOf(model, object);
  if (!material) return;
  // Along the vertex numbering: neighbouring indices have neighbouring phases.
  drawDistortedFaces(object, *material, nullptr,
                     [](const Vector3&, std::int32_t j) { return static_cast<float>(j); });
}

void drawDistortedDual(const Model& model, const MeshObject& object,
                       const Multitexture& multitexture) {
  const Material* material = materialOf(model, object);
  if (!material) return;
  // Rings around the pivot: the wave runs over a tenth of the squared distance.
  drawDistortedFaces(object, *material, &multitexture, [](const Vector3& v, std::int32_t) {
    return 0.1f * (v.x * v.x + v.y * v.y + v.z * v.z);
  });
}

void drawSprites(const RenderSettings& settings, const MeshObject& object) {
  glDepthMask(GL_FALSE);
  glDisable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  // The eye's X and Y axes in the object's coordinates: the quads face the camera.
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  const Vector3 right{m[0], m[4], m[8]};
  const Vector3 up{m[1], m[5], m[9]};
  glColor4f(1.0f, 1.0f, 1.0f, settings.spriteAlpha);
  const float size = settings.spriteSize;
  const bool fade = (settings.flags & render_flags::kSpriteFade) != 0;
  // A sprite of no alpha adds exactly nothing under this blending and writes no depth: it is
  // not filled, and the texture coordinate is left as its quad would have left it.
  bool skipped = false;
  for (std::int32_t j = 0; j < object.vertexCount; ++j) {
    const Vector3& p = object.vertices[static_cast<std::size_t>(j)];
    const Vector3 c0 = p + (-right - up) * size;
    const Vector3 c1 = p + (right - up) * size;
    const Vector3 c2 = p + (right + up) * size;
    const Vector3 c3 = p + (up - right) * size;
    float alpha = settings.spriteAlpha;
    if (fade) {
      float d = std::fabs(c0.x + object.position.x - settings.fadeCentreX) * settings.fadeRate;
      alpha = 1.0f - std::min(d, 1.0f);
      glColor4f(1.0f, 1.0f, 1.0f, alpha);
    }
    if (!(alpha > 0.0f)) {
      skipped = true;
      continue;
    }
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    vertex(c0);
    glTexCoord2f(1.0f, 0.0f);
    vertex(c1);
    glTexCoord2f(1.0f, 1.0f);
    vertex(c2);
    glTexCoord2f(0.0f, 1.0f);
    vertex(c3);
    glEnd();
  }
  if (skipped) glTexCoord2f(0.0f, 1.0f);
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
  glEnable(GL_LIGHTING);
}

}  // namespace tav::render
