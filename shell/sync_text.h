#pragma once
// The event table as text, for people making their own shows: one event a line, "mm:ss.mmm CODE",
// in the order the show delivers them. The one reader and writer of that form; sync.dat stays the
// show's own file.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shell/sync_track.h"

namespace tav {

// What `code` does in scene `scene` (1 to 9), in a few words; null for a code that scene ignores
// and for a scene number outside 1 to 9. Codes 39 and 37 step every scene forward and back.
const char* syncCodeMeaning(int scene, std::int32_t code);

// The scene selector as each event comes up, following 39 (+1) and 37 (-1) from scene 1 in table
// order. An event is delivered only while this is 1 to 9; once the selector leaves that range no
// scene runs, no event is delivered and it never changes again.
std::vector<int> syncDeliveryScenes(std::span<const SyncEvent> events);

// "mm:ss.mmm": minutes at least two digits, a leading '-' for negative times.
std::string syncTimeText(std::int32_t ms);

// The whole text: a short header comment, then one line per event, the codes the scenes know
// named in a trailing comment.
std::string writeSyncText(std::span<const SyncEvent> events);

struct SyncTextRead {
  std::vector<SyncEvent> events;  // empty when there is a problem
  std::string problem;            // "line N: what is wrong with it"; empty when all was read
};

// Reads the text form. Comments start with '#'; blank lines and spaces or tabs around the fields
// are fine; minutes may have any number of digits. More than SyncTrack::kCapacity events is a
// problem, since the show reads no further.
SyncTextRead readSyncText(std::string_view text);

// The bytes of sync.dat holding `events`, exactly as SyncTrack::parse reads them back.
std::vector<std::uint8_t> syncDatBytes(std::span<const SyncEvent> events);

}  // namespace tav
