#include "tests/support/gl_recorder.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/gl.h"

namespace tav::test::gl {
namespace {

std::vector<std::string> recorded;
float modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

std::string name(GLenum e) {
  static const std::map<GLenum, const char*> names = {
      {GL_LIGHTING, "GL_LIGHTING"},
      {GL_AMBIENT, "GL_AMBIENT"},
      {GL_DIFFUSE, "GL_DIFFUSE"},
      {GL_SPECULAR, "GL_SPECULAR"},
      {GL_POSITION, "GL_POSITION"},
      {GL_COLOR_MATERIAL, "GL_COLOR_MATERIAL"},
      {GL_FRONT_AND_BACK, "GL_FRONT_AND_BACK"},
      {GL_AMBIENT_AND_DIFFUSE, "GL_AMBIENT_AND_DIFFUSE"},
      {GL_LINE, "GL_LINE"},
      {GL_FILL, "GL_FILL"},
      {GL_DEPTH_TEST, "GL_DEPTH_TEST"},
      {GL_LEQUAL, "GL_LEQUAL"},
      {GL_BLEND, "GL_BLEND"},
      {GL_SRC_ALPHA, "GL_SRC_ALPHA"},
      {GL_ONE, "GL_ONE"},
      {GL_SMOOTH, "GL_SMOOTH"},
      {GL_CULL_FACE, "GL_CULL_FACE"},
      {GL_TEXTURE_2D, "GL_TEXTURE_2D"},
      {GL_TEXTURE_GEN_S, "GL_TEXTURE_GEN_S"},
      {GL_TEXTURE_GEN_T, "GL_TEXTURE_GEN_T"},
      {GL_S, "GL_S"},
      {GL_T, "GL_T"},
      {GL_TEXTURE_GEN_MODE, "GL_TEXTURE_GEN_MODE"},
      {GL_SPHERE_MAP, "GL_SPHERE_MAP"},
      {GL_TEXTURE_ENV, "GL_TEXTURE_ENV"},
      {GL_TEXTURE_ENV_MODE, "GL_TEXTURE_ENV_MODE"},
      {GL_ADD, "GL_ADD"},
      {GL_MODULATE, "GL_MODULATE"},
      {GL_TRIANGLES, "GL_TRIANGLES"},
      {GL_QUADS, "GL_QUADS"},
      {GL_MODELVIEW_MATRIX, "GL_MODELVIEW_MATRIX"},
      {GL_TEXTURE0_ARB, "GL_TEXTURE0_ARB"},
      {GL_TEXTURE1_ARB, "GL_TEXTURE1_ARB"},
      {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, "GL_COLOR_BUFFER_BIT|GL_DEPTH_BUFFER_BIT"},
      {GL_DEPTH_BUFFER_BIT, "GL_DEPTH_BUFFER_BIT"},
      {GL_VERTEX_ARRAY, "GL_VERTEX_ARRAY"},
      {GL_PROJECTION, "GL_PROJECTION"},
      {GL_MODELVIEW, "GL_MODELVIEW"},
      {GL_NORMAL_ARRAY, "GL_NORMAL_ARRAY"},
      {GL_TEXTURE_COORD_ARRAY, "GL_TEXTURE_COORD_ARRAY"},
      {GL_FLOAT, "GL_FLOAT"},
      {GL_UNSIGNED_INT, "GL_UNSIGNED_INT"},
  };
  if (e >= GL_LIGHT0 && e < GL_LIGHT0 + 8) return "GL_LIGHT" + std::to_string(e - GL_LIGHT0);
  auto found = names.find(e);
  if (found != names.end()) return found->second;
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%X", e);
  return hex;
}

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

template <typename... T>
void record(const char* function, const T&... args) {
  std::string line = std::string(function) + "(";
  bool first = true;
  ((line += std::string(first ? "" : ", ") + args, first = false), ...);
  recorded.push_back(line + ")");
}

std::string floats(const GLfloat* v, int n) {
  std::string s = "{";
  for (int i = 0; i < n; ++i)
    s += (i ? ", " : "") + number(v[i]);
  return s + "}";
}

void APIENTRY activeTexture(GLenum unit) {
  record("glActiveTextureARB", name(unit));
}
void APIENTRY multiTexCoord2f(GLenum unit, GLfloat s, GLfloat t) {
  record("glMultiTexCoord2fARB", name(unit), number(s), number(t));
}

}  // namespace

void reset() {
  recorded.clear();
}

std::vector<std::string> take() {
  std::vector<std::string> calls;
  calls.swap(recorded);
  return calls;
}

std::vector<std::string> only(const std::vector<std::string>& calls,
                              const std::vector<std::string>& names) {
  std::vector<std::string> kept;
  for (const std::string& call : calls) {
    std::string function = call.substr(0, call.find('('));
    if (std::find(names.begin(), names.end(), function) != names.end()) kept.push_back(call);
  }
  return kept;
}

std::vector<std::string> stateOnly(const std::vector<std::string>& calls) {
  static const std::vector<std::string> geometry = {"glBegin",
                                                    "glEnd",
                                                    "glNormal3f",
                                                    "glTexCoord2f",
                                                    "glVertex3f",
                                                    "glMultiTexCoord2fARB",
                                                    "glEnableClientState",
                                                    "glDisableClientState",
                                                    "glVertexPointer",
                                                    "glNormalPointer",
                                                    "glTexCoordPointer",
                                                    "glDrawElements"};
  std::vector<std::string> kept;
  for (const std::string& call : calls) {
    std::string function = call.substr(0, call.find('('));
    if (std::find(geometry.begin(), geometry.end(), function) == geometry.end()) {
      kept.push_back(call);
    }
  }
  return kept;
}

void setModelview(const float matrix[16]) {
  std::copy(matrix, matrix + 16, modelview);
}

Multitexture multitexture() {
  return {activeTexture, multiTexCoord2f};
}

}  // namespace tav::test::gl

