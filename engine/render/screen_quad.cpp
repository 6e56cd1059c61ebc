#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/engine.h"
#include "platform/gl.h"

namespace tav {
namespace {

// The window rectangle (x, y, width, height) outside of which the part of the quad within `range`
// cannot be drawn, through the matrices and viewport in force: the bounding box of its corners,
// in whole pixels with one to spare. False when a corner lies behind the eye.
bool windowBox(const TexRange& range, float x, float y, GLint box[4]) {
  GLfloat mv[16], pr[16];
  GLint vp[4];
  glGetFloatv(GL_MODELVIEW_MATRIX, mv);
  glGetFloatv(GL_PROJECTION_MATRIX, pr);
  glGetIntegerv(GL_VIEWPORT, vp);
  double minX = std::numeric_limits<double>::infinity(), minY = minX;
  double maxX = -minX, maxY = -minX;
  for (float s : {range.s0, range.s1}) {
    for (float t : {range.t0, range.t1}) {
      const double p[4] = {-x + 2.0 * x * s, -y + 2.0 * y * t, 10.0, 1.0};
      double eye[4], clip[4];
      for (int r = 0; r < 4; ++r)
        eye[r] = mv[r] * p[0] + mv[4 + r] * p[1] + mv[8 + r] * p[2] + mv[12 + r] * p[3];
      for (int r = 0; r < 4; ++r)
        clip[r] = pr[r] * eye[0] + pr[4 + r] * eye[1] + pr[8 + r] * eye[2] + pr[12 + r] * eye[3];
      if (!(clip[3] > 1e-6)) return false;
      const double wx = vp[0] + (clip[0] / clip[3] + 1.0) * 0.5 * vp[2];
      const double wy = vp[1] + (clip[1] / clip[3] + 1.0) * 0.5 * vp[3];
      minX = std::min(minX, wx);
      maxX = std::max(maxX, wx);
      minY = std::min(minY, wy);
      maxY = std::max(maxY, wy);
    }
  }
  // Far off screen the box is clamped to a size the scissor takes.
  constexpr double kLimit = 1 << 20;
  const double left = std::clamp(std::floor(minX) - 1.0, -kLimit, kLimit);
  const double bottom = std::clamp(std::floor(minY) - 1.0, -kLimit, kLimit);
  const double right = std::clamp(std::ceil(maxX) + 1.0, -kLimit, kLimit);
  const double top = std::clamp(std::ceil(maxY) + 1.0, -kLimit, kLimit);
  box[0] = static_cast<GLint>(left);
  box[1] = static_cast<GLint>(bottom);
  box[2] = static_cast<GLint>(std::max(0.0, right - left));
  box[3] = static_cast<GLint>(std::max(0.0, top - bottom));
  return true;
}

// The scissor as it was before a quad narrowed it.
struct SavedScissor {
  bool narrowed = false;
  GLboolean enabled = GL_FALSE;
  GLint box[4] = {0, 0, 0, 0};
};

// Narrows the scissor to where an additive quad of this texture can add anything at all.
SavedScissor narrowToWhatAdds(const TexelBounds& bounds, float x, float y) {
  SavedScissor saved;
  TexRange range;
  GLint box[4] = {0, 0, 0, 0};  // an all-black texture adds nothing anywhere
  if (reachOf(bounds, range) && !windowBox(range, x, y, box)) return saved;
  saved.narrowed = true;
  saved.enabled = glIsEnabled(GL_SCISSOR_TEST);
  glGetIntegerv(GL_SCISSOR_BOX, saved.box);
  if (saved.enabled) {
    // Within the scissor already in force.
    const GLint left = std::max(box[0], saved.box[0]);
    const GLint bottom = std::max(box[1], saved.box[1]);
    const GLint right = std::min(box[0] + box[2], saved.box[0] + saved.box[2]);
    const GLint top = std::min(box[1] + box[3], saved.box[1] + saved.box[3]);
    box[0] = left;
    box[1] = bottom;
    box[2] = std::max(0, right - left);
    box[3] = std::max(0, top - bottom);
  }
  glEnable(GL_SCISSOR_TEST);
  glScissor(box[0], box[1], box[2], box[3]);
  return saved;
}

void restore(const SavedScissor& saved) {
  if (!saved.narrowed) return;
  glScissor(saved.box[0], saved.box[1], saved.box[2], saved.box[3]);
  if (!saved.enabled) glDisable(GL_SCISSOR_TEST);
}

}  // namespace

void RenderSettings::clear(GlState& gl) const {
  gl.clearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
  if (gl.live) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void RenderSettings::clearDepth(GlState& gl) const {
  if (gl.live) glClear(GL_DEPTH_BUFFER_BIT);
}

// The eye sits at the origin looking down -Z; the quad plane is 14 units away, where a quad of
// size (1, 1) fills a 4:3 screen under the 71-degree projection.
void RenderSettings::drawScreenQuad(Vector3 position, Vector3 rotation, Vector3 size, float alpha,
                                    std::int32_t texture, GlState& gl,
                                    const TexelBounds* bounds) const {
  gl.loadIdentity();
  gl.lookAt(0.0, 0.0, 0.0, 0.0, 0.0, -1.0, 0.0, 1.0, 0.0);
  gl.depthMask(GL_FALSE);
  gl.disable(GL_DEPTH_TEST);
  if (gl.multitexture.available()) {
    gl.activeTexture(GL_TEXTURE1_ARB);
    gl.disable(GL_TEXTURE_2D);
    gl.activeTexture(GL_TEXTURE0_ARB);
  }
  if (texture >= 0) {
    gl.bindTexture(static_cast<GLuint>(texture));
    gl.disable(GL_TEXTURE_GEN_S);
    gl.disable(GL_TEXTURE_GEN_T);
    gl.enable(GL_TEXTURE_2D);
  } else {
    gl.disable(GL_TEXTURE_GEN_S);
    gl.disable(GL_TEXTURE_GEN_T);
    gl.disable(GL_TEXTURE_2D);
  }
  // Below full alpha the quad adds its picture, weighted by alpha, onto the frame.
  if (alpha < 1.0f) gl.enable(GL_BLEND);
  gl.blendFunc(GL_SRC_ALPHA, GL_ONE);
  gl.disable(GL_LIGHTING);
  gl.pushMatrix();
  gl.translate(position.x, position.y, -24.0f - position.z);
  gl.rotate(rotation.x, 1.0f, 0.0f, 0.0f);
  gl.rotate(rotation.y, 0.0f, 1.0f, 0.0f);
  gl.rotate(rotation.z, 0.0f, 0.0f, 1.0f);
  gl.color(1.0f, 1.0f, 1.0f, alpha);
  const float x = 13.3f * size.x, y = 10.0f * size.y;
  // The scissor is narrowed only for the draw and put back after it: no state is left.
  SavedScissor saved;
  if (gl.live && bounds && texture >= 0 && alpha < 1.0f) saved = narrowToWhatAdds(*bounds, x, y);
  const float corners[4][4] = {{0, 0, -x, -y}, {1, 0, x, -y}, {1, 1, x, y}, {0, 1, -x, y}};
  if (gl.live) glBegin(GL_QUADS);
  for (const auto& c : corners) {
    gl.texCoord(c[0], c[1]);
    if (gl.live) glVertex3f(c[2], c[3], 10.0f);
  }
  if (gl.live) glEnd();
  restore(saved);
  gl.popMatrix();
  gl.enable(GL_DEPTH_TEST);
  gl.disable(GL_BLEND);
  gl.depthMask(GL_TRUE);
}

void Engine::drawOverlay(Vector3 position, Vector3 rotation, Vector3 size, float alpha,
                         const std::string& materialName) {
  std::int32_t texture = -1;
  if (const Model* current = findModel()) {
    for (const Material& material : current->materials) {
      if (material.name == materialName) texture = material.texture0;  // the last match wins
    }
  }
  if (currentRenderSettings < 0 || currentRenderSettings >= renderSettingsCount()) return;
  const TexelBounds* bounds = nullptr;
  if (auto found = textureBounds.find(texture); fillOnlyWhatAdds && found != textureBounds.end()) {
    bounds = &found->second;
  }
  settings().drawScreenQuad(position, rotation, size, alpha, texture, gl, bounds);
}

void Engine::setMaterialParameters(const std::string& name, float a, float b, float c) {
  Model* current = findModel();
  if (!current) return;
  for (Material& material : current->materials) {
    if (material.name.starts_with(name)) {
      material.distortParameters[0] = a;
      material.distortParameters[1] = b;
      material.distortParameters[2] = c;
      return;
    }
  }
}

}  // namespace tav
