#include "engine/engine.h"
#include "platform/gl.h"

namespace tav {

void RenderSettings::clear() const {
  glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void RenderSettings::clearDepth() const {
  glClear(GL_DEPTH_BUFFER_BIT);
}

// The eye sits at the origin looking down -Z; the quad plane is 14 units away, where a quad of
// size (1, 1) fills a 4:3 screen under the 71-degree projection.
void RenderSettings::drawScreenQuad(Vector3 position, Vector3 rotation, Vector3 size, float alpha,
                                    std::int32_t texture, const Multitexture& multitexture) const {
  glLoadIdentity();
  gluLookAt(0.0, 0.0, 0.0, 0.0, 0.0, -1.0, 0.0, 1.0, 0.0);
  glDepthMask(GL_FALSE);
  glDisable(GL_DEPTH_TEST);
  if (multitexture.available()) {
    multitexture.activeTexture(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    multitexture.activeTexture(GL_TEXTURE0_ARB);
  }
  if (texture >= 0) {
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_2D);
  } else {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_2D);
  }
  // Below full alpha the quad adds its picture, weighted by alpha, onto the frame.
  if (alpha < 1.0f) glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDisable(GL_LIGHTING);
  glPushMatrix();
  glTranslatef(position.x, position.y, -24.0f - position.z);
  glRotatef(rotation.x, 1.0f, 0.0f, 0.0f);
  glRotatef(rotation.y, 0.0f, 1.0f, 0.0f);
  glRotatef(rotation.z, 0.0f, 0.0f, 1.0f);
  glColor4f(1.0f, 1.0f, 1.0f, alpha);
  const float x = 13.3f * size.x, y = 10.0f * size.y;
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(-x, -y, 10.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(x, -y, 10.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(x, y, 10.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(-x, y, 10.0f);
  glEnd();
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
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
  settings().drawScreenQuad(position, rotation, size, alpha, texture, multitexture);
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
