// The browser's OpenGL 1.1 subset, call by call: state kept as desktop OpenGL keeps it, drawn by
// the context's program (gl11_draw.cpp). Every change of state draws what immediate mode has
// gathered first, so each batch is drawn with the state it was made under.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/web/gl11_context.h"

namespace tav::gl11 {
namespace {

// The OpenGL 1.1 names this subset knows beyond WebGL's own.
constexpr GLenum kQuads = 0x0007;
constexpr GLenum kTriangles = 0x0004;
constexpr GLenum kLighting = 0x0B50;
constexpr GLenum kColourMaterial = 0x0B57;
constexpr GLenum kTexture2D = 0x0DE1;
constexpr GLenum kGenS = 0x0C60;
constexpr GLenum kGenT = 0x0C61;
constexpr GLenum kLight0 = 0x4000;
constexpr GLenum kModelviewMatrix = 0x0BA6;
constexpr GLenum kProjectionMatrix = 0x0BA7;
constexpr GLenum kProjection = 0x1701;
constexpr GLenum kLine = 0x1B01;
constexpr GLenum kVertexArray = 0x8074;
constexpr GLenum kNormalArray = 0x8075;
constexpr GLenum kTexCoordArray = 0x8078;
constexpr GLenum kTextureEnvMode = 0x2200;
constexpr GLenum kSphereMap = 0x2402;
constexpr GLenum kS = 0x2000;
constexpr GLenum kTexture0 = 0x84C0;
constexpr GLenum kAmbient = 0x1200;
constexpr GLenum kDiffuse = 0x1201;
constexpr GLenum kSpecular = 0x1202;
constexpr GLenum kPosition = 0x1203;
constexpr std::size_t kStackDepth = 32;

Context* active = nullptr;

// Says once that the engine asked for something outside the subset.
void unsupported(const char* call, GLenum value) {
  static GLenum said = 0;
  if (said == value) return;
  said = value;
  std::fprintf(stderr, "gl11: %s(0x%04X) is outside the browser's subset; ignored\n", call, value);
}

// The context for a call that changes state: what was gathered is drawn first.
Context* changing() {
  if (active) active->flush();
  return active;
}

TextureUnit* unitFor(Context& c) {
  return &c.units[static_cast<std::size_t>(c.activeUnit)];
}

void setSwitch(GLenum cap, bool on) {
  Context* c = changing();
  if (!c) return;
  if (cap >= kLight0 && cap < kLight0 + kLights) {
    c->lights[cap - kLight0].on = on;
    return;
  }
  switch (cap) {
    case kLighting:
      c->lighting = on;
      break;
    case kColourMaterial:
      // The material keeps the last colour it tracked once tracking stops.
      if (c->colourMaterial && !on) {
        std::memcpy(c->materialAmbient.data(), c->current.colour, sizeof(float) * 4);
        c->materialDiffuse = c->materialAmbient;
      }
      c->colourMaterial = on;
      break;
    case kTexture2D:
      unitFor(*c)->enabled = on;
      break;
    case kGenS:
      unitFor(*c)->genS = on;
      break;
    case kGenT:
      unitFor(*c)->genT = on;
      break;
    case GL_BLEND:
      c->blend = on;  // set on WebGL per draw, with its factors
      break;
    case GL_DEPTH_TEST:
      c->depthTest = on;
      on ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
      break;
    case GL_SCISSOR_TEST:
      c->scissorTest = on;
      on ? glEnable(GL_SCISSOR_TEST) : glDisable(GL_SCISSOR_TEST);
      break;
    case GL_CULL_FACE:
      c->cullFace = on;  // set on WebGL per draw: lines from polygon mode are never culled there
      break;
    default:
      unsupported(on ? "glEnable" : "glDisable", cap);
  }
}

ClientArray* clientArray(Context& c, GLenum array) {
  switch (array) {
    case kVertexArray:
      return &c.vertexArray;
    case kNormalArray:
      return &c.normalArray;
    case kTexCoordArray:
      return &c.texCoordArray;
    default:
      unsupported("glEnableClientState", array);
      return nullptr;
  }
}

}  // namespace

Context* current() {
  return active;
}

void makeCurrent(Context* context) {
  if (active) active->flush();
  active = context;
}

void begin(GLenum mode) {
  if (!active || active->inBegin) return;
  if (mode != kTriangles && mode != kQuads) return unsupported("glBegin", mode);
  if (!active->pending.empty() && active->pendingLines != active->wireframe) active->flush();
  active->inBegin = true;
  active->mode = mode;
  active->primitive.clear();
}

void end() {
  if (!active || !active->inBegin) return;
  Context& c = *active;
  c.inBegin = false;
  const int n = c.mode == kQuads ? 4 : 3;
  for (std::size_t i = 0; i + static_cast<std::size_t>(n) <= c.primitive.size();
       i += static_cast<std::size_t>(n)) {
    c.emitPolygon(&c.primitive[i], n);
  }
}

void vertex3f(GLfloat x, GLfloat y, GLfloat z) {
  if (!active || !active->inBegin) return;
  Vertex v = active->current;
  v.position[0] = x;
  v.position[1] = y;
  v.position[2] = z;
  active->primitive.push_back(v);
}

void normal3f(GLfloat x, GLfloat y, GLfloat z) {
  if (!active) return;
  float* n = active->current.normal;
  n[0] = x;
  n[1] = y;
  n[2] = z;
}

void color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  if (!active) return;
  float* c = active->current.colour;
  c[0] = r;
  c[1] = g;
  c[2] = b;
  c[3] = a;
}

