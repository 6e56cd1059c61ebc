#pragma once
// The timed events that tie the show to its music: read once from "sync.dat", then delivered one
// per frame, in file order, as the music position reaches each event's time.
//
// File: a little-endian signed 32-bit count, then that many (time in ms, code) pairs of signed
// 32-bit values. No header, padding or trailer.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tav {

struct SyncEvent {
  std::int32_t timeMs = 0;
  std::int32_t value = 0;

  friend bool operator==(const SyncEvent&, const SyncEvent&) = default;
};

class SyncTrack {
 public:
  static constexpr std::int32_t kCapacity = 1000;

  SyncTrack();

  // Reads the events of the file at `path`. Returns what was wrong with it, empty when nothing
  // was. A missing file gives no events; a negative count gives none; a count past the capacity
  // keeps the first 1000; a file that ends early keeps its complete events. The cursor stays.
  std::string load(const char* path);
  // The same, from the bytes of a file.
  std::string parse(std::span<const std::uint8_t> bytes);

  void rewind() { cursor_ = 0; }
  // Puts the cursor back where a snapshot of the show found it (within the events read).
  void restoreCursor(std::int32_t cursor) { cursor_ = std::clamp(cursor, 0, count_); }

  // The code of the event at the cursor if `timeMs` has reached its time (the cursor then moves
  // on), else -1. At most one event a call.
  std::int32_t next(std::int32_t timeMs);

  std::int32_t count() const { return count_; }
  std::int32_t cursor() const { return cursor_; }
  const SyncEvent& event(std::int32_t index) const {
    return table_[static_cast<std::size_t>(index)];
  }

 private:
  std::vector<SyncEvent> table_;
  std::int32_t count_ = 0;
  std::int32_t cursor_ = 0;
};

}  // namespace tav
