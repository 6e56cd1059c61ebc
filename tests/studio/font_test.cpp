#include "studio/font.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tav::studio {
namespace {

int differingDots(int a, int b) {
  int n = 0;
  for (int row = 0; row < kGlyphHeight; ++row)
    for (int column = 0; column < kGlyphWidth; ++column)
      n += dot(a, column, row) != dot(b, column, row);
  return n;
}

std::vector<int> glyphsOf(std::string_view text) {
  std::vector<int> out;
  while (!text.empty())
    out.push_back(takeGlyph(text));
  return out;
}

TEST(StudioFont, EveryPrintableCharacterAndThePlaceholderLookDifferent) {
  for (int a = 0; a < kGlyphCount; ++a) {
    for (int b = a + 1; b < kGlyphCount; ++b)
      EXPECT_GT(differingDots(a, b), 0) << "glyphs " << a << " and " << b;
  }
  for (unsigned char c = 33; c <= 126; ++c) {
    EXPECT_GT(differingDots(glyphFor(c), glyphFor(' ')), 0) << c << " has no dots";
  }
}

TEST(StudioFont, CharactersEasilyConfusedDifferInSeveralDots) {
  for (const char* pair : {"0O", "0o", "1l", "1I", "lI", "l|", "I|", "5S", "8B", "2Z",
                           "OQ", "OD", "gq", "gy", "uv", "rn", "il", "ij", ".,", ":;"}) {
    const int minimum = std::string(".,:;").find(pair[0]) == std::string::npos ? 3 : 2;
    EXPECT_GE(differingDots(glyphFor(pair[0]), glyphFor(pair[1])), minimum) << pair;
  }
}

TEST(StudioFont, OnlyDescendersReachBelowTheBaseline) {
  auto below = [](char c) {
    for (int column = 0; column < kGlyphWidth; ++column)
      if (dot(glyphFor(static_cast<unsigned char>(c)), column, 7)) return true;
    return false;
  };
  for (char c : std::string("gjpqy,;_"))
    EXPECT_TRUE(below(c)) << c;
  for (char c : std::string("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefhiklmnorstuvwxz:.#%-"))
    EXPECT_FALSE(below(c)) << c;
}

TEST(StudioFont, BytesOutsidePrintableAsciiDrawThePlaceholder) {
  for (int c : {0, 9, 10, 31, 127, 128, 200, 255})
    EXPECT_EQ(glyphFor(static_cast<unsigned char>(c)), kPlaceholder) << c;
  EXPECT_NE(glyphFor(' '), kPlaceholder);
  EXPECT_NE(glyphFor('~'), kPlaceholder);
  EXPECT_FALSE(dot(kGlyphCount, 0, 0));
  EXPECT_FALSE(dot(-1, 0, 0));
  EXPECT_FALSE(dot(kPlaceholder, kGlyphWidth, 0));
}

TEST(StudioFont, EachUtf8SequenceIsOnePlaceholder) {
  const int a = glyphFor('a'), b = glyphFor('b'), box = kPlaceholder;
  EXPECT_EQ(glyphsOf("a\xC3\xA9"
                     "b"),
            (std::vector<int>{a, box, b}));                                           // two bytes
  EXPECT_EQ(glyphsOf("\xE2\x82\xAC\xF0\x9F\x8E\xB5"), (std::vector<int>{box, box}));  // 3 and 4
  EXPECT_EQ(glyphsOf("\xE2\x82"), (std::vector<int>{box}));  // cut short by the end
  EXPECT_EQ(glyphsOf("\xE2"
                     "a"),
            (std::vector<int>{box, a}));                          // cut short by ASCII
  EXPECT_EQ(glyphsOf("\xA9\xA9"), (std::vector<int>{box, box}));  // stray continuation bytes
  EXPECT_EQ(glyphCount("01:23.456"), 9);
}

TEST(StudioFont, AtlasHoldsEveryDotAndNothingElse) {
  const FontAtlas atlas = makeFontAtlas();
  auto powerOfTwo = [](int n) { return n > 0 && (n & (n - 1)) == 0; };
  ASSERT_TRUE(powerOfTwo(atlas.width) && powerOfTwo(atlas.height));
  ASSERT_EQ(atlas.rgb.size(), static_cast<std::size_t>(atlas.width * atlas.height * 3));
  std::vector<int> expected(static_cast<std::size_t>(atlas.width * atlas.height), 0);
  for (int glyph = 0; glyph < kGlyphCount; ++glyph) {
    const AtlasCell cell = atlasCell(glyph);
    ASSERT_LE(cell.x + kCellWidth, atlas.width);
    ASSERT_LE(cell.y + kCellHeight, atlas.height);
    for (int row = 0; row < kCellHeight; ++row) {
      for (int column = 0; column < kCellWidth; ++column) {
        int& texel =
            expected[static_cast<std::size_t>((cell.y + row) * atlas.width + cell.x + column)];
        EXPECT_EQ(texel, 0) << "cells overlap at glyph " << glyph;
        texel = dot(glyph, column, row) ? 255 : 1;
      }
    }
  }
  int wrong = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const int want = expected[i] == 255 ? 255 : 0;
    for (int channel = 0; channel < 3; ++channel)
      wrong += atlas.rgb[i * 3 + channel] != want;
  }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace tav::studio