void texCoord2f(GLfloat s, GLfloat t) {
  multiTexCoord2fARB(kTexture0, s, t);
}

void activeTextureARB(GLenum texture) {
  if (!active) return;
  const int unit = static_cast<int>(texture) - static_cast<int>(kTexture0);
  if (unit < 0 || unit >= kUnits) return unsupported("glActiveTextureARB", texture);
  active->activeUnit = unit;
}

void multiTexCoord2fARB(GLenum target, GLfloat s, GLfloat t) {
  if (!active) return;
  float* tex = target == kTexture0 + 1 ? active->current.tex1 : active->current.tex0;
  tex[0] = s;
  tex[1] = t;
}

void enableClientState(GLenum array) {
  if (!active) return;
  if (ClientArray* a = clientArray(*active, array)) a->enabled = true;
}

void disableClientState(GLenum array) {
  if (!active) return;
  if (ClientArray* a = clientArray(*active, array)) a->enabled = false;
}

void vertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
  if (!active) return;
  if (size != 3 || type != GL_FLOAT || stride != 0) return unsupported("glVertexPointer", type);
  active->vertexArray.pointer = static_cast<const float*>(pointer);
}

void normalPointer(GLenum type, GLsizei stride, const GLvoid* pointer) {
  if (!active) return;
  if (type != GL_FLOAT || stride != 0) return unsupported("glNormalPointer", type);
  active->normalArray.pointer = static_cast<const float*>(pointer);
}

void texCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
  if (!active) return;
  if (size != 2 || type != GL_FLOAT || stride != 0) return unsupported("glTexCoordPointer", type);
  active->texCoordArray.pointer = static_cast<const float*>(pointer);
}

void drawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices) {
  Context* c = changing();
  if (!c || count <= 0) return;
  if (mode != kTriangles || type != GL_UNSIGNED_INT) return unsupported("glDrawElements", mode);
  c->drawArrays(static_cast<const std::uint32_t*>(indices), static_cast<std::size_t>(count));
}

void matrixMode(GLenum mode) {
  if (Context* c = changing()) c->matrixMode = mode;
}

void loadIdentity() {
  if (Context* c = changing()) c->top() = Mat4{};
}

void pushMatrix() {
  Context* c = changing();
  if (!c) return;
  std::vector<Mat4>& stack = c->matrixMode == kProjection ? c->projection : c->modelview;
  if (stack.size() < kStackDepth) stack.push_back(stack.back());
}

void popMatrix() {
  Context* c = changing();
  if (!c) return;
  std::vector<Mat4>& stack = c->matrixMode == kProjection ? c->projection : c->modelview;
  if (stack.size() > 1) stack.pop_back();
}

void translatef(GLfloat x, GLfloat y, GLfloat z) {
  if (Context* c = changing()) c->top() = c->top() * translation(x, y, z);
}

void rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
  if (Context* c = changing()) c->top() = c->top() * rotation(angle, x, y, z);
}

void perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  Context* c = changing();
  Mat4 m;
  if (c && perspectiveMatrix(fovy, aspect, zNear, zFar, m)) c->top() = c->top() * m;
}

void lookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
            GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
  Context* c = changing();
  if (!c) return;
  const float eye[3] = {static_cast<float>(eyeX), static_cast<float>(eyeY),
                        static_cast<float>(eyeZ)};
  const float centre[3] = {static_cast<float>(centreX), static_cast<float>(centreY),
                           static_cast<float>(centreZ)};
  const float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
  c->top() = c->top() * lookAtMatrix(eye, centre, up);
}

