#pragma once
// The functions of the browser's OpenGL 1.1 subset, by their own names. The engine reaches them
// through the usual gl names that platform/web/gl11.h maps onto these; the implementation
// includes this header beside WebGL's own.
#include <cstddef>
#include <cstdint>

typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef void GLvoid;
typedef int GLint;
typedef unsigned char GLubyte;
typedef unsigned int GLuint;
typedef int GLsizei;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;

typedef void (*PFNGLACTIVETEXTUREARBPROC)(GLenum texture);
typedef void (*PFNGLMULTITEXCOORD2FARBPROC)(GLenum target, GLfloat s, GLfloat t);

namespace tav::gl11 {

// Immediate mode.
void begin(GLenum mode);
void end();
void vertex3f(GLfloat x, GLfloat y, GLfloat z);
void normal3f(GLfloat x, GLfloat y, GLfloat z);
void color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void texCoord2f(GLfloat s, GLfloat t);
void activeTextureARB(GLenum texture);
void multiTexCoord2fARB(GLenum target, GLfloat s, GLfloat t);

// Client arrays.
void enableClientState(GLenum array);
void disableClientState(GLenum array);
void vertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void normalPointer(GLenum type, GLsizei stride, const GLvoid* pointer);
void texCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void drawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices);

// Matrices.
void matrixMode(GLenum mode);
void loadIdentity();
void pushMatrix();
void popMatrix();
void translatef(GLfloat x, GLfloat y, GLfloat z);
void rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void lookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
            GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ);

// Lighting.
void lightfv(GLenum light, GLenum name, const GLfloat* params);
void colorMaterial(GLenum face, GLenum mode);
void materialfv(GLenum face, GLenum name, const GLfloat* params);
void shadeModel(GLenum mode);

// Textures.
void genTextures(GLsizei n, GLuint* textures);
void deleteTextures(GLsizei n, const GLuint* textures);
void bindTexture(GLenum target, GLuint texture);
void texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                GLint border, GLenum format, GLenum type, const GLvoid* pixels);
void texParameteri(GLenum target, GLenum name, GLint param);
void texEnvi(GLenum target, GLenum name, GLint param);
void texGeni(GLenum coord, GLenum name, GLint param);

// Switches, fragments and the frame.
void enable(GLenum cap);
void disable(GLenum cap);
GLboolean isEnabled(GLenum cap);
void blendFunc(GLenum source, GLenum destination);
void depthFunc(GLenum func);
void depthMask(GLboolean flag);
void scissor(GLint x, GLint y, GLsizei width, GLsizei height);
void polygonMode(GLenum face, GLenum mode);
void viewport(GLint x, GLint y, GLsizei width, GLsizei height);
void clearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a);
void clear(GLbitfield mask);

// Queries.
void getIntegerv(GLenum name, GLint* params);
void getFloatv(GLenum name, GLfloat* params);
const GLubyte* getString(GLenum name);

// How many programs the current context had to make at a draw, beyond those it made up front for
// the show: none, when the show draws only in the states it is known to draw in.
int programsMadeWhileDrawing();

// What the current context has sent to WebGL since it was made; the page's frame report takes
// the difference over each frame.
struct Work {
  std::uint64_t draws = 0;
  std::uint64_t batchBuffersMade = 0;    // immediate mode's buffers, one set per batch
  std::uint64_t storageBytes = 0;        // buffer and texture storage made anew
  std::uint64_t sentBytes = 0;           // data written into buffers and textures
  std::uint64_t texturesFirstDrawn = 0;  // textures drawn with for the first time
  std::uint64_t statesFirstDrawn = 0;    // combinations of program and fixed state, likewise
};
Work work();
Work operator-(const Work& later, const Work& earlier);

// The ARB entry points by name, as a window's procAddress hands them out; null for any other.
void* procAddress(const char* name);

}  // namespace tav::gl11
