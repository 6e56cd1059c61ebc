#pragma once
// What a studio's surroundings ask of it and are told, beside its window's keys: the page's
// timeline and buttons ask for seeks, transport commands, loop regions and edited sync tables,
// and are told where the show stands after each frame and what the table in use is. The desktop
// studio has none.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "shell/scene_bands.h"
#include "shell/sync_track.h"
#include "studio/transport.h"

namespace tav::studio {

struct HostRequest {
  enum class Kind { Command, Seek, Loop, Table };
  Kind kind = Kind::Command;
  Command command = Command::TogglePlay;  // Command
  std::int64_t ms = 0;                    // Seek
  LoopRegion loop;                        // Loop: the region as it is to be
  std::vector<SyncEvent> table;           // Table: the events in their new order
};

// Where the show stands once a frame is on screen.
struct HostView {
  std::int64_t showMs = 0;     // the shown frame's time
  std::int64_t frame = 1;      // on the timeline of kFps frames a second
  std::int64_t lengthMs = -1;  // the show's end once found, else the music's length
  int scene = 0;               // 0: no scene runs
  bool playing = false;
  std::int32_t cursor = 0;  // the next event due, by its place in the table
  LoopRegion loop;
  std::string line;  // the last reload or problem
  bool lineIsProblem = false;
};

class StudioHost {
 public:
  virtual ~StudioHost() = default;
  virtual std::optional<HostRequest> nextRequest() = 0;
  virtual void shown(const HostView& view) = 0;
  // Where a table in use came from: the folder's files (at the start, or a saved sync.dat or
  // sync.txt taken in), the host's own edit, or the same table set up again with reloaded data.
  enum class TableFrom { Folder, Host, Kept };
  // The table in use, whenever it is installed (at the start too), with the scenes it gives.
  virtual void tableChanged(std::span<const SyncEvent> table, std::span<const SceneBand> bands,
                            TableFrom from) = 0;
};

}  // namespace tav::studio