void lightfv(GLenum light, GLenum name, const GLfloat* params) {
  Context* c = changing();
  if (!c || light < kLight0 || light >= kLight0 + kLights) return;
  Light& l = c->lights[light - kLight0];
  switch (name) {
    case kAmbient:
      std::memcpy(l.ambient.data(), params, sizeof(float) * 4);
      break;
    case kDiffuse:
      std::memcpy(l.diffuse.data(), params, sizeof(float) * 4);
      break;
    case kSpecular:
      std::memcpy(l.specular.data(), params, sizeof(float) * 4);
      break;
    case kPosition: {
      // Placed by the modelview current now, as desktop GL places it.
      const Mat4& m = c->modelview.back();
      for (int r = 0; r < 4; ++r) {
        l.position[static_cast<std::size_t>(r)] = m.at(r, 0) * params[0] + m.at(r, 1) * params[1] +
                                                  m.at(r, 2) * params[2] + m.at(r, 3) * params[3];
      }
      break;
    }
    default:
      unsupported("glLightfv", name);
  }
}

void colorMaterial(GLenum face, GLenum mode) {
  // Front and back, ambient and diffuse: the only tracking the subset has.
  if (face != 0x0408 || mode != 0x1602) unsupported("glColorMaterial", mode);
}

void materialfv(GLenum face, GLenum name, const GLfloat* params) {
  Context* c = changing();
  if (!c) return;
  if (face != 0x0408 || (name != 0x1200 && name != 0x1201))
    return unsupported("glMaterialfv", name);
  // While colour material tracks them, the colour sets both and these are ignored.
  if (c->colourMaterial) return;
  std::array<float, 4>& target = name == 0x1200 ? c->materialAmbient : c->materialDiffuse;
  std::copy(params, params + 4, target.begin());
}

void shadeModel(GLenum mode) {
  if (mode != 0x1D01) unsupported("glShadeModel", mode);
}

void genTextures(GLsizei n, GLuint* textures) {
  if (active) glGenTextures(n, textures);
}

void deleteTextures(GLsizei n, const GLuint* textures) {
  Context* c = changing();
  if (!c) return;
  glDeleteTextures(n, textures);
  for (GLsizei i = 0; i < n; ++i) {
    c->textures.erase(textures[i]);
    // A deleted texture that was bound leaves its unit bound to none, as desktop OpenGL does.
    for (TextureUnit& unit : c->units) {
      if (unit.bound == textures[i]) unit.bound = 0;
    }
  }
  c->texturesChanged();
}

void bindTexture(GLenum target, GLuint texture) {
  Context* c = changing();
  if (!c || target != kTexture2D) return;
  unitFor(*c)->bound = texture;
}

void texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
  Context* c = changing();
  if (!c || target != kTexture2D || level != 0 || border != 0) return;
  if ((internalFormat != 3 && internalFormat != GL_RGB) || format != GL_RGB ||
      type != GL_UNSIGNED_BYTE) {
    return unsupported("glTexImage2D", static_cast<GLenum>(internalFormat));
  }
  const GLuint texture = unitFor(*c)->bound;
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  c->texturesChanged();
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  c->textures[texture].image = true;
  const auto bytes = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3;
  c->work().storageBytes += bytes;
  c->work().sentBytes += bytes;
}

void texParameteri(GLenum target, GLenum name, GLint param) {
  Context* c = changing();
  if (!c || target != kTexture2D) return;
  const GLuint texture = unitFor(*c)->bound;
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  c->texturesChanged();
  glTexParameteri(GL_TEXTURE_2D, name, param);
  if (name == GL_TEXTURE_MIN_FILTER) {
    c->textures[texture].plainFilter = param == GL_LINEAR || param == GL_NEAREST;
  }
}

void texEnvi(GLenum, GLenum name, GLint param) {
  Context* c = changing();
  if (!c) return;
  if (name != kTextureEnvMode || (param != 0x2100 && param != 0x0104)) {
    return unsupported("glTexEnvi", static_cast<GLenum>(param));
  }
  unitFor(*c)->envMode = static_cast<GLenum>(param);
}

void texGeni(GLenum coord, GLenum, GLint param) {
  Context* c = changing();
  if (!c) return;
  const bool sphere = param == static_cast<GLint>(kSphereMap);
  if (!sphere && param != 0x2400) unsupported("glTexGeni", static_cast<GLenum>(param));
  (coord == kS ? unitFor(*c)->sphereS : unitFor(*c)->sphereT) = sphere;
}

