// Fuzzes the sync table reader and the delivery of what it read.
#include <cstddef>
#include <cstdint>

#include "shell/sync_track.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tav::SyncTrack track;
  track.parse({data, size});
  for (std::int32_t t : {INT32_MIN, -1, 0, 1000, INT32_MAX}) {
    for (int i = 0; i < 4; ++i)
      track.next(t);
  }
  return 0;
}
