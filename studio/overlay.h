#pragma once
// The studio's overlay over the show's picture: its lines in the top-left corner over a dark
// backing, and along the bottom a bar of the show's whole length with the sync events, the loop
// region and the play head. Drawn with the engine's own OpenGL 1.1 calls; the caller gives the
// show its state back afterwards (GlState::apply).
#include <cstdint>
#include <span>

#include "shell/gl_window.h"
#include "studio/overlay_painter.h"
#include "studio/overlay_view.h"

namespace tav::studio {

class Overlay {
 public:
  explicit Overlay(const Multitexture& multitexture = {}) : painter_(multitexture) {}
  void setMultitexture(const Multitexture& multitexture) {
    painter_ = OverlayPainter(multitexture);
  }

  // Over the picture in `viewport`; the bar needs the show's length, else it is left out.
  void draw(const OverlayView& view, std::span<const std::int32_t> eventTimes,
            const Viewport& viewport);

 private:
  OverlayPainter painter_;
};

}  // namespace tav::studio