void enable(GLenum cap) {
  setSwitch(cap, true);
}

void disable(GLenum cap) {
  setSwitch(cap, false);
}

GLboolean isEnabled(GLenum cap) {
  if (!active) return 0;
  const Context& c = *active;
  if (cap >= kLight0 && cap < kLight0 + kLights) return c.lights[cap - kLight0].on;
  const TextureUnit& unit = c.units[static_cast<std::size_t>(c.activeUnit)];
  switch (cap) {
    case kLighting:
      return c.lighting;
    case kColourMaterial:
      return c.colourMaterial;
    case kTexture2D:
      return unit.enabled;
    case kGenS:
      return unit.genS;
    case kGenT:
      return unit.genT;
    case GL_BLEND:
      return c.blend;
    case GL_DEPTH_TEST:
      return c.depthTest;
    case GL_SCISSOR_TEST:
      return c.scissorTest;
    case GL_CULL_FACE:
      return c.cullFace;
    default:
      return 0;
  }
}

void blendFunc(GLenum source, GLenum destination) {
  if (Context* c = changing()) c->blendFactors = {source, destination};
}

void depthFunc(GLenum func) {
  Context* c = changing();
  if (!c) return;
  c->depthFunction = func;
  glDepthFunc(func);
}

void depthMask(GLboolean flag) {
  Context* c = changing();
  if (!c) return;
  c->depthWrites = flag != 0;
  glDepthMask(flag);
}

void scissor(GLint x, GLint y, GLsizei width, GLsizei height) {
  Context* c = changing();
  if (!c) return;
  c->scissorBox = {x, y, width, height};
  glScissor(x, y, width, height);
}

void polygonMode(GLenum, GLenum mode) {
  if (Context* c = changing()) c->wireframe = mode == kLine;
}

void viewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  Context* c = changing();
  if (!c) return;
  c->viewport = {x, y, width, height};
  glViewport(x, y, width, height);
}

void clearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
  Context* c = changing();
  if (!c) return;
  c->clearColour = {r, g, b, a};
  glClearColor(r, g, b, a);
}

void clear(GLbitfield mask) {
  if (changing()) glClear(mask);
}

void getIntegerv(GLenum name, GLint* params) {
  if (!active) return;
  switch (name) {
    case GL_VIEWPORT:
      std::memcpy(params, active->viewport.data(), sizeof(GLint) * 4);
      break;
    case GL_SCISSOR_BOX:
      std::memcpy(params, active->scissorBox.data(), sizeof(GLint) * 4);
      break;
    case GL_UNPACK_ALIGNMENT:
      *params = 4;
      break;
    default:
      unsupported("glGetIntegerv", name);
  }
}

void getFloatv(GLenum name, GLfloat* params) {
  if (!active) return;
  switch (name) {
    case kModelviewMatrix:
      std::memcpy(params, active->modelview.back().m.data(), sizeof(float) * 16);
      break;
    case kProjectionMatrix:
      std::memcpy(params, active->projection.back().m.data(), sizeof(float) * 16);
      break;
    case GL_COLOR_CLEAR_VALUE:
      std::memcpy(params, active->clearColour.data(), sizeof(float) * 4);
      break;
    default:
      unsupported("glGetFloatv", name);
  }
}

const GLubyte* getString(GLenum name) {
  static const char kExtensions[] = "GL_ARB_multitexture";
  return reinterpret_cast<const GLubyte*>(name == GL_EXTENSIONS ? kExtensions : "");
}

int programsMadeWhileDrawing() {
  return active ? active->programsMadeWhileDrawing() : 0;
}

Work work() {
  return active ? active->work() : Work{};
}

Work operator-(const Work& later, const Work& earlier) {
  return {later.draws - earlier.draws,
          later.batchBuffersMade - earlier.batchBuffersMade,
          later.storageBytes - earlier.storageBytes,
          later.sentBytes - earlier.sentBytes,
          later.texturesFirstDrawn - earlier.texturesFirstDrawn,
          later.statesFirstDrawn - earlier.statesFirstDrawn};
}

void* procAddress(const char* name) {
  const std::string_view n = name ? name : "";
  if (n == "glActiveTextureARB") return reinterpret_cast<void*>(&activeTextureARB);
  if (n == "glMultiTexCoord2fARB") return reinterpret_cast<void*>(&multiTexCoord2fARB);
  return nullptr;
}

}  // namespace tav::gl11
