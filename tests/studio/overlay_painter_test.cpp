// The overlay as a viewer sees it: real frames, compared pixel by pixel with a picture composed
// here from the font's dots. Every test starts from state a show might have left, all of it hostile
// to flat drawing.
#include "studio/overlay_painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "studio/font.h"
#include "tests/render/headless_gl.h"

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
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    expected.assign(static_cast<std::size_t>(kWidth * kHeight), c);
  }

  // Lighting with no light, a depth test nothing passes, edges only, a perspective camera moved
  // away, sphere mapping and added textures on the first unit, and a red texture on the second.
  void leaveShowState() {
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_NEVER);
    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glBlendFunc(GL_ZERO, GL_ZERO);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(60.0, 4.0 / 3.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(3.0f, 2.0f, -10.0f);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
    const std::uint8_t red[4 * 4 * 3] = {
        255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0,
        255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
    multitexture.activeTexture(GL_TEXTURE1_ARB);
    glGenTextures(1, &showTexture);
    glBindTexture(GL_TEXTURE_2D, showTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, red);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
    glEnable(GL_TEXTURE_2D);
  }

  // What the painter should have drawn, composed into `expected`.
  void expectBar(int x, int y, int w, int h, Colour c, float a) {
    for (int py = std::max(y, 0); py < std::min(y + h, kHeight); ++py) {
      for (int px = std::max(x, 0); px < std::min(x + w, kWidth); ++px) {
        Colour& e = expected[static_cast<std::size_t>(py * kWidth + px)];
        for (int i = 0; i < 3; ++i)
          e[i] = e[i] * (1.0f - a) + c[i] * a;
      }
    }
  }
  void expectGlyphs(int x, int y, const std::vector<int>& glyphs, Colour c, int scale) {
    for (std::size_t g = 0; g < glyphs.size(); ++g) {
      const int left = x + static_cast<int>(g) * kCellWidth * scale;
      for (int row = 0; row < kGlyphHeight; ++row) {
        for (int column = 0; column < kGlyphWidth; ++column) {
          if (!dot(glyphs[g], column, row)) continue;
          for (int dy = 0; dy < scale; ++dy) {
            for (int dx = 0; dx < scale; ++dx) {
              Colour& e = expected[static_cast<std::size_t>((y + row * scale + dy) * kWidth + left +
                                                            column * scale + dx)];
              for (int i = 0; i < 3; ++i)
                e[i] = std::min(e[i] + c[i], 1.0f);
            }
          }
        }
      }
    }
  }
  static std::vector<int> glyphsOf(std::string_view text) {
    std::vector<int> out;
    for (char ch : text)
      out.push_back(glyphFor(static_cast<unsigned char>(ch)));
    return out;
  }

  // Presents the frame and counts the pixels off the composed picture by more than rounding.
  int wrongPixels() {
    present();
    int wrong = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const Colour& e = expected[static_cast<std::size_t>(y * kWidth + x)];
        const test::Rgb got = at(x, y);
        for (int i = 0; i < 3; ++i) {
          if (std::abs(got[i] - static_cast<int>(std::lround(e[i] * 255.0f))) > 2) {
            if (wrong++ < 5)
              ADD_FAILURE() << "at " << x << "," << y << " channel " << i << ": " << got[i];
            break;
          }
        }
      }
    }
    return wrong;
  }

  OverlayPainter painter;
  std::vector<Colour> expected;
  GLuint showTexture = 0;
};

class OverlayTextPixels : public OverlayPixels, public ::testing::WithParamInterface<int> {};

TEST_P(OverlayTextPixels, TextLightsTheDotsOfItsGlyphsAndNothingOutsideItsBox) {
  const int scale = GetParam();
  const std::string line = "01:23.456 Ol1|gjy#%()[]/_-";
  const int x = 7, y = 11;
  const Colour colour{0.5f, 0.25f, 0.75f};
  // A frame drawn before, and the show's drawing between the two.
  painter.begin(kWidth, kHeight);
  painter.text(x, y, line, colour[0], colour[1], colour[2], scale);
  painter.end();
  clear({0.25f, 0.25f, 0.25f});
  leaveShowState();

  painter.begin(kWidth, kHeight);
  painter.text(x, y, line, colour[0], colour[1], colour[2], scale);
  painter.end();
  expectGlyphs(x, y, glyphsOf(line), colour, scale);
  EXPECT_EQ(wrongPixels(), 0);

  const int right = x + OverlayPainter::textWidth(line, scale);
  const int bottom = y + OverlayPainter::lineHeight(scale);
  ASSERT_LE(right, kWidth);
  int litOutside = 0, litInside = 0;
  for (int py = 0; py < kHeight; ++py) {
    for (int px = 0; px < kWidth; ++px) {
      const bool lit = at(px, py) != at(0, 0);
      const bool inside = px >= x && px < right && py >= y && py < bottom;
      (inside ? litInside : litOutside) += lit;
    }
  }
  EXPECT_EQ(litOutside, 0);
  EXPECT_GT(litInside, 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, OverlayTextPixels, ::testing::Values(1, 2));

TEST_F(OverlayPixels, CharactersOutsideTheFontDrawThePlaceholder) {
  painter.begin(kWidth, kHeight);
  painter.text(30, 40,
               "A\x01\xC3\xA9\x7f"
               "B\xFF",
               1.0f, 1.0f, 1.0f, 2);
  painter.end();
  expectGlyphs(
      30, 40,
      {glyphFor('A'), kPlaceholder, kPlaceholder, kPlaceholder, glyphFor('B'), kPlaceholder},
      {1.0f, 1.0f, 1.0f}, 2);
  EXPECT_EQ(wrongPixels(), 0);
}

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
  expectGlyphs(14, 24, glyphsOf("12:34"), {0.0f, 1.0f, 0.5f}, 2);
  expectBar(-5, 45, 100, 10, {1.0f, 0.0f, 0.5f}, 0.25f);
  expectBar(300, 230, 40, 40, {1.0f, 1.0f, 1.0f}, 1.0f);
  EXPECT_EQ(wrongPixels(), 0);
}

TEST_F(OverlayPixels, PositionsFollowTheViewportGivenToBegin) {
  glViewport(0, 0, kWidth / 2, kHeight / 2);  // the bottom-left quarter of the window
  painter.begin(kWidth / 2, kHeight / 2);
  painter.bar(0, 0, 4, 4, 1.0f, 1.0f, 1.0f, 1.0f);
  painter.end();
  expectBar(0, kHeight / 2, 4, 4, {1.0f, 1.0f, 1.0f}, 1.0f);
  EXPECT_EQ(wrongPixels(), 0);
}

}  // namespace
}  // namespace tav::studio
