// Fuzzes the event table's text form: any bytes read without harm, and a table that reads writes
// back as text that reads to the same events. The same bytes taken as a sync.dat that the show
// reads whole come back from their text byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shell/sync_text.h"
#include "shell/sync_track.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tav::SyncTextRead read = tav::readSyncText({reinterpret_cast<const char*>(data), size});
  if (read.problem.empty()) {
    tav::SyncTextRead again = tav::readSyncText(tav::writeSyncText(read.events));
    if (!again.problem.empty() || again.events != read.events) std::abort();
  }

  tav::SyncTrack track;
  if (track.parse({data, size}).empty() &&
      size == 4 + 8 * static_cast<std::size_t>(track.count())) {
    std::vector<tav::SyncEvent> events;
    for (std::int32_t i = 0; i < track.count(); ++i)
      events.push_back(track.event(i));
    tav::SyncTextRead text = tav::readSyncText(tav::writeSyncText(events));
    std::vector<std::uint8_t> bytes = tav::syncDatBytes(text.events);
    if (!text.problem.empty() || bytes != std::vector<std::uint8_t>(data, data + size))
      std::abort();
  }
  return 0;
}