using tav::test::gl::floats;
using tav::test::gl::name;
using tav::test::gl::number;
using tav::test::gl::record;

extern "C" {

void glEnable(GLenum cap) {
  record("glEnable", name(cap));
}
void glDisable(GLenum cap) {
  record("glDisable", name(cap));
}
void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
  record("glLightfv", name(light), name(pname), floats(params, 4));
}
void glColorMaterial(GLenum face, GLenum mode) {
  record("glColorMaterial", name(face), name(mode));
}
void glLoadIdentity() {
  record("glLoadIdentity");
}
void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz,
               GLdouble ux, GLdouble uy, GLdouble uz) {
  record("gluLookAt", number(ex), number(ey), number(ez), number(cx), number(cy), number(cz),
         number(ux), number(uy), number(uz));
}
void glPolygonMode(GLenum face, GLenum mode) {
  record("glPolygonMode", name(face), name(mode));
}
void glDepthFunc(GLenum func) {
  record("glDepthFunc", name(func));
}
void glDepthMask(GLboolean flag) {
  record("glDepthMask", flag ? "GL_TRUE" : "GL_FALSE");
}
void glBlendFunc(GLenum s, GLenum d) {
  record("glBlendFunc", name(s), name(d));
}
void glPushMatrix() {
  record("glPushMatrix");
}
void glPopMatrix() {
  record("glPopMatrix");
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  record("glTranslatef", number(x), number(y), number(z));
}
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) {
  record("glRotatef", number(a), number(x), number(y), number(z));
}
void glShadeModel(GLenum mode) {
  record("glShadeModel", name(mode));
}
void glBindTexture(GLenum target, GLuint texture) {
  record("glBindTexture", name(target), std::to_string(static_cast<GLint>(texture)));
}
void glTexGeni(GLenum coord, GLenum pname, GLint param) {
  record("glTexGeni", name(coord), name(pname), name(static_cast<GLenum>(param)));
}
void glTexEnvi(GLenum target, GLenum pname, GLint param) {
  record("glTexEnvi", name(target), name(pname), name(static_cast<GLenum>(param)));
}
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  record("glColor4f", number(r), number(g), number(b), number(a));
}
void glBegin(GLenum mode) {
  record("glBegin", name(mode));
}
void glEnd() {
  record("glEnd");
}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
  record("glNormal3f", number(x), number(y), number(z));
}
void glTexCoord2f(GLfloat s, GLfloat t) {
  record("glTexCoord2f", number(s), number(t));
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  record("glVertex3f", number(x), number(y), number(z));
}
void glGetFloatv(GLenum pname, GLfloat* params) {
  record("glGetFloatv", name(pname));
  if (pname == GL_MODELVIEW_MATRIX)
    std::copy(tav::test::gl::modelview, tav::test::gl::modelview + 16, params);
}
void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  record("glClearColor", number(r), number(g), number(b), number(a));
}
void glClear(GLbitfield mask) {
  record("glClear", name(mask));
}
void glMatrixMode(GLenum mode) {
  record("glMatrixMode", name(mode));
}
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  char text[128];
  std::snprintf(text, sizeof text, "gluPerspective(%.17g, %.17g, %.17g, %.17g)", fovy, aspect,
                zNear, zFar);
  tav::test::gl::recorded.push_back(text);
}
void glEnableClientState(GLenum array) {
  record("glEnableClientState", name(array));
}
void glDisableClientState(GLenum array) {
  record("glDisableClientState", name(array));
}
void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid*) {
  record("glVertexPointer", std::to_string(size), name(type), std::to_string(stride));
}
void glNormalPointer(GLenum type, GLsizei stride, const GLvoid*) {
  record("glNormalPointer", name(type), std::to_string(stride));
}
void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid*) {
  record("glTexCoordPointer", std::to_string(size), name(type), std::to_string(stride));
}
void glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices) {
  std::string list = "{";
  for (GLsizei i = 0; i < count; ++i) {
    list += (i ? ", " : "") + std::to_string(static_cast<const GLuint*>(indices)[i]);
  }
  record("glDrawElements", name(mode), std::to_string(count), name(type), list + "}");
}

}  // extern "C"
