#include "engine/gl_state.h"

namespace tav {
namespace {

void setSwitch(GLenum cap, bool on) {
  if (on) {
    glEnable(cap);
  } else {
    glDisable(cap);
  }
}

}  // namespace

void loadRecipe(const MatrixRecipe& recipe) {
  glLoadIdentity();
  for (const MatrixStep& s : recipe) {
    const auto& a = s.args;
    switch (s.kind) {
      case MatrixStep::Kind::Translate:
        glTranslatef(static_cast<float>(a[0]), static_cast<float>(a[1]), static_cast<float>(a[2]));
        break;
      case MatrixStep::Kind::Rotate:
        glRotatef(static_cast<float>(a[0]), static_cast<float>(a[1]), static_cast<float>(a[2]),
                  static_cast<float>(a[3]));
        break;
      case MatrixStep::Kind::LookAt:
        gluLookAt(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8]);
        break;
      case MatrixStep::Kind::Perspective:
        gluPerspective(a[0], a[1], a[2], a[3]);
        break;
    }
  }
}

bool* GlState::switchFor(GLenum cap) {
  switch (cap) {
    case GL_LIGHTING:
      return &values_.lighting;
    case GL_COLOR_MATERIAL:
      return &values_.colourMaterial;
    case GL_DEPTH_TEST:
      return &values_.depthTest;
    case GL_BLEND:
      return &values_.blend;
    case GL_CULL_FACE:
      return &values_.cullFace;
    case GL_TEXTURE_2D:
      return &unit().texture2d;
    case GL_TEXTURE_GEN_S:
      return &unit().genS;
    case GL_TEXTURE_GEN_T:
      return &unit().genT;
    default:
      break;
  }
  if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + kLights) return &values_.lights[cap - GL_LIGHT0].on;
  return nullptr;
}

void GlState::enable(GLenum cap) {
  if (live) glEnable(cap);
  if (bool* on = switchFor(cap)) {
    // Switched on, colour material takes the current colour at once.
    if (cap == GL_COLOR_MATERIAL)
      values_.materialAmbient = values_.materialDiffuse = values_.colour;
    *on = true;
  }
}

void GlState::disable(GLenum cap) {
  if (live) glDisable(cap);
  if (bool* on = switchFor(cap)) *on = false;
}

void GlState::shadeModel(GLenum mode) {
  if (live) glShadeModel(mode);
  values_.shadeModel = mode;
}

void GlState::blendFunc(GLenum source, GLenum destination) {
  if (live) glBlendFunc(source, destination);
  values_.blendFunc = {source, destination};
}

void GlState::depthFunc(GLenum function) {
  if (live) glDepthFunc(function);
  values_.depthFunc = function;
}

void GlState::depthMask(GLboolean mask) {
  if (live) glDepthMask(mask);
  values_.depthMask = mask;
}

void GlState::polygonMode(GLenum mode) {
  if (live) glPolygonMode(GL_FRONT_AND_BACK, mode);
  values_.polygonMode = mode;
}

void GlState::clearColor(float r, float g, float b, float a) {
  if (live) glClearColor(r, g, b, a);
  values_.clearColour = {r, g, b, a};
}

void GlState::colorMaterial(GLenum face, GLenum mode) {
  if (live) glColorMaterial(face, mode);
  values_.colourMaterialMode = {face, mode};
}

std::size_t GlState::heapBytes() const {
  std::size_t n = 0;
  for (const auto* stack : {&values_.modelview, &values_.projection}) {
    n += stack->capacity() * sizeof(MatrixRecipe);
    for (const MatrixRecipe& recipe : *stack)
      n += recipe.capacity() * sizeof(MatrixStep);
  }
  for (const Light& light : values_.lights)
    n += light.placedBy.capacity() * sizeof(MatrixStep);
  return n;
}

