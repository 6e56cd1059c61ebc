#include "shell/sync_track.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tav {
namespace {

std::int32_t readInt32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
      static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr std::size_t kHeaderBytes = 4;
constexpr std::size_t kEventBytes = 8;

}  // namespace

SyncTrack::SyncTrack() : table_(kCapacity) {}

std::string SyncTrack::load(const char* path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), &std::fclose);
  if (!file) {
    count_ = 0;
    return std::string("cannot open: ") + std::strerror(errno) + "; the show has no sync events";
  }
  // Never more than the header and a full table, whatever the file holds.
  std::vector<std::uint8_t> bytes(kHeaderBytes + kEventBytes * kCapacity + 1);
  std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
  bytes.resize(got);
  return parse(bytes);
}

std::string SyncTrack::parse(std::span<const std::uint8_t> bytes) {
  count_ = 0;
  if (bytes.size() < kHeaderBytes) return "too short for its event count; no sync events";
  std::int32_t declared = readInt32(bytes.data());
  if (declared < 0) return "negative event count " + std::to_string(declared) + "; no sync events";
  std::int32_t wanted = std::min(declared, kCapacity);
  auto complete = static_cast<std::int32_t>((bytes.size() - kHeaderBytes) / kEventBytes);
  count_ = std::min(wanted, complete);
  for (std::int32_t i = 0; i < count_; ++i) {
    const std::uint8_t* record =
        bytes.data() + kHeaderBytes + kEventBytes * static_cast<std::size_t>(i);
    table_[static_cast<std::size_t>(i)] = {readInt32(record), readInt32(record + 4)};
  }
  if (declared > kCapacity && count_ == kCapacity) {
    return std::to_string(declared) + " events declared; the first " + std::to_string(kCapacity) +
           " are kept";
  }
  if (count_ < wanted) {
    return std::to_string(declared) + " events declared but only " + std::to_string(count_) +
           " complete in the file; those are kept";
  }
  return {};
}

std::int32_t SyncTrack::next(std::int32_t timeMs) {
  if (cursor_ >= count_) return -1;
  const SyncEvent& due = table_[static_cast<std::size_t>(cursor_)];
  if (timeMs < due.timeMs) return -1;
  ++cursor_;
  return due.value;
}

}  // namespace tav
