#pragma once
// Draws the studio's overlay over the show's picture: alpha-blended bars and lines of text in
// the studio font, placed in whole pixels from the top-left corner of the viewport. It draws with
// the OpenGL 1.1 calls every backend has (the browser's subset included) and needs the context
// current from begin to end.
//
// It changes this state and leaves it changed (the studio gives the show its state back with
// GlState::apply afterwards): both matrices loaded with the identity, the matrix mode left at
// GL_MODELVIEW; GL_LIGHTING, GL_DEPTH_TEST and GL_CULL_FACE off; GL_BLEND on with the blend
// function of the last draw (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA for bars; GL_ONE, GL_ONE for
// text); polygon mode GL_FILL; unit 1's GL_TEXTURE_2D off (when ARB_multitexture is there) and
// unit 0 active; on unit 0, GL_TEXTURE_GEN_S and _T off, GL_TEXTURE_ENV_MODE GL_MODULATE,
// GL_TEXTURE_2D on or off as the last draw wanted and the font texture bound; the current colour
// (and with it the material while GL_COLOR_MATERIAL is on) and unit 0's current texture
// coordinates. It leaves alone the viewport, the scissor, depth writes and function, lights,
// shade model and clear colour.
#include <string_view>

#include "engine/render/multitexture.h"
#include "platform/gl.h"

namespace tav::studio {

class OverlayPainter {
 public:
  // The entry points let it switch off the show's second texture unit; without them only one
  // unit is assumed.
  explicit OverlayPainter(const Multitexture& multitexture = {}) : multitexture_(multitexture) {}

  // The font texture belonged to a context that is gone: the next begin makes it again in the
  // current one. The texture itself is never deleted (the browser's subset cannot), one per
  // context.
  void contextLost() { texture_ = 0; }

  // Sets the state above for a viewport of width x height pixels, making the font texture first
  // if the current context has none yet.
  void begin(int width, int height);
  // A rectangle of w x h pixels with its top-left pixel at (x, y), blended over the picture with
  // alpha a.
  void bar(int x, int y, int w, int h, float r, float g, float b, float a);
  // One line of text with the top-left of its first cell at (x, y), each dot scale x scale pixels,
  // its colour added onto the picture; characters as the font takes them (font.h).
  void text(int x, int y, std::string_view line, float r, float g, float b, int scale = 1);
  void end() { drawing_ = false; }

  // The box a line of text covers, whole cells (glyph and spacing) included. A scale below 1 is
  // taken as 1.
  static int textWidth(std::string_view line, int scale = 1);
  static int lineHeight(int scale = 1);

 private:
  enum class Mode { None, Bars, Text };
  void use(Mode mode);
  void upload();
  // A corner at a pixel position of the viewport, given in normalized device coordinates.
  void vertex(int x, int y) const;

  Multitexture multitexture_;
  GLuint texture_ = 0;
  int atlasWidth_ = 1;
  int atlasHeight_ = 1;
  int width_ = 1;
  int height_ = 1;
  bool drawing_ = false;
  Mode mode_ = Mode::None;
};

}  // namespace tav::studio
