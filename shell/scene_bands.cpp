#include "shell/scene_bands.h"

#include <algorithm>

#include "shell/timeline.h"

namespace tav {

std::vector<SceneBand> sceneBands(std::span<const SyncEvent> events, int fps,
                                  std::int64_t musicEndMs) {
  std::vector<SceneBand> bands = {{0, 1}};
  std::int8_t selector = 1;
  std::int64_t frame = 1;  // the next frame that may deliver
  for (const SyncEvent& event : events) {
    if (selector < 1 || selector > 9) break;  // no scene runs: nothing more is delivered
    if (musicEndMs >= 0 && event.timeMs > musicEndMs) break;
    frame = std::max(frame, firstFrameAt(event.timeMs, fps));
    if (event.value == 39 || event.value == 37) {
      selector = static_cast<std::int8_t>(selector + (event.value == 39 ? 1 : -1));
      bands.push_back({(frame + 1) * 1000 / fps, selector >= 1 && selector <= 9 ? selector : 0});
    }
    ++frame;
  }
  return bands;
}

std::int64_t firstFrameChanged(std::span<const SyncEvent> before, std::span<const SyncEvent> after,
                               int fps) {
  std::size_t k = 0;
  while (k < before.size() && k < after.size() && before[k].timeMs == after[k].timeMs &&
         before[k].value == after[k].value) {
    ++k;
  }
  // Event k is delivered in its table's order, and never before the first frame at its time.
  std::int64_t frame = -1;
  for (std::span<const SyncEvent> table : {before, after}) {
    if (k >= table.size()) continue;
    const std::int64_t at = firstFrameAt(table[k].timeMs, fps);
    frame = frame < 0 ? at : std::min(frame, at);
  }
  return frame;
}

}  // namespace tav
