#pragma once
// What the engine has told OpenGL that outlives a frame, kept as values. Every state call of the
// engine's drawing goes through here: sent to the context while `live`, only kept while not, so
// that frames can be played without drawing anything and the context then given exactly the state
// that drawing them would have left (apply). No OpenGL state is read back to keep it; the one
// thing asked of the context while not live is a sprite fade's modelview, replayed on the
// context's own matrix stack and taken off again (so a context must be current), since only the
// driver's arithmetic gives the driver's bits.
//
// Kept: the switches, lights, material colours, raster settings, the texture units, the current
// colour, normal and texture coordinates, and the projection and modelview matrices, each held as
// the calls that made it since its last glLoadIdentity, so that replaying them gives the same bits
// the driver computed.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/render/multitexture.h"
#include "engine/vector3.h"
#include "platform/gl.h"

namespace tav {

struct MatrixStep {
  enum class Kind : std::uint8_t { Translate, Rotate, LookAt, Perspective };
  Kind kind = Kind::Translate;
  std::array<double, 9> args{};
  friend bool operator==(const MatrixStep&, const MatrixStep&) = default;
};
// A matrix as the steps that made it from the identity.
using MatrixRecipe = std::vector<MatrixStep>;

class GlState {
 public:
  static constexpr int kLights = 8;
  static constexpr int kUnits = 2;

  // Off while frames are caught up without drawing: the state is kept, nothing reaches OpenGL.
  bool live = true;
  // The ARB_multitexture entry points; without them only the first unit is used.
  Multitexture multitexture;

  // GL_LIGHTING, GL_LIGHT0 to 7, GL_COLOR_MATERIAL, GL_DEPTH_TEST, GL_BLEND, GL_CULL_FACE, and the
  // active unit's GL_TEXTURE_2D, GL_TEXTURE_GEN_S and GL_TEXTURE_GEN_T.
  void enable(GLenum cap);
  void disable(GLenum cap);
  void shadeModel(GLenum mode);
  void blendFunc(GLenum source, GLenum destination);
  void depthFunc(GLenum function);
  void depthMask(GLboolean mask);
  void polygonMode(GLenum mode);  // both faces
  void clearColor(float r, float g, float b, float a);
  void colorMaterial(GLenum face, GLenum mode);
  // GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR or GL_POSITION (placed by the modelview matrix in force).
  void light(GLenum light, GLenum name, const GLfloat* value);

  void matrixMode(GLenum mode);
  void loadIdentity();
  void pushMatrix();
  void popMatrix();
  void translate(float x, float y, float z);
  void rotate(float angle, float x, float y, float z);
  void lookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ,
              double upX, double upY, double upZ);
  void perspective(double fovY, double aspect, double zNear, double zFar);
  // The modelview matrix in force, column by column: asked of the context while live, otherwise
  // made by replaying its steps on the context's own matrix stack and taken back off it.
  void modelview(GLfloat matrix[16]) const;

  void activeTexture(GLenum unit);
  void bindTexture(GLuint texture);  // GL_TEXTURE_2D of the active unit
  void texEnvMode(GLint mode);       // the active unit's GL_TEXTURE_ENV_MODE
  void texGenMode(GLenum coord, GLint mode);

  void color(float r, float g, float b, float a);
  void normal(const Vector3& n);
  void texCoord(float u, float v);  // the first unit's
  void multiTexCoord(GLenum unit, float u, float v);

  // Gives the current context this state. Matrix stacks are expected one deep, as they are
  // between frames; the viewport, scissor and texture objects are not the engine's and stay.
  void apply() const;

  friend bool operator==(const GlState& a, const GlState& b) { return a.values_ == b.values_; }
  // What the kept matrices hold on the heap.
  std::size_t heapBytes() const;

 private:
  struct Light {
    bool on = false;
    std::array<float, 4> ambient{0, 0, 0, 1};
    std::array<float, 4> diffuse{0, 0, 0, 1};
    std::array<float, 4> specular{0, 0, 0, 1};
    std::array<float, 4> position{0, 0, 1, 0};
    MatrixRecipe placedBy;  // the modelview when the position was given
    friend bool operator==(const Light&, const Light&) = default;
  };
  struct Unit {
    bool texture2d = false;
    bool genS = false;
    bool genT = false;
    GLint genModeS = GL_EYE_LINEAR;
    GLint genModeT = GL_EYE_LINEAR;
    GLuint bound = 0;
    GLint envMode = GL_MODULATE;
    std::array<float, 2> texCoord{0, 0};
    friend bool operator==(const Unit&, const Unit&) = default;
  };
  // A fresh context's state.
  struct Values {
    bool lighting = false;
    bool colourMaterial = false;
    bool depthTest = false;
    bool blend = false;
    bool cullFace = false;
    std::array<Light, kLights> lights{Light{false, {0, 0, 0, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}}};
    // Ambient and diffuse, front and back alike: the defaults until colour material tracks.
    std::array<float, 4> materialAmbient{0.2f, 0.2f, 0.2f, 1.0f};
    std::array<float, 4> materialDiffuse{0.8f, 0.8f, 0.8f, 1.0f};
    // What colour material tracks. The material colours kept here follow the colour on both faces,
    // which is all the engine ever asks for (a fresh context's setting).
    std::array<GLenum, 2> colourMaterialMode{GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE};
    GLenum shadeModel = GL_SMOOTH;
    std::array<GLenum, 2> blendFunc{GL_ONE, GL_ZERO};
    GLenum depthFunc = GL_LESS;
    GLboolean depthMask = GL_TRUE;
    GLenum polygonMode = GL_FILL;
    std::array<float, 4> clearColour{0, 0, 0, 0};
    GLenum matrixMode = GL_MODELVIEW;
    std::vector<MatrixRecipe> modelview{MatrixRecipe{}};
    std::vector<MatrixRecipe> projection{MatrixRecipe{}};
    int activeUnit = 0;
    std::array<Unit, kUnits> units{};
    std::array<float, 4> colour{1, 1, 1, 1};
    std::array<float, 3> normal{0, 0, 1};
    friend bool operator==(const Values&, const Values&) = default;
  };

  MatrixRecipe& top() {
    return values_.matrixMode == GL_PROJECTION ? values_.projection.back()
                                               : values_.modelview.back();
  }
  Unit& unit() { return values_.units[static_cast<std::size_t>(values_.activeUnit)]; }
  bool* switchFor(GLenum cap);
  void step(MatrixStep::Kind kind, std::initializer_list<double> args);

  Values values_;
};

// Replays `recipe` onto the matrix in force, from the identity.
void loadRecipe(const MatrixRecipe& recipe);

}  // namespace tav
