// The painter and the show's state: what it changes the engine's kept state puts back, and a new
// context gets the font texture again.
#include <gtest/gtest.h>

#include "engine/gl_state.h"
#include "studio/overlay_painter.h"
#include "tests/render/headless_gl.h"
#include "tests/support/gl_readback.h"

namespace tav::studio {
namespace {

class OverlayState : public test::HeadlessGL {};

// The readback of the engine's state, and the window state the engine does not keep.
test::GlReadback readAll(const Multitexture& multitexture) {
  test::GlReadback all = test::readGlState(multitexture);
  GLint viewport[4], scissor[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetIntegerv(GL_SCISSOR_BOX, scissor);
  all.push_back({"viewport", std::vector<float>(viewport, viewport + 4)});
  all.push_back({"scissor box", std::vector<float>(scissor, scissor + 4)});
  all.push_back({"scissor test", {glIsEnabled(GL_SCISSOR_TEST) ? 1.0f : 0.0f}});
  return all;
}

TEST_F(OverlayState, TheEngineStatePutsBackEverythingThePainterChanged) {
  GlState gl;
  gl.multitexture = multitexture;
  for (GLenum cap : {GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST, GL_CULL_FACE, GL_COLOR_MATERIAL})
    gl.enable(cap);
  gl.blendFunc(GL_SRC_ALPHA, GL_ONE);
  gl.polygonMode(GL_LINE);
  gl.matrixMode(GL_PROJECTION);
  gl.perspective(60.0, 1.5, 1.0, 500.0);
  gl.matrixMode(GL_MODELVIEW);
  gl.translate(1.0f, 2.0f, -30.0f);
  gl.activeTexture(GL_TEXTURE1_ARB);
  gl.enable(GL_TEXTURE_2D);
  gl.texEnvMode(GL_ADD);
  gl.multiTexCoord(GL_TEXTURE1_ARB, 0.5f, 0.25f);
  gl.activeTexture(GL_TEXTURE0_ARB);
  gl.enable(GL_TEXTURE_2D);
  gl.enable(GL_TEXTURE_GEN_S);
  gl.texGenMode(GL_S, GL_SPHERE_MAP);
  gl.texCoord(0.125f, 0.75f);
  gl.color(0.3f, 0.4f, 0.5f, 0.6f);
  glViewport(8, 4, 200, 150);
  glScissor(10, 12, 100, 90);
  glEnable(GL_SCISSOR_TEST);
  const test::GlReadback before = readAll(multitexture);

  OverlayPainter painter(multitexture);
  painter.begin(200, 150);
  painter.bar(0, 0, 50, 20, 0.0f, 0.0f, 0.0f, 0.5f);
  painter.text(2, 2, "01:23.456", 1.0f, 1.0f, 1.0f, 2);
  painter.end();
  ASSERT_NE(before, readAll(multitexture));
  gl.apply();
  const test::GlReadback after = readAll(multitexture);
  EXPECT_EQ(before, after) << test::differences(before, after);
}

TEST_F(OverlayState, AfterTheContextIsLostTheFontTextureIsMadeAgain) {
  OverlayPainter painter(multitexture);
  auto litPixelsOfAPeriod = [&] {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    painter.begin(test::kWidth, test::kHeight);
    painter.text(0, 0, ".", 1.0f, 1.0f, 1.0f);
    painter.end();
    present();
    int lit = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x)
        lit += at(x, y) != test::Rgb{0, 0, 0};
    return lit;
  };
  EXPECT_EQ(litPixelsOfAPeriod(), 4);
  GLint texture = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
  const GLuint gone = static_cast<GLuint>(texture);
  glDeleteTextures(1, &gone);  // as a lost context takes it
  painter.contextLost();
  EXPECT_EQ(litPixelsOfAPeriod(), 4);
}

}  // namespace
}  // namespace tav::studio
