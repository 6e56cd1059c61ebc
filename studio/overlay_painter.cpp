#include "studio/overlay_painter.h"

#include <algorithm>

#include "studio/font.h"

namespace tav::studio {

void OverlayPainter::begin(int width, int height) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  drawing_ = true;
  mode_ = Mode::None;

  if (multitexture_.available()) {
    multitexture_.activeTexture(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    multitexture_.activeTexture(GL_TEXTURE0_ARB);
  }
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  if (texture_ == 0) upload();
  glBindTexture(GL_TEXTURE_2D, texture_);

  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_BLEND);
  // Positions arrive already in normalized device coordinates (vertex below).
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void OverlayPainter::upload() {
  const FontAtlas atlas = makeFontAtlas();
  atlasWidth_ = atlas.width;
  atlasHeight_ = atlas.height;
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  // Whole-pixel quads over whole texels: nearest sampling keeps every dot sharp at any scale.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, atlas.width, atlas.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
               atlas.rgb.data());
}

void OverlayPainter::use(Mode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  if (mode == Mode::Text) {
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_ONE, GL_ONE);
  } else {
    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
}

void OverlayPainter::vertex(int x, int y) const {
  glVertex3f(2.0f * static_cast<float>(x) / static_cast<float>(width_) - 1.0f,
             1.0f - 2.0f * static_cast<float>(y) / static_cast<float>(height_), 0.0f);
}

void OverlayPainter::bar(int x, int y, int w, int h, float r, float g, float b, float a) {
  if (!drawing_ || w <= 0 || h <= 0) return;
  use(Mode::Bars);
  glColor4f(r, g, b, a);
  glBegin(GL_QUADS);
  vertex(x, y + h);
  vertex(x + w, y + h);
  vertex(x + w, y);
  vertex(x, y);
  glEnd();
}

void OverlayPainter::text(int x, int y, std::string_view line, float r, float g, float b,
                          int scale) {
  if (!drawing_ || line.empty()) return;
  scale = std::max(scale, 1);
  use(Mode::Text);
  glColor4f(r, g, b, 1.0f);
  const int w = kCellWidth * scale;
  const int h = kCellHeight * scale;
  const float du = static_cast<float>(kCellWidth) / static_cast<float>(atlasWidth_);
  const float dv = static_cast<float>(kCellHeight) / static_cast<float>(atlasHeight_);
  glBegin(GL_QUADS);
  while (!line.empty()) {
    const AtlasCell cell = atlasCell(takeGlyph(line));
    const float u = static_cast<float>(cell.x) / static_cast<float>(atlasWidth_);
    const float v = static_cast<float>(cell.y) / static_cast<float>(atlasHeight_);
    glTexCoord2f(u, v + dv);
    vertex(x, y + h);
    glTexCoord2f(u + du, v + dv);
    vertex(x + w, y + h);
    glTexCoord2f(u + du, v);
    vertex(x + w, y);
    glTexCoord2f(u, v);
    vertex(x, y);
    x += w;
  }
  glEnd();
}

int OverlayPainter::textWidth(std::string_view line, int scale) {
  return glyphCount(line) * kCellWidth * std::max(scale, 1);
}

int OverlayPainter::lineHeight(int scale) {
  return kCellHeight * std::max(scale, 1);
}

}  // namespace tav::studio
