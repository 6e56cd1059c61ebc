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

TEST(StudioFont, EveryCharacterHasItsOwnGlyphAndLookalikesDifferInSeveralDots) {
  for (int a = 0; a < kGlyphCount; ++a) {
    EXPECT_EQ(differingDots(a, glyphFor(' ')) == 0, a == glyphFor(' ')) << "glyph " << a;
    for (int b = a + 1; b < kGlyphCount; ++b)
      EXPECT_GT(differingDots(a, b), 0) << a << ", " << b;
  }
  for (const char* pair : {"0O", "0o", "1l", "1I", "lI", "l|", "I|", "5S", "8B", "2Z", "OQ", "OD",
                           "gq", "gy", "uv", "rn", "il", "ij"})
    EXPECT_GE(differingDots(glyphFor(pair[0]), glyphFor(pair[1])), 3) << pair;
}

TEST(StudioFont, BytesOutsidePrintableAsciiAndEachUtf8SequenceDrawOnePlaceholder) {
  for (int c : {0, 10, 31, 127, 128, 255})
    EXPECT_EQ(glyphFor(static_cast<unsigned char>(c)), kPlaceholder) << c;
  EXPECT_TRUE(glyphFor(' ') != kPlaceholder && glyphFor('~') != kPlaceholder);
  EXPECT_FALSE(dot(kGlyphCount, 0, 0) || dot(-1, 0, 0) || dot(kPlaceholder, kGlyphWidth, 0));

  auto glyphsOf = [](std::string_view text) {
    std::vector<int> out;
    while (!text.empty())
      out.push_back(takeGlyph(text));
    return out;
  };
  const int a = glyphFor('a'), box = kPlaceholder;
  EXPECT_EQ(glyphsOf("a\xC3\xA9"
                     "a"),
            (std::vector<int>{a, box, a}));
  EXPECT_EQ(glyphsOf("\xE2\x82\xAC\xF0\x9F\x8E\xB5"), (std::vector<int>{box, box}));
  EXPECT_EQ(glyphsOf("\xE2\x82"), (std::vector<int>{box}));  // cut short by the end
  EXPECT_EQ(glyphsOf("\xE2"
                     "a"),
            (std::vector<int>{box, a}));                          // cut short by ASCII
  EXPECT_EQ(glyphsOf("\xA9\xA9"), (std::vector<int>{box, box}));  // stray continuation bytes
}

}  // namespace
}  // namespace tav::studio
