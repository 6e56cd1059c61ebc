#pragma once
// Which scene plays when, from the sync table alone: the scene selector changes only when a scene
// is given code 39 or 37, and the main loop delivers the events in file order, one a frame, once
// the music position has reached each one's time, and none while no scene runs. On the timeline of
// `fps` frames a second (frame k at k × 1000 / fps ms), a scene changed by the event of frame k
// plays from frame k + 1.
#include <cstdint>
#include <span>
#include <vector>

#include "shell/sync_track.h"

namespace tav {

struct SceneBand {
  std::int64_t fromMs = 0;  // the show time of the band's first frame
  int scene = 0;            // 1 to 9; 0 while no scene runs
  friend bool operator==(const SceneBand&, const SceneBand&) = default;
};

// The bands from the first frame on. `musicEndMs` is where the music position stops (-1: never),
// which holds back any event timed after it.
std::vector<SceneBand> sceneBands(std::span<const SyncEvent> events, int fps,
                                  std::int64_t musicEndMs);

// The first frame whose play can differ between two tables: the frames before it deliver only
// events the two share, in the same places. -1 when the tables are the same.
std::int64_t firstFrameChanged(std::span<const SyncEvent> before, std::span<const SyncEvent> after,
                               int fps);

}  // namespace tav
