#include "studio/overlay_view.h"

#include <cstdio>

#include "shell/sync_text.h"

namespace tav::studio {
namespace {

std::string timeText(std::int64_t ms) {
  return syncTimeText(static_cast<std::int32_t>(ms));
}

std::string eventText(const OverlayEvent& e) {
  std::string text = timeText(e.timeMs) + " " + std::to_string(e.code);
  if (e.meaning) text += std::string(" ") + e.meaning;
  return text;
}

}  // namespace

std::vector<std::string> overlayLines(const OverlayView& view) {
  const std::string time =
      timeText(view.showMs) + (view.lengthMs >= 0 ? " / " + timeText(view.lengthMs) : "");
  const std::string scene = view.scene > 0 ? "scene " + std::to_string(view.scene) : "no scene";
  char head[200];
  std::snprintf(head, sizeof head, "%s   frame %.1f ms   %s   %s   snapshots %.1f MB", time.c_str(),
                view.frameMs, scene.c_str(), view.playing ? "playing" : "paused",
                static_cast<double>(view.snapshotBytes) / (1024.0 * 1024.0));
  std::vector<std::string> lines = {head};
  lines.push_back("last event " + (view.lastEvent ? eventText(*view.lastEvent) : "none") +
                  "   next " + (view.nextEvent ? eventText(*view.nextEvent) : "none"));
  const LoopRegion& loop = view.loop;
  if (loop.active()) {
    lines.push_back("loop " + timeText(*loop.startMs) + " - " + timeText(*loop.endMs));
  } else if (loop.startMs || loop.endMs) {
    lines.push_back("loop " + (loop.startMs ? timeText(*loop.startMs) : std::string("?")) + " - " +
                    (loop.endMs ? timeText(*loop.endMs) : std::string("?")) +
                    " (needs an end after its start)");
  }
  if (!view.line.empty()) lines.push_back(view.line);
  return lines;
}

}  // namespace tav::studio
