// The overlay as a viewer sees it: real frames compared pixel by pixel with a picture composed
// here from the font's dots, each drawn over state a show might leave, all of it hostile.
#include "studio/overlay_painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/gl_state.h"
#include "studio/font.h"
#include "tests/render/headless_gl.h"
#ifndef __EMSCRIPTEN__
#include "tests/support/gl_readback.h"
#endif

namespace tav::studio {
namespace {

using test::kHeight;
using test::kWidth;
using Colour = std::array<float, 3>;

class OverlayPixels : public test::HeadlessGL {
 protected:
  void SetUp() override {
    test::HeadlessGL::SetUp();
    if (HasFatalFailure()) return;
    painter = OverlayPainter(multitexture);
    clear({0.25f, 0.25f, 0.25f});
    leaveShowState();
  }

  void clear(Colour c) {
    glClearColor(c[0], c[1], c[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    expected.assign(static_cast<std::size_t>(kWidth * kHeight), c);
  }

  // Unlit lighting, a depth test nothing passes, edges only, a camera, sphere-mapped coordinates
  // added on the first unit and a red texture on the second.
  void leaveShowState() {
    for (GLenum cap : {GL_LIGHTING, GL_DEPTH_TEST, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T})
      glEnable(cap);
    glDepthFunc(GL_NEVER);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glBlendFunc(GL_ZERO, GL_ZERO);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(60.0, 4.0 / 3.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(3.0f, 2.0f, -10.0f);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
    multitexture.activeTexture(GL_TEXTURE1_ARB);
    const std::uint8_t red[3] = {255, 0, 0};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, red);
    glEnable(GL_TEXTURE_2D);
  }

  template <typename Blend>
  void compose(int x, int y, int w, int h, Blend blend) {
    for (int py = std::max(y, 0); py < std::min(y + h, kHeight); ++py)
      for (int px = std::max(x, 0); px < std::min(x + w, kWidth); ++px)
        blend(expected[static_cast<std::size_t>(py * kWidth + px)]);
  }
  void expectBar(int x, int y, int w, int h, Colour c, float a) {
    compose(x, y, w, h, [&](Colour& e) {
      for (int i = 0; i < 3; ++i)
        e[i] += (c[i] - e[i]) * a;
    });
  }
  void expectText(int x, int y, std::string_view text, Colour c, int scale) {
    for (int left = x; !text.empty(); left += kCellWidth * scale) {
      const int glyph = takeGlyph(text);
      for (int row = 0; row < kGlyphHeight; ++row) {
        for (int column = 0; column < kGlyphWidth; ++column) {
          if (!dot(glyph, column, row)) continue;
          compose(left + column * scale, y + row * scale, scale, scale, [&](Colour& e) {
            for (int i = 0; i < 3; ++i)
              e[i] = std::min(e[i] + c[i], 1.0f);
          });
        }
      }
    }
  }

  // Presents the frame and counts the pixels off the composed picture by more than rounding.
  int wrongPixels() {
    present();
    int wrong = 0;
    for (int i = 0; i < kWidth * kHeight; ++i) {
      const test::Rgb got = at(i % kWidth, i / kWidth);
      bool off = false;
      for (int c = 0; c < 3; ++c)
        off |= std::abs(got[c] - std::lround(expected[i][c] * 255)) > 2;
      if (off && wrong++ < 5) ADD_FAILURE() << "at " << i % kWidth << "," << i / kWidth;
    }
    return wrong;
  }

  OverlayPainter painter;
  std::vector<Colour> expected;
};

class OverlayTextPixels : public OverlayPixels, public ::testing::WithParamInterface<int> {};

TEST_P(OverlayTextPixels, TextLightsItsGlyphsDotsPlaceholdersIncludedAndNothingOutsideItsBox) {
  const int scale = GetParam(), x = 7, y = 11;
  const std::string line = "1:23.4 Ol1|gjy#%()[]/_-\x01\xC3\xA9\x7f";  // 26 cells fit at scale 2
  const Colour c{0.5f, 0.25f, 0.75f};
  for (int frame = 0; frame < 2; ++frame) {
    if (frame == 1) {  // the show draws between two frames of the overlay
      clear({0.25f, 0.25f, 0.25f});
      leaveShowState();
    }
    painter.begin(kWidth, kHeight);
    painter.text(x, y, line, c[0], c[1], c[2], scale);
    painter.end();
  }
  expectText(x, y, line, c, scale);
  EXPECT_EQ(wrongPixels(), 0);

  const int right = x + OverlayPainter::textWidth(line, scale);
  const int bottom = y + OverlayPainter::lineHeight(scale);
  EXPECT_EQ(right - x, 26 * kCellWidth * scale);
  int litOutside = 0;
  for (int py = 0; py < kHeight; ++py) {
    for (int px = 0; px < kWidth; ++px)
      litOutside += (px < x || px >= right || py < y || py >= bottom) && at(px, py) != at(0, 0);
  }
  EXPECT_EQ(litOutside, 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, OverlayTextPixels, ::testing::Values(1, 2));

TEST_F(OverlayPixels, BarsBlendByAlphaAndTextAddsOntoThemInTheOrderDrawn) {
  clear({0.2f, 0.4f, 0.6f});
  painter.begin(kWidth, kHeight);
  painter.bar(10, 20, 200, 30, 0.0f, 0.0f, 0.0f, 0.75f);
  painter.text(14, 24, "12:34", 0.0f, 1.0f, 0.5f, 2);
  painter.bar(-5, 45, 100, 10, 1.0f, 0.0f, 0.5f, 0.25f);  // over the text, off the left edge
  painter.bar(300, 230, 40, 40, 1.0f, 1.0f, 1.0f, 1.0f);  // off the bottom-right corner
  painter.bar(50, 100, 0, 10, 1.0f, 1.0f, 1.0f, 1.0f);    // empty
  painter.end();
  painter.bar(50, 150, 10, 10, 1.0f, 1.0f, 1.0f, 1.0f);  // after end: not drawn
  expectBar(10, 20, 200, 30, {0, 0, 0}, 0.75f);
  expectText(14, 24, "12:34", {0.0f, 1.0f, 0.5f}, 2);
  expectBar(-5, 45, 100, 10, {1.0f, 0.0f, 0.5f}, 0.25f);
  expectBar(300, 230, 40, 40, {1.0f, 1.0f, 1.0f}, 1.0f);
  EXPECT_EQ(wrongPixels(), 0);
}

// The browser's subset cannot read all of this state back.
#ifndef __EMSCRIPTEN__
TEST_F(OverlayPixels, TheEngineStatePutsBackEverythingThePainterChanged) {
  auto readAll = [&] {  // the engine's items, and the window's that it does not keep
    test::GlReadback all = test::readGlState(multitexture);
    std::vector<float> window(8);
    glGetFloatv(GL_VIEWPORT, window.data());
    glGetFloatv(GL_SCISSOR_BOX, window.data() + 4);
    window.push_back(glIsEnabled(GL_SCISSOR_TEST));
    all.push_back({"viewport, scissor", window});
    return all;
  };
  GlState gl;
  gl.multitexture = multitexture;
  gl.activeTexture(GL_TEXTURE1_ARB);
  gl.enable(GL_TEXTURE_2D);
  glViewport(8, 4, 200, 150);
  glScissor(10, 12, 100, 90);  // and the scissor test off, as frames leave it
  gl.apply();
  const test::GlReadback before = readAll();
  painter.begin(200, 150);
  painter.bar(0, 0, 50, 20, 0.0f, 0.0f, 0.0f, 0.5f);
  painter.text(2, 2, "01:23.456", 1.0f, 1.0f, 1.0f);
  painter.end();
  ASSERT_NE(before, readAll());
  gl.apply();
  const test::GlReadback after = readAll();
  EXPECT_EQ(before, after) << test::differences(before, after);
}
#endif

}  // namespace
}  // namespace tav::studio
