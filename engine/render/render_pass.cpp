#include <algorithm>

#include "engine/engine.h"
#include "engine/render/draw_styles.h"
#include "platform/gl.h"

namespace tav {
namespace {

using namespace material_flags;
constexpr int kMaxLights = 8;

void setupLights(GlState& gl, const Model& model) {
  for (std::int32_t i = 0; i < model.lightCount(); ++i) {
    gl.enable(GL_LIGHTING);
    if (i < kMaxLights) {
      const Light& light = model.lights[static_cast<std::size_t>(i)];
      // Every colour has alpha 1 and every light is positional (w = 1).
      const GLfloat ambient[4] = {light.ambient.r, light.ambient.g, light.ambient.b, 1.0f};
      const GLfloat diffuse[4] = {light.diffuse.r, light.diffuse.g, light.diffuse.b, 1.0f};
      const GLfloat specular[4] = {light.specular.r, light.specular.g, light.specular.b, 1.0f};
      const GLfloat position[4] = {light.position.x, light.position.y, light.position.z, 1.0f};
      const GLenum slot = GL_LIGHT0 + static_cast<GLenum>(i);
      gl.light(slot, GL_AMBIENT, ambient);
      gl.light(slot, GL_DIFFUSE, diffuse);
      gl.light(slot, GL_SPECULAR, specular);
      gl.enable(slot);
      gl.light(slot, GL_POSITION, position);
    }
    gl.enable(GL_COLOR_MATERIAL);
    gl.colorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  }
}

// Up is (0, 0, bank + 0.5): Z is up in the model files. An index past the cameras uses the last.
void setupCamera(GlState& gl, const Model& model, std::int32_t cameraIndex) {
  if (model.cameraCount() <= 0) return;
  const Camera& camera =
      model.cameras[static_cast<std::size_t>(std::clamp(cameraIndex, 0, model.cameraCount() - 1))];
  gl.lookAt(camera.position.x, camera.position.y, camera.position.z, camera.target.x,
            camera.target.y, camera.target.z, 0.0, 0.0, static_cast<double>(camera.bank) + 0.5);
}

void applyRasterState(GlState& gl, const RenderSettings& settings) {
  gl.polygonMode(settings.flags & render_flags::kWireframe ? GL_LINE : GL_FILL);
  if (settings.flags & render_flags::kDepthTest) {
    gl.enable(GL_DEPTH_TEST);
  } else {
    gl.disable(GL_DEPTH_TEST);
  }
  gl.depthFunc(GL_LEQUAL);
}

void applyObjectTransform(GlState& gl, const MeshObject& object) {
  gl.pushMatrix();
  gl.translate(object.position.x, object.position.y, object.position.z);
  gl.rotate(object.rotation.x, 1.0f, 0.0f, 0.0f);
  gl.rotate(object.rotation.y, 0.0f, 1.0f, 0.0f);
  gl.rotate(object.rotation.z, 0.0f, 0.0f, 1.0f);
}

void drawObject(GlState& gl, const RenderSettings& settings, const Model& model,
                const MeshObject& object) {
  const Material* material = render::materialOf(model, object);
  std::uint32_t flags = material ? material->flags : 0;
  applyObjectTransform(gl, object);
  // The scale is a draw gate only; it never scales the geometry.
  if (object.scale.x > 0.0f && object.scale.y > 0.0f && object.scale.z > 0.0f) {
    render::applyMaterial(gl, model, object);
    if (material && material->opacity < 1.0f && (flags & kSprite)) {
      render::drawSprites(gl, settings, object);
    } else if (material && (flags & kDualTextured) && !(flags & kDistort)) {
      render::drawDualTextured(gl, model, object);
    } else if ((flags & kDistort) && (flags & kDualTextured)) {
      render::drawDistortedDual(gl, model, object);
    } else if (flags & kDistort) {
      render::drawDistorted(gl, model, object);
    } else {
      render::drawPlain(gl, object);
    }
  }
  gl.popMatrix();
}

// Objects without faces are never drawn; objects without a material are drawn in both passes.
void drawPass(GlState& gl, const RenderSettings& settings, const Model& model, bool blended) {
  for (const MeshObject& object : model.meshes) {
    if (object.faceCount <= 0) continue;
    const Material* material = render::materialOf(model, object);
    bool drawn = !material || (blended ? material->opacity < 1.0f : material->opacity >= 1.0f);
    if (drawn) drawObject(gl, settings, model, object);
  }
}

}  // namespace

void RenderSettings::renderPass(Model& model, std::int32_t cameraIndex, GlState& gl) const {
  setupLights(gl, model);
  gl.loadIdentity();
  setupCamera(gl, model, cameraIndex);
  applyRasterState(gl, *this);
  drawPass(gl, *this, model, false);
  gl.depthMask(GL_FALSE);
  gl.enable(GL_BLEND);
  gl.blendFunc(GL_SRC_ALPHA, GL_ONE);
  drawPass(gl, *this, model, true);
  gl.depthMask(GL_TRUE);
  gl.disable(GL_BLEND);
}

void Engine::render() {
  Model* current = findModel();
  if (currentRenderSettings < 0 || currentRenderSettings >= renderSettingsCount() || !current)
    return;
  settings().renderPass(*current, currentCamera, gl);
}

}  // namespace tav
