#include "tests/support/gl_readback.h"

#include "platform/gl.h"

namespace tav::test {
namespace {

class Reader {
 public:
  explicit Reader(GlReadback& out) : out_(out) {}

  void floats(const std::string& name, GLenum what, int count) {
    std::vector<float> v(16);
    glGetFloatv(what, v.data());
    v.resize(static_cast<std::size_t>(count));
    out_.emplace_back(name, v);
  }
  void ints(const std::string& name, GLenum what, int count) {
    GLint v[4] = {};
    glGetIntegerv(what, v);
    out_.emplace_back(name, std::vector<float>(v, v + count));
  }
  void enabled(const std::string& name, GLenum cap) {
    out_.emplace_back(name, std::vector<float>{glIsEnabled(cap) ? 1.0f : 0.0f});
  }
  void add(const std::string& name, std::vector<float> v) { out_.emplace_back(name, std::move(v)); }

 private:
  GlReadback& out_;
};

const std::pair<const char*, GLenum> kSwitches[] = {
    {"lighting", GL_LIGHTING},     {"colour material", GL_COLOR_MATERIAL},
    {"depth test", GL_DEPTH_TEST}, {"blend", GL_BLEND},
    {"cull face", GL_CULL_FACE},
};

}  // namespace

GlReadback readGlState(const Multitexture& multitexture) {
  GlReadback out;
  Reader r(out);
  r.ints("matrix mode", GL_MATRIX_MODE, 1);
  r.floats("projection", GL_PROJECTION_MATRIX, 16);
  r.floats("modelview", GL_MODELVIEW_MATRIX, 16);
  for (const auto& [name, cap] : kSwitches)
    r.enabled(name, cap);
  for (int i = 0; i < 8; ++i) {
    const GLenum light = GL_LIGHT0 + static_cast<GLenum>(i);
    const std::string name = "light " + std::to_string(i);
    r.enabled(name, light);
    for (const auto& [what, param] : {std::pair{" ambient", GL_AMBIENT},
                                      {" diffuse", GL_DIFFUSE},
                                      {" specular", GL_SPECULAR},
                                      {" position", GL_POSITION}}) {
      std::vector<float> v(4);
      glGetLightfv(light, param, v.data());
      r.add(name + what, v);
    }
  }
  for (const auto& [face, side] : {std::pair{"front", GL_FRONT}, {"back", GL_BACK}}) {
    for (const auto& [what, param] :
         {std::pair{" ambient", GL_AMBIENT}, {" diffuse", GL_DIFFUSE}}) {
      std::vector<float> v(4);
      glGetMaterialfv(side, param, v.data());
      r.add(std::string("material ") + face + what, v);
    }
  }
  r.ints("colour material face", GL_COLOR_MATERIAL_FACE, 1);
  r.ints("colour material parameter", GL_COLOR_MATERIAL_PARAMETER, 1);
  r.ints("shade model", GL_SHADE_MODEL, 1);
  r.ints("blend source", GL_BLEND_SRC, 1);
  r.ints("blend destination", GL_BLEND_DST, 1);
  r.ints("depth function", GL_DEPTH_FUNC, 1);
  r.ints("depth mask", GL_DEPTH_WRITEMASK, 1);
  r.ints("polygon mode", GL_POLYGON_MODE, 2);
  r.floats("clear colour", GL_COLOR_CLEAR_VALUE, 4);
  r.floats("colour", GL_CURRENT_COLOR, 4);
  r.floats("normal", GL_CURRENT_NORMAL, 3);
  GLint active = GL_TEXTURE0_ARB;
  if (multitexture.available()) glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  r.add("active unit", {static_cast<float>(active)});
  const int units = multitexture.available() ? 2 : 1;
  for (int u = 0; u < units; ++u) {
    if (multitexture.available()) multitexture.activeTexture(GL_TEXTURE0_ARB + u);
    const std::string name = "unit " + std::to_string(u);
    r.enabled(name + " texture", GL_TEXTURE_2D);
    r.enabled(name + " gen s", GL_TEXTURE_GEN_S);
    r.enabled(name + " gen t", GL_TEXTURE_GEN_T);
    r.ints(name + " bound", GL_TEXTURE_BINDING_2D, 1);
    r.floats(name + " coordinates", GL_CURRENT_TEXTURE_COORDS, 4);
    GLint env = 0, genS = 0, genT = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &genS);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &genT);
    r.add(name + " env and gen modes",
          {static_cast<float>(env), static_cast<float>(genS), static_cast<float>(genT)});
  }
  if (multitexture.available()) multitexture.activeTexture(static_cast<GLenum>(active));
  return out;
}

void scrambleGlState(const Multitexture& multitexture) {
  const GLfloat odd[16] = {2, 0.5f, 0, 0, -1, 3, 0, 0, 0, 0.25f, 7, 0, 5, -6, 9, 1};
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(odd);
  for (int i = 0; i < 8; ++i) {
    const GLenum light = GL_LIGHT0 + static_cast<GLenum>(i);
    const GLfloat v[4] = {0.3f + 0.01f * static_cast<float>(i), 0.6f, 0.1f, 0.5f};
    for (GLenum p : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_POSITION})
      glLightfv(light, p, v);
    if (i % 2)
      glEnable(light);
    else
      glDisable(light);
  }
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(odd);
  for (const auto& [name, cap] : kSwitches) {
    if (glIsEnabled(cap))
      glDisable(cap);
    else
      glEnable(cap);
  }
  glDisable(GL_COLOR_MATERIAL);
  const GLfloat grey[4] = {0.4f, 0.45f, 0.5f, 0.55f};
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, grey);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, grey);
  glShadeModel(GL_FLAT);
  glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
  glDepthFunc(GL_GREATER);
  glDepthMask(GL_FALSE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
  glClearColor(0.1f, 0.2f, 0.3f, 0.4f);
  glColor4f(0.7f, 0.6f, 0.5f, 0.4f);
  glNormal3f(0.2f, -0.3f, 0.4f);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  const int units = multitexture.available() ? 2 : 1;
  for (int u = 0; u < units; ++u) {
    if (multitexture.available()) {
      multitexture.activeTexture(GL_TEXTURE0_ARB + u);
      multitexture.multiTexCoord2f(GL_TEXTURE0_ARB + u, 0.3f, 0.7f);
    } else {
      glTexCoord2f(0.3f, 0.7f);
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  }
}

std::string differences(const GlReadback& a, const GlReadback& b) {
  std::string out;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (a[i] != b[i]) out += (out.empty() ? "" : ", ") + a[i].first;
  }
  if (a.size() != b.size()) out += " (different item counts)";
  return out;
}

}  // namespace tav::test
