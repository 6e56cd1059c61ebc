#pragma once
// What the studio's overlay tells, as values and as its lines of text: where the show stands, the
// sync events around it, the loop region and the last reload or problem.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "studio/transport.h"

namespace tav::studio {

struct OverlayEvent {
  std::int32_t timeMs = 0;
  std::int32_t code = 0;
  const char* meaning = nullptr;  // what the code does in its scene; null when nothing
};

struct OverlayView {
  std::int64_t showMs = 0;
  std::int64_t lengthMs = -1;  // the show's length once known
  double frameMs = 0.0;        // what drawing the last frame took
  int scene = 0;               // 0: no scene runs
  bool playing = false;
  std::optional<OverlayEvent> lastEvent;  // the last delivered
  std::optional<OverlayEvent> nextEvent;  // the next due
  LoopRegion loop;
  std::string line;  // the last reload or problem
  bool lineIsProblem = false;
  std::size_t snapshotBytes = 0;
};

std::vector<std::string> overlayLines(const OverlayView& view);

}  // namespace tav::studio
