#include "studio/overlay.h"

#include <algorithm>

namespace tav::studio {

void Overlay::draw(const OverlayView& view, std::span<const std::int32_t> eventTimes,
                   const Viewport& viewport) {
  const int width = viewport.width, height = viewport.height;
  if (width <= 0 || height <= 0) return;
  // Twice the font's size where the picture has the room for it.
  const int scale = width >= 800 ? 2 : 1;
  const int margin = 4 * scale, line = OverlayPainter::lineHeight(scale);
  const std::vector<std::string> lines = overlayLines(view);
  int widest = 0;
  for (const std::string& text : lines)
    widest = std::max(widest, OverlayPainter::textWidth(text, scale));

  painter_.begin(width, height);
  painter_.bar(0, 0, std::min(width, widest + 2 * margin),
               static_cast<int>(lines.size()) * line + 2 * margin, 0.0f, 0.0f, 0.0f, 0.6f);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const bool problem = view.lineIsProblem && i + 1 == lines.size() && !view.line.empty();
    const float g = problem ? 0.55f : 1.0f, b = problem ? 0.45f : 1.0f;
    painter_.text(margin, margin + static_cast<int>(i) * line, lines[i], 1.0f, g, b, scale);
  }

  if (view.lengthMs > 0) {
    // The whole show along the bottom: events as ticks, the loop as a band, the play head.
    const int barHeight = 6 * scale, top = height - barHeight - margin;
    const int left = margin, span = width - 2 * margin;
    auto at = [&](std::int64_t ms) {
      return left + static_cast<int>(std::clamp<std::int64_t>(ms, 0, view.lengthMs) * span /
                                     view.lengthMs);
    };
    painter_.bar(left, top, span, barHeight, 0.0f, 0.0f, 0.0f, 0.6f);
    if (view.loop.active()) {
      const int from = at(*view.loop.startMs);
      painter_.bar(from, top, std::max(at(*view.loop.endMs) - from, 1), barHeight, 0.3f, 0.6f, 1.0f,
                   0.5f);
    }
    for (std::int32_t t : eventTimes)
      painter_.bar(at(t), top, 1, barHeight, 1.0f, 0.8f, 0.2f, 0.8f);
    painter_.bar(left, top + barHeight / 2, at(view.showMs) - left, 1, 1.0f, 1.0f, 1.0f, 0.7f);
    painter_.bar(at(view.showMs) - scale, top - 2 * scale, 2 * scale, barHeight + 4 * scale, 1.0f,
                 1.0f, 1.0f, 1.0f);
  }
  painter_.end();
}

}  // namespace tav::studio