void GlState::light(GLenum light, GLenum name, const GLfloat* value) {
  if (live) glLightfv(light, name, value);
  if (light < GL_LIGHT0 || light >= GL_LIGHT0 + kLights) return;
  Light& l = values_.lights[light - GL_LIGHT0];
  const std::array<float, 4> v{value[0], value[1], value[2], value[3]};
  switch (name) {
    case GL_AMBIENT:
      l.ambient = v;
      break;
    case GL_DIFFUSE:
      l.diffuse = v;
      break;
    case GL_SPECULAR:
      l.specular = v;
      break;
    case GL_POSITION:
      l.position = v;
      l.placedBy = values_.modelview.back();
      break;
    default:
      break;
  }
}

void GlState::matrixMode(GLenum mode) {
  if (live) glMatrixMode(mode);
  values_.matrixMode = mode;
}

void GlState::loadIdentity() {
  if (live) glLoadIdentity();
  top().clear();
}

void GlState::pushMatrix() {
  if (live) glPushMatrix();
  auto& stack = values_.matrixMode == GL_PROJECTION ? values_.projection : values_.modelview;
  stack.push_back(stack.back());
}

void GlState::popMatrix() {
  if (live) glPopMatrix();
  auto& stack = values_.matrixMode == GL_PROJECTION ? values_.projection : values_.modelview;
  if (stack.size() > 1) stack.pop_back();
}

void GlState::step(MatrixStep::Kind kind, std::initializer_list<double> args) {
  MatrixStep s{kind, {}};
  std::copy(args.begin(), args.end(), s.args.begin());
  top().push_back(s);
}

void GlState::translate(float x, float y, float z) {
  if (live) glTranslatef(x, y, z);
  step(MatrixStep::Kind::Translate, {x, y, z});
}

void GlState::rotate(float angle, float x, float y, float z) {
  if (live) glRotatef(angle, x, y, z);
  step(MatrixStep::Kind::Rotate, {angle, x, y, z});
}

void GlState::lookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                     double centreZ, double upX, double upY, double upZ) {
  if (live) gluLookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
  step(MatrixStep::Kind::LookAt, {eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ});
}

void GlState::perspective(double fovY, double aspect, double zNear, double zFar) {
  if (live) gluPerspective(fovY, aspect, zNear, zFar);
  step(MatrixStep::Kind::Perspective, {fovY, aspect, zNear, zFar});
}

void GlState::modelview(GLfloat matrix[16]) const {
  if (live) {
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    return;
  }
  // The context's matrices are left as they were: one level pushed, replayed, read, popped.
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  loadRecipe(values_.modelview.back());
  glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
  glPopMatrix();
  if (values_.matrixMode != GL_MODELVIEW) glMatrixMode(values_.matrixMode);
}

void GlState::activeTexture(GLenum unit) {
  if (!multitexture.available()) return;
  if (live) multitexture.activeTexture(unit);
  const int index = static_cast<int>(unit) - static_cast<int>(GL_TEXTURE0_ARB);
  if (index >= 0 && index < kUnits) values_.activeUnit = index;
}

void GlState::bindTexture(GLuint texture) {
  if (live) glBindTexture(GL_TEXTURE_2D, texture);
  unit().bound = texture;
}

void GlState::texEnvMode(GLint mode) {
  if (live) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode);
  unit().envMode = mode;
}

void GlState::texGenMode(GLenum coord, GLint mode) {
  if (live) glTexGeni(coord, GL_TEXTURE_GEN_MODE, mode);
  (coord == GL_S ? unit().genModeS : unit().genModeT) = mode;
}

void GlState::color(float r, float g, float b, float a) {
  if (live) glColor4f(r, g, b, a);
  values_.colour = {r, g, b, a};
  if (values_.colourMaterial) values_.materialAmbient = values_.materialDiffuse = values_.colour;
}

void GlState::normal(const Vector3& n) {
  if (live) glNormal3f(n.x, n.y, n.z);
  values_.normal = {n.x, n.y, n.z};
}

