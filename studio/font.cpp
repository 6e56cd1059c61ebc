#include "studio/font.h"

#include <array>

namespace tav::studio {
namespace {

// Every glyph as it looks, eight to a band under a line naming them ('#' a dot, '.' none); the
// last one is the placeholder.
constexpr std::string_view kSheet = R"(
        !     "     #     $     %     &     '
..... ..#.. .#.#. .#.#. ..#.. ##... .##.. ..#..
..... ..#.. .#.#. .#.#. .#### ##..# #..#. ..#..
..... ..#.. .#.#. ##### #.#.. ...#. #.#.. ..#..
..... ..#.. ..... .#.#. .###. ..#.. .#... .....
..... ..#.. ..... ##### ..#.# .#... #.#.# .....
..... ..... ..... .#.#. ####. #..## #..#. .....
..... ..#.. ..... .#.#. ..#.. ...## .##.# .....
..... ..... ..... ..... ..... ..... ..... .....
..... ..... ..... ..... ..... ..... ..... .....
  (     )     *     +     ,     -     .     /
...#. .#... ..... ..... ..... ..... ..... ....#
..#.. ..#.. ..#.. ..#.. ..... ..... ..... ....#
.#... ...#. #.#.# ..#.. ..... ..... ..... ...#.
.#... ...#. .###. ##### ..... ##### ..... ..#..
.#... ...#. #.#.# ..#.. ..... ..... ..... .#...
..#.. ..#.. ..#.. ..#.. .##.. ..... .##.. #....
...#. .#... ..... ..... .##.. ..... .##.. #....
..... ..... ..... ..... ..#.. ..... ..... .....
..... ..... ..... ..... .#... ..... ..... .....
  0     1     2     3     4     5     6     7
.###. ..#.. .###. ##### ...#. ##### ..##. #####
#...# .##.. #...# ...#. ..##. #.... .#... ....#
#..## ..#.. ....# ..#.. .#.#. ####. #.... ...#.
#.#.# ..#.. ...#. ...#. #..#. ....# ####. ..#..
##..# ..#.. ..#.. ....# ##### ....# #...# .#...
#...# ..#.. .#... #...# ...#. #...# #...# .#...
.###. .###. ##### .###. ...#. .###. .###. .#...
..... ..... ..... ..... ..... ..... ..... .....
..... ..... ..... ..... ..... ..... ..... .....
  8     9     :     ;     <     =     >     ?
.###. .###. ..... ..... ...#. ..... .#... .###.
#...# #...# .##.. .##.. ..#.. ..... ..#.. #...#
#...# #...# .##.. .##.. .#... ##### ...#. ....#
.###. .#### ..... ..... #.... ..... ....# ...#.
#...# ....# ..... ..... .#... ##### ...#. ..#..
#...# ...#. .##.. .##.. ..#.. ..... ..#.. .....
.###. .##.. .##.. .##.. ...#. ..... .#... ..#..
..... ..... ..... ..#.. ..... ..... ..... .....
..... ..... ..... .#... ..... ..... ..... .....
  @     A     B     C     D     E     F     G
.###. .###. ####. .###. ###.. ##### ##### .###.
#...# #...# #...# #...# #..#. #.... #.... #...#
#.### #...# #...# #.... #...# #.... #.... #....
#.#.# ##### ####. #.... #...# ####. ####. #.###
#.### #...# #...# #.... #...# #.... #.... #...#
#.... #...# #...# #...# #..#. #.... #.... #...#
.###. #...# ####. .###. ###.. ##### #.... .####
..... ..... ..... ..... ..... ..... ..... .....
..... ..... ..... ..... ..... ..... ..... .....
  H     I     J     K     L     M     N     O
#...# .###. ..### #...# #.... #...# #...# .###.
#...# ..#.. ...#. #..#. #.... ##.## #...# #...#
#...# ..#.. ...#. #.#.. #.... #.#.# ##..# #...#
##### ..#.. ...#. ##... #.... #.#.# #.#.# #...#
#...# ..#.. ...#. #.#.. #.... #...# #..## #...#
#...# ..#.. #..#. #..#. #.... #...# #...# #...#
#...# .###. .##.. #...# ##### #...# #...# .###.
..... ..... ..... ..... ..... ..... ..... .....
..... ..... ..... ..... ..... ..... ..... .....
  P     Q     R     S     T     U     V     W
####. .###. ####. .#### ##### #...# #...# #...#
#...# #...# #...# #.... ..#.. #...# #...# #...#
#...# #...# #...# #.... ..#.. #...# #...# #...#
####. #...# ####. .###. ..#.. #...# #...# #.#.#
#.... #.#.# #.#.. ....# ..#.. #...# #...# #.#.#
#.... #..#. #..#. ....# ..#.. #...# .#.#. #.#.#
#.... .##.# #...# ####. ..#.. .###. ..#.. .#.#.
..... ..... ..... ..... ..... ..... ..... .....
..... ..... ..... ..... ..... ..... ..... .....
  X     Y     Z     [     \     ]     ^     _
#...# #...# ##### .###. #.... .###. ..#.. .....
#...# #...# ....# .#... #.... ...#. .#.#. .....
.#.#. .#.#. ...#. .#... .#... ...#. #...# .....
..#.. ..#.. ..#.. .#... ..#.. ...#. ..... .....
.#.#. ..#.. .#... .#... ...#. ...#. ..... .....
#...# ..#.. #.... .#... ....# ...#. ..... .....
#...# ..#.. ##### .###. ....# .###. ..... .....
..... ..... ..... ..... ..... ..... ..... #####
..... ..... ..... ..... ..... ..... ..... .....
  `     a     b     c     d     e     f     g
.#... ..... #.... ..... ....# ..... ..##. .....
..#.. ..... #.... ..... ....# ..... .#..# .....
..... .###. #.##. .###. .##.# .###. .#... .####
..... ....# ##..# #.... #..## #...# ###.. #...#
..... .#### #...# #.... #...# ##### .#... #...#
..... #...# #...# #...# #...# #.... .#... #...#
..... .#### ####. .###. .#### .###. .#... .####
..... ..... ..... ..... ..... ..... ..... ....#
..... ..... ..... ..... ..... ..... ..... .###.
  h     i     j     k     l     m     n     o
#.... ..#.. ...#. #.... .##.. ..... ..... .....
#.... ..... ..... #.... ..#.. ..... ..... .....
#.##. .##.. ..##. #..#. ..#.. ##.#. #.##. .###.
##..# ..#.. ...#. #.#.. ..#.. #.#.# ##..# #...#
#...# ..#.. ...#. ##... ..#.. #.#.# #...# #...#
#...# ..#.. ...#. #.#.. ..#.. #.#.# #...# #...#
#...# .###. ...#. #..#. ...## #.#.# #...# .###.
..... ..... #..#. ..... ..... ..... ..... .....
..... ..... .##.. ..... ..... ..... ..... .....
  p     q     r     s     t     u     v     w
..... ..... ..... ..... .#... ..... ..... .....
..... ..... ..... ..... .#... ..... ..... .....
####. .#### #.##. .#### ####. #...# #...# #...#
#...# #...# ##..# #.... .#... #...# #...# #...#
#...# #...# #.... .###. .#... #...# #...# #.#.#
#...# #...# #.... ....# .#..# #..## .#.#. #.#.#
####. .#### #.... ####. ..##. .##.# ..#.. .#.#.
#.... ....# ..... ..... ..... ..... ..... .....
#.... ....# ..... ..... ..... ..... ..... .....
  x     y     z     {     |     }     ~
..... ..... ..... ...## ..#.. ##... ..... #####
..... ..... ..... ..#.. ..#.. ..#.. ..... #...#
#...# #...# ##### ..#.. ..#.. ..#.. .#... #...#
.#.#. #...# ...#. .#... ..#.. ...#. #.#.# #...#
..#.. #...# ..#.. ..#.. ..#.. ..#.. ...#. #...#
.#.#. #...# .#... ..#.. ..#.. ..#.. ..... #...#
#...# .#### ##### ...## ..#.. ##... ..... #...#
..... ....# ..... ..... ..#.. ..... ..... #...#
..... .###. ..... ..... ..#.. ..... ..... #####
)";

constexpr int kPerBand = 8;
constexpr int kBands = kGlyphCount / kPerBand;
constexpr int kLineWidth = kPerBand * (kGlyphWidth + 1) - 1;

struct Glyphs {
  std::array<std::array<std::uint8_t, kGlyphHeight>, kGlyphCount> rows{};  // bit c: column c
  bool wellFormed = false;
};

// Reads the sheet when the program is compiled: a band out of shape, a name out of order or a
// stray mark leaves wellFormed false and stops the build below.
constexpr Glyphs readSheet(std::string_view sheet) {
  Glyphs out;
  std::size_t at = 1;  // past the newline that opens the sheet
  auto nextLine = [&](std::string_view& line) {
    const std::size_t end = sheet.find('\n', at);
    if (end == std::string_view::npos) return false;
    line = sheet.substr(at, end - at);
    at = end + 1;
    return true;
  };
  for (int band = 0; band < kBands; ++band) {
    std::string_view names;
    if (!nextLine(names)) return out;
    for (int i = 0; i < kPerBand; ++i) {
      const int glyph = band * kPerBand + i;
      const std::size_t column = static_cast<std::size_t>(i * (kGlyphWidth + 1) + 2);
      const char name = column < names.size() ? names[column] : ' ';
      const char expected = glyph == kPlaceholder ? ' ' : static_cast<char>(' ' + glyph);
      if (name != expected) return out;
    }
    for (int row = 0; row < kGlyphHeight; ++row) {
      std::string_view line;
      if (!nextLine(line) || line.size() != kLineWidth) return out;
      for (int i = 0; i < kPerBand; ++i) {
        if (i > 0 && line[static_cast<std::size_t>(i * (kGlyphWidth + 1) - 1)] != ' ') return out;
        std::uint8_t bits = 0;
        for (int c = 0; c < kGlyphWidth; ++c) {
          const char mark = line[static_cast<std::size_t>(i * (kGlyphWidth + 1) + c)];
          if (mark == '#') {
            bits = static_cast<std::uint8_t>(bits | (1u << c));
          } else if (mark != '.') {
            return out;
          }
        }
        const auto glyph = static_cast<std::size_t>(band * kPerBand + i);
        out.rows[glyph][static_cast<std::size_t>(row)] = bits;
      }
    }
  }
  out.wellFormed = at == sheet.size();
  return out;
}

constexpr Glyphs kGlyphs = readSheet(kSheet);
static_assert(kGlyphs.wellFormed, "the font sheet is out of shape");

constexpr int kAtlasColumns = 16;

constexpr int nextPowerOfTwo(int n) {
  int p = 1;
  while (p < n)
    p *= 2;
  return p;
}

}  // namespace

int glyphFor(unsigned char c) {
  return c >= 32 && c <= 126 ? c - 32 : kPlaceholder;
}

int takeGlyph(std::string_view& text) {
  const auto lead = static_cast<unsigned char>(text.front());
  text.remove_prefix(1);
  if (lead < 0xC0) return glyphFor(lead);
  // A lead byte announces one to three continuation bytes (10xxxxxx); a sequence cut short by
  // the end of the text or by another byte is still one character.
  const int announced = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
  for (int i = 0; i < announced && !text.empty(); ++i) {
    if ((static_cast<unsigned char>(text.front()) & 0xC0) != 0x80) break;
    text.remove_prefix(1);
  }
  return kPlaceholder;
}

int glyphCount(std::string_view text) {
  int count = 0;
  while (!text.empty()) {
    takeGlyph(text);
    ++count;
  }
  return count;
}

bool dot(int glyph, int column, int row) {
  if (glyph < 0 || glyph >= kGlyphCount || column < 0 || column >= kGlyphWidth || row < 0 ||
      row >= kGlyphHeight) {
    return false;
  }
  const auto bits = kGlyphs.rows[static_cast<std::size_t>(glyph)][static_cast<std::size_t>(row)];
  return (bits >> column) & 1u;
}

AtlasCell atlasCell(int glyph) {
  return {(glyph % kAtlasColumns) * kCellWidth, (glyph / kAtlasColumns) * kCellHeight};
}

FontAtlas makeFontAtlas() {
  const int rows = (kGlyphCount + kAtlasColumns - 1) / kAtlasColumns;
  FontAtlas atlas;
  atlas.width = nextPowerOfTwo(kAtlasColumns * kCellWidth);
  atlas.height = nextPowerOfTwo(rows * kCellHeight);
  atlas.rgb.assign(static_cast<std::size_t>(atlas.width) * atlas.height * 3, 0);
  for (int glyph = 0; glyph < kGlyphCount; ++glyph) {
    const AtlasCell cell = atlasCell(glyph);
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int column = 0; column < kGlyphWidth; ++column) {
        if (!dot(glyph, column, row)) continue;
        const std::size_t texel =
            static_cast<std::size_t>(cell.y + row) * atlas.width + (cell.x + column);
        for (int channel = 0; channel < 3; ++channel)
          atlas.rgb[texel * 3 + channel] = 255;
      }
    }
  }
  return atlas;
}

}  // namespace tav::studio
