#pragma once
// The studio overlay's bitmap font, our own design: printable ASCII (32 to 126) in 5 x 9 dots, 7
// above the baseline and 2 below it for descenders, drawn in 6 x 10 pixel cells at scale 1. Any
// other character draws a placeholder box, a tall hollow rectangle no character resembles.
#include <cstdint>
#include <string_view>
#include <vector>

namespace tav::studio {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 9;
inline constexpr int kCellWidth = 6;    // a character's advance: the glyph and one blank column
inline constexpr int kCellHeight = 10;  // a line's advance: the glyph and one blank row
inline constexpr int kGlyphCount = 96;  // glyph c - 32 for printable ASCII, then the placeholder
inline constexpr int kPlaceholder = 95;

// The glyph of one byte: printable ASCII its own, every other byte the placeholder.
int glyphFor(unsigned char c);

// Takes the first character off `text` and gives its glyph. A UTF-8 sequence (a lead byte and the
// continuation bytes it announces that follow) is one character and draws one placeholder.
// `text` must not be empty.
int takeGlyph(std::string_view& text);

// How many glyphs a line of text draws.
int glyphCount(std::string_view text);

// Whether a glyph has a dot at (column, row), row 0 at the top; false outside the glyph's 5 x 9
// dots and for glyph numbers outside 0 to kGlyphCount - 1.
bool dot(int glyph, int column, int row);

// All glyphs in one 8-bit RGB image, white dots on black, each glyph's whole cell at atlasCell.
// Width and height are powers of two, so that any OpenGL 1.1 driver takes it as a texture.
struct FontAtlas {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // top row first, 3 bytes a texel, rows packed
};
FontAtlas makeFontAtlas();

struct AtlasCell {
  int x = 0;  // the cell's top-left texel
  int y = 0;
};
AtlasCell atlasCell(int glyph);

}  // namespace tav::studio