void GlState::texCoord(float u, float v) {
  if (live) glTexCoord2f(u, v);
  values_.units[0].texCoord = {u, v};
}

void GlState::multiTexCoord(GLenum unit, float u, float v) {
  const int index = static_cast<int>(unit) - static_cast<int>(GL_TEXTURE0_ARB);
  if (!multitexture.available() || index < 0 || index >= kUnits) return;
  if (live) multitexture.multiTexCoord2f(unit, u, v);
  values_.units[static_cast<std::size_t>(index)].texCoord = {u, v};
}

void GlState::apply() const {
  const Values& v = values_;
  const int units = multitexture.available() ? kUnits : 1;
  for (int i = units - 1; i >= 0; --i) {
    const Unit& u = v.units[static_cast<std::size_t>(i)];
    if (multitexture.available()) {
      multitexture.activeTexture(GL_TEXTURE0_ARB + static_cast<GLenum>(i));
      multitexture.multiTexCoord2f(GL_TEXTURE0_ARB + static_cast<GLenum>(i), u.texCoord[0],
                                   u.texCoord[1]);
    } else {
      glTexCoord2f(u.texCoord[0], u.texCoord[1]);
    }
    glBindTexture(GL_TEXTURE_2D, u.bound);
    setSwitch(GL_TEXTURE_2D, u.texture2d);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, u.genModeS);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, u.genModeT);
    setSwitch(GL_TEXTURE_GEN_S, u.genS);
    setSwitch(GL_TEXTURE_GEN_T, u.genT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, u.envMode);
  }
  if (multitexture.available()) {
    multitexture.activeTexture(GL_TEXTURE0_ARB + static_cast<GLenum>(v.activeUnit));
  }

  // Each light's position goes through the modelview it was given under.
  glMatrixMode(GL_MODELVIEW);
  for (int i = 0; i < kLights; ++i) {
    const Light& l = v.lights[static_cast<std::size_t>(i)];
    const GLenum slot = GL_LIGHT0 + static_cast<GLenum>(i);
    loadRecipe(l.placedBy);
    glLightfv(slot, GL_POSITION, l.position.data());
    glLightfv(slot, GL_AMBIENT, l.ambient.data());
    glLightfv(slot, GL_DIFFUSE, l.diffuse.data());
    glLightfv(slot, GL_SPECULAR, l.specular.data());
    setSwitch(slot, l.on);
  }
  setSwitch(GL_LIGHTING, v.lighting);
  // The material with colour material off (it would ignore them otherwise), then colour material,
  // then the colour: while colour material is on the material follows the colour.
  glDisable(GL_COLOR_MATERIAL);
  glColorMaterial(v.colourMaterialMode[0], v.colourMaterialMode[1]);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, v.materialAmbient.data());
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, v.materialDiffuse.data());
  if (v.colourMaterial) glEnable(GL_COLOR_MATERIAL);
  glColor4f(v.colour[0], v.colour[1], v.colour[2], v.colour[3]);
  glNormal3f(v.normal[0], v.normal[1], v.normal[2]);

  setSwitch(GL_DEPTH_TEST, v.depthTest);
  setSwitch(GL_BLEND, v.blend);
  setSwitch(GL_CULL_FACE, v.cullFace);
  glShadeModel(v.shadeModel);
  glBlendFunc(v.blendFunc[0], v.blendFunc[1]);
  glDepthFunc(v.depthFunc);
  glDepthMask(v.depthMask);
  glPolygonMode(GL_FRONT_AND_BACK, v.polygonMode);
  glClearColor(v.clearColour[0], v.clearColour[1], v.clearColour[2], v.clearColour[3]);

  glMatrixMode(GL_PROJECTION);
  loadRecipe(v.projection.back());
  glMatrixMode(GL_MODELVIEW);
  loadRecipe(v.modelview.back());
  glMatrixMode(v.matrixMode);
}

}  // namespace tav
