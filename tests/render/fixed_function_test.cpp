// The fixed-function work the draw styles lean on, drawn with plain OpenGL 1.1 calls and checked
// against values worked out by hand: on the desktop's Mesa and on the browser's GL layer alike.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/gl.h"
#include "platform/window.h"
#include "tests/render/headless_gl.h"

namespace tav {
namespace {

using test::kWidth;
using test::Rgb;

class FixedFunction : public test::HeadlessGL {
 protected:
  void SetUp() override {
    test::HeadlessGL::SetUp();
    if (HasFatalFailure()) return;
    activeTexture = multitexture.activeTexture;
    multiTexCoord = multitexture.multiTexCoord2f;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }

  // A one-texel-per-colour texture, linear filtering, on the active unit.
  GLuint texture(const std::vector<std::uint8_t>& rgb, int width) {
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    std::vector<std::uint8_t> rows;  // rows start on 4 bytes, the unpack alignment
    const int stride = (width * 3 + 3) / 4 * 4;
    const int height = static_cast<int>(rgb.size()) / (width * 3);
    for (int y = 0; y < height; ++y) {
      rows.insert(rows.end(), rgb.begin() + y * width * 3, rgb.begin() + (y + 1) * width * 3);
      rows.resize(static_cast<std::size_t>((y + 1) * stride));
    }
    glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return id;
  }

  // A square in the plane z = 0 of half-size h, facing +z, counter-clockwise on screen.
  static void square(float h, float nx = 0.0f, float ny = 0.0f, float nz = 1.0f) {
    glBegin(GL_QUADS);
    glNormal3f(nx, ny, nz);
    glVertex3f(-h, -h, 0.0f);
    glVertex3f(h, -h, 0.0f);
    glVertex3f(h, h, 0.0f);
    glVertex3f(-h, h, 0.0f);
    glEnd();
  }

  Rgb presentedAt(int x, int y) {  // y from the top
    present();
    return at(x, y);
  }

  static void expectNear(const Rgb& got, const Rgb& want, const char* what) {
    for (int i = 0; i < 3; ++i)
      EXPECT_LE(std::abs(got[i] - want[i]), 1) << what << ", channel " << i;
  }

  PFNGLACTIVETEXTUREARBPROC activeTexture = nullptr;
  PFNGLMULTITEXCOORD2FARBPROC multiTexCoord = nullptr;
};

TEST_F(FixedFunction, PositionalAndDirectionalLightsWithColourMaterial) {
  // A square of half-size 10 seen from z = 30; the light 10 in front of its centre reaches each
  // corner at the same angle: N.L = 10 / sqrt(300).
  glMatrixMode(GL_PROJECTION);
  gluPerspective(71.0, 4.0 / 3.0, 1.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  gluLookAt(0.0, 0.0, 30.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
  const GLfloat ambient[4] = {0.1f, 0.1f, 0.1f, 1.0f};
  const GLfloat diffuse[4] = {0.6f, 0.6f, 0.6f, 1.0f};
  glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_COLOR_MATERIAL);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  const float colour[3] = {1.0f, 0.5f, 0.25f};
  auto expected = [&](double nl) {
    Rgb rgb;
    for (int i = 0; i < 3; ++i) {
      // The scene's ambient 0.2, the light's ambient and its diffuse, all times the colour.
      const double c = colour[i] * (0.2 + ambient[i] + nl * diffuse[i]);
      rgb[static_cast<std::size_t>(i)] = static_cast<int>(std::lround(std::min(c, 1.0) * 255.0));
    }
    return rgb;
  };
  for (bool positional : {true, false}) {
    const GLfloat position[4] = {0.0f, 0.0f, positional ? 10.0f : 1.0f, positional ? 1.0f : 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(colour[0], colour[1], colour[2], 1.0f);
    square(10.0f);
    expectNear(presentedAt(160, 120), expected(positional ? 10.0 / std::sqrt(300.0) : 1.0),
               positional ? "positional" : "directional");
  }
  glDisable(GL_LIGHTING);
}

TEST_F(FixedFunction, SphereMapCoordinatesFollowTheNormal) {
  // Two red texels, then two green: from s = 0.125 to 0.375 red, from 0.625 to 0.875 green,
  // whatever the filter. A small square at the centre of the view, its eye
  // direction (0, 0, -1): a normal tilted to +x reflects to s = 1 / (2 sqrt 2) + 1/2 = 0.854,
  // tilted to -x to 0.146.
  texture({255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 255, 0}, 4);
  glEnable(GL_TEXTURE_2D);
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
  glMatrixMode(GL_PROJECTION);
  gluPerspective(71.0, 4.0 / 3.0, 1.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(0.0f, 0.0f, -50.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  const float d = std::sqrt(0.5f);
  square(0.5f, d, 0.0f, d);
  expectNear(presentedAt(160, 120), {0, 255, 0}, "normal to +x");
  glClear(GL_COLOR_BUFFER_BIT);
  square(0.5f, -d, 0.0f, d);
  expectNear(presentedAt(160, 120), {255, 0, 0}, "normal to -x");
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glDisable(GL_TEXTURE_2D);
}

TEST_F(FixedFunction, TheSecondUnitAddsItsTexelToTheFirstUnitsModulatedColour) {
  const GLuint grey = texture({64, 64, 64}, 1);
  activeTexture(GL_TEXTURE1_ARB);
  const GLuint warm = texture({128, 64, 0}, 1);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
  activeTexture(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_2D, grey);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glColor4f(1.0f, 0.5f, 1.0f, 1.0f);
  glBegin(GL_QUADS);
  for (auto [x, y] : {std::pair{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}}) {
    multiTexCoord(GL_TEXTURE0_ARB, 0.5f, 0.5f);
    multiTexCoord(GL_TEXTURE1_ARB, 0.5f, 0.5f);
    glVertex3f(x, y, 0.0f);
  }
  glEnd();
  // (1, 0.5, 1) x 64/255, plus (128, 64, 0)/255.
  expectNear(presentedAt(160, 120), {64 + 128, 32 + 64, 64}, "modulate, then add");
  activeTexture(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_2D);
  activeTexture(GL_TEXTURE0_ARB);
  glDisable(GL_TEXTURE_2D);
  (void)warm;
}

TEST_F(FixedFunction, LineModeDrawsTheEdgesOfFrontFacesOnly) {
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  square(0.5f);
  present();
  auto lit = [&](int x, int y) { return at(x, y)[0]; };
  // The bottom edge, y = -0.5, is row 180 from the top (within a row of rounding); the centre,
  // on the quad's diagonal, stays clear: a quad in line mode has no diagonal.
  EXPECT_GT(lit(160, 179) + lit(160, 180) + lit(160, 181), 0);
  EXPECT_EQ(lit(160, 120), 0);
  EXPECT_EQ(lit(150, 110), 0);

  // Clockwise on screen, so facing away: culled before its edges are drawn.
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_CULL_FACE);
  glBegin(GL_QUADS);
  glVertex3f(-0.5f, -0.5f, 0.0f);
  glVertex3f(-0.5f, 0.5f, 0.0f);
  glVertex3f(0.5f, 0.5f, 0.0f);
  glVertex3f(0.5f, -0.5f, 0.0f);
  glEnd();
  present();
  EXPECT_EQ(lit(160, 179) + lit(160, 180) + lit(160, 181), 0);
  glDisable(GL_CULL_FACE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

}  // namespace
}  // namespace tav
